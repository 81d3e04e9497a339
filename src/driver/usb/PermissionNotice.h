#pragma once
// The one message this back end ever prints: a camera is attached but the user may not open it,
// which on Linux means the udev rule is missing. Said once per back end (per process), on stderr.

#include <atomic>

#include "driver/usb/CameraPath.h"

namespace kelvra::driver::usb {

// The rule shipped in packaging/udev and installed under <prefix>/lib/udev/rules.d.
inline constexpr const char* kUdevRuleName = "60-kelvra-cameras.rules";

class PermissionNotice {
  public:
    void report(const CameraAddress& address);

  private:
    std::atomic<bool> told_{false};
};

}  // namespace kelvra::driver::usb

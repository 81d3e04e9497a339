#pragma once
// The one message this back end ever prints: a camera is attached but the user may not open it,
// which on Linux means the udev rule is missing. Said once per back end (per process), on stderr.

#include <atomic>

#include "driver/usb/CameraPath.h"
#include "driver/usb/CameraProducts.h"

namespace kelvra::driver::usb {

class PermissionNotice {
  public:
    void report(uint16_t vendorId, uint16_t productId, const UsbLocation& location);

  private:
    std::atomic<bool> told_{false};
};

}  // namespace kelvra::driver::usb

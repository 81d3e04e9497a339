#pragma once
// The USB devices this back end publishes as cameras: one table of vendor and product ids,
// which the back end checks before it sends a device anything and from which the udev rule
// that grants users access is generated, so the two can never disagree.

#include <cstdint>
#include <span>
#include <string>

namespace kelvra::driver::usb {

struct CameraModel {
    uint16_t vendorId;
    uint16_t productId;
};

std::span<const CameraModel> cameraModels();
bool isCameraDevice(uint16_t vendorId, uint16_t productId);
std::string udevRules();

// The file name of the rule, as installed under <prefix>/lib/udev/rules.d.
inline constexpr const char* kUdevRuleName = "60-kelvra-cameras.rules";

}  // namespace kelvra::driver::usb

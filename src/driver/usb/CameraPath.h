#pragma once
// A camera's device path on Linux: the interface path form the transport parses, with the
// device's real vendor and product ids and its USB location as the instance:
//   \\?\usb#vid_04b4&pid_3270#1-2.3#{328184c5-93e6-49b7-94b8-2ada13aabb39}

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "driver/usb/UsbLocation.h"

namespace kelvra::driver::usb {

struct CameraAddress {
    uint16_t vendorId = 0;
    uint16_t productId = 0;
    UsbLocation location;
};

std::string formatCameraPath(const CameraAddress& address);
std::optional<CameraAddress> parseCameraPath(std::string_view path);

}  // namespace kelvra::driver::usb

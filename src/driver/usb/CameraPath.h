#pragma once
// A camera's device path on Linux: the interface path form the transport parses, with the
// device's real vendor and product ids and an instance part that names the device as Windows
// does: its serial-number string when it has one, so that a camera moved to another port keeps
// its path (and its number), else its USB location:
//   \\?\usb#vid_04b4&pid_3270#K4S01234#{328184c5-93e6-49b7-94b8-2ada13aabb39}
//   \\?\usb#vid_04b4&pid_3270#1-2.3#{328184c5-93e6-49b7-94b8-2ada13aabb39}

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "driver/usb/UsbLocation.h"

namespace kelvra::driver::usb {

// Longest serial number used as an instance; longer ones fall back to the location.
inline constexpr size_t kMaxInstanceLength = 64;

struct CameraAddress {
    uint16_t vendorId = 0;
    uint16_t productId = 0;
    std::string instance;  // serial number or formatted location
};

bool isUsableInstance(std::string_view text);
std::string instanceFor(std::string_view serialNumber, const UsbLocation& location);
std::string formatCameraPath(const CameraAddress& address);
std::optional<CameraAddress> parseCameraPath(std::string_view path);

}  // namespace kelvra::driver::usb

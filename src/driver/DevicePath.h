#pragma once
// Device paths as the interface enumeration reports them:
//   \\?\usb#vid_XXXX&pid_XXXX#<instance>#{guid}
// so the vendor id's four hex digits start at offset 12 and the product id's at offset 21.

#include <cstdint>
#include <string>
#include <string_view>

#include "driver/Guid.h"

namespace kelvra::driver {

inline constexpr size_t kDevicePathVendorOffset = 12;
inline constexpr size_t kDevicePathProductOffset = 21;
// The transport keeps paths in 260-byte fields including the terminating NUL.
inline constexpr size_t kMaxDevicePathLength = 259;

// Builds the path of one interface. `instance` must not contain '#'. Returns the path, which may
// exceed kMaxDevicePathLength only when `instance` is very long; back ends keep instances short.
std::string formatDevicePath(uint16_t vendorId, uint16_t productId, std::string_view instance,
                             const Guid& guid);

}  // namespace kelvra::driver

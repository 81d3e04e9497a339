#pragma once
// Where a device hangs on the USB tree: its bus and the chain of hub ports from the root. A
// device replugged into the same port comes back at the same location, so the location is the
// instance part of its device path ("1-2.3", as Linux names the device in sysfs).

#include <compare>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace kelvra::driver::usb {

// USB 3 allows at most 7 tiers of hubs below the root.
inline constexpr size_t kMaxPortDepth = 7;

struct UsbLocation {
    uint8_t bus = 0;
    std::vector<uint8_t> ports;

    // Bus first, then the port chain: the enumeration order.
    friend auto operator<=>(const UsbLocation&, const UsbLocation&) = default;
    friend bool operator==(const UsbLocation&, const UsbLocation&) = default;
};

std::string formatLocation(const UsbLocation& location);
std::optional<UsbLocation> parseLocation(std::string_view text);

}  // namespace kelvra::driver::usb

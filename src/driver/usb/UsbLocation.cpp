#include "driver/usb/UsbLocation.h"

#include <charconv>

namespace kelvra::driver::usb {
namespace {

// A decimal number 1..255 at the front of `text`, consumed.
std::optional<uint8_t> takeNumber(std::string_view& text) {
    unsigned value = 0;
    auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (ec != std::errc{} || value == 0 || value > 255) return {};
    text.remove_prefix(static_cast<size_t>(end - text.data()));
    return static_cast<uint8_t>(value);
}

}  // namespace

// "bus-port.port...", decimal: "1-2.3" is port 3 of the hub on port 2 of bus 1.
std::string formatLocation(const UsbLocation& location) {
    std::string text = std::to_string(location.bus);
    char separator = '-';
    for (uint8_t port : location.ports) {
        text.push_back(separator);
        text.append(std::to_string(port));
        separator = '.';
    }
    return text;
}

// The inverse of formatLocation. Nullopt for anything else: no ports, more than 7, a zero or a
// number above 255, leading signs or stray characters.
std::optional<UsbLocation> parseLocation(std::string_view text) {
    UsbLocation location;
    std::optional<uint8_t> bus = takeNumber(text);
    if (!bus || text.empty() || text.front() != '-') return {};
    location.bus = *bus;
    char separator = '-';
    while (!text.empty()) {
        if (text.front() != separator || location.ports.size() == kMaxPortDepth) return {};
        text.remove_prefix(1);
        std::optional<uint8_t> port = takeNumber(text);
        if (!port) return {};
        location.ports.push_back(*port);
        separator = '.';
    }
    return location;
}

}  // namespace kelvra::driver::usb

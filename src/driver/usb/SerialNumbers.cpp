#include "driver/usb/SerialNumbers.h"

#include <array>

namespace kelvra::driver::usb {
namespace {

// USB string descriptors hold at most 126 characters.
constexpr size_t kMaxStringBytes = 128;

std::string readSerial(libusb_device* device, uint8_t stringIndex) {
    if (stringIndex == 0) return {};
    libusb_device_handle* handle = nullptr;
    if (libusb_open(device, &handle) != LIBUSB_SUCCESS) return {};
    std::array<unsigned char, kMaxStringBytes> text{};
    const int length =
        libusb_get_string_descriptor_ascii(handle, stringIndex, text.data(), int(text.size()));
    libusb_close(handle);
    if (length <= 0) return {};
    return std::string(reinterpret_cast<const char*>(text.data()), size_t(length));
}

}  // namespace

// The serial number of `device` (its descriptor's iSerialNumber is `stringIndex`, 0 for none).
// A device address is not reused while the device stays connected, so (bus, address) names one
// connection. Any thread.
std::string SerialNumbers::of(libusb_device* device, uint8_t stringIndex) {
    const std::pair<uint8_t, uint8_t> connection{libusb_get_bus_number(device),
                                                 libusb_get_device_address(device)};
    {
        std::lock_guard lock(mutex_);
        if (auto known = known_.find(connection); known != known_.end()) return known->second;
    }
    std::string serial = readSerial(device, stringIndex);
    std::lock_guard lock(mutex_);
    return known_.emplace(connection, std::move(serial)).first->second;
}

}  // namespace kelvra::driver::usb

#include "driver/usb/CameraPath.h"

#include <algorithm>
#include <cctype>
#include <charconv>

#include "driver/DevicePath.h"

namespace kelvra::driver::usb {
namespace {

// The instance follows the product id's four digits and a '#'.
constexpr size_t kInstanceOffset = kDevicePathProductOffset + 5;
constexpr size_t kIdDigits = 4;

std::optional<uint16_t> parseId(std::string_view path, size_t offset) {
    if (path.size() < offset + kIdDigits) return {};
    unsigned value = 0;
    const char* first = path.data() + offset;
    auto [end, ec] = std::from_chars(first, first + kIdDigits, value, 16);
    if (ec != std::errc{} || end != first + kIdDigits) return {};
    return static_cast<uint16_t>(value);
}

bool sameIgnoringCase(std::string_view a, std::string_view b) {
    return std::ranges::equal(a, b, [](char x, char y) {
        return std::tolower(static_cast<unsigned char>(x)) ==
               std::tolower(static_cast<unsigned char>(y));
    });
}

}  // namespace

// Letters, digits, '.', '_' and '-', at most kMaxInstanceLength: what a path can carry between
// its '#' separators whatever reads it.
bool isUsableInstance(std::string_view text) {
    return !text.empty() && text.size() <= kMaxInstanceLength &&
           std::ranges::all_of(text, [](char c) {
               return std::isalnum(static_cast<unsigned char>(c)) || c == '.' || c == '_' ||
                      c == '-';
           });
}

// The serial number when it is usable as an instance, else the location.
std::string instanceFor(std::string_view serialNumber, const UsbLocation& location) {
    if (isUsableInstance(serialNumber)) return std::string(serialNumber);
    return formatLocation(location);
}

// The camera interface path of `address` (lower-case hex, as Windows reports paths).
std::string formatCameraPath(const CameraAddress& address) {
    return formatDevicePath(address.vendorId, address.productId, address.instance,
                            kCameraInterfaceGuid);
}

// The address a camera path names, or nullopt for any text that formatCameraPath would not
// produce. Case does not matter outside the instance, as for CreateFile.
std::optional<CameraAddress> parseCameraPath(std::string_view path) {
    std::optional<uint16_t> vendorId = parseId(path, kDevicePathVendorOffset);
    std::optional<uint16_t> productId = parseId(path, kDevicePathProductOffset);
    if (!vendorId || !productId || path.size() <= kInstanceOffset) return {};
    std::string_view rest = path.substr(kInstanceOffset);
    std::string_view instance = rest.substr(0, rest.find('#'));
    if (!isUsableInstance(instance)) return {};
    CameraAddress address{*vendorId, *productId, std::string(instance)};
    // Everything else (prefix, separators, class) must be exactly what we would have written.
    if (!sameIgnoringCase(formatCameraPath(address), path)) return {};
    return address;
}

}  // namespace kelvra::driver::usb

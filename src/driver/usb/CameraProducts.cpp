#include "driver/usb/CameraProducts.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <vector>

namespace kelvra::driver::usb {
namespace {

// The cameras keep the vendor id of their FX3 controller (Cypress).
constexpr uint16_t kCypress = 0x04B4;

// Every product id of the device core's sensor-driver table, the ones this build cannot open
// included: the transport numbers and lists them like the kernel driver on Windows does, and
// the device core refuses the ones it has no driver class for. Another maker's device that
// shares one of these product ids under its own vendor id is not a camera.
constexpr uint16_t kProducts[] = {
    0x3020, 0x3030, 0x3040, 0x3042, 0x3050, 0x3090, 0x30B0, 0x30C0, 0x30F0, 0x3100, 0x3110,
    0x3120, 0x3130, 0x3140, 0x3150, 0x3170, 0x3180, 0x3190, 0x31A0, 0x31B0, 0x31B4, 0x31C0,
    0x31C4, 0x31D0, 0x31E0, 0x31F0, 0x3200, 0x3210, 0x3220, 0x3260, 0x3270, 0x3280, 0x3290,
    0x32A0, 0x32B0, 0x32C0, 0x32D0, 0x32E0, 0x32F0, 0x3300, 0x3310, 0x3320, 0x3330, 0x3340,
    0x3360, 0x3370, 0x3380, 0x33A0, 0x33B0, 0x33C0, 0x33D0,
};

constexpr auto kModels = [] {
    std::array<CameraModel, std::size(kProducts)> models{};
    for (size_t i = 0; i < models.size(); ++i) models[i] = CameraModel{kCypress, kProducts[i]};
    return models;
}();

// Product ids per rule line, to keep the lines readable.
constexpr size_t kProductsPerLine = 10;

constexpr const char* kRuleHead =
    "# Kelvra USB 3.0 cameras: lets the SDK open them without root.\n"
    "#\n"
    "# Gives read and write access to the members of the plugdev group and, through the uaccess\n"
    "# tag, to the user logged in at the machine's seat. Generated from the library's table of\n"
    "# camera vendor and product ids; `kelvra doctor` checks that the installed copy matches.\n"
    "#\n"
    "# Install: kelvra udev-rule | sudo tee /etc/udev/rules.d/60-kelvra-cameras.rules\n"
    "#          sudo udevadm control --reload-rules && sudo udevadm trigger\n"
    "\n"
    "ACTION!=\"add|change\", GOTO=\"kelvra_cameras_end\"\n"
    "SUBSYSTEM!=\"usb\", GOTO=\"kelvra_cameras_end\"\n"
    "ENV{DEVTYPE}!=\"usb_device\", GOTO=\"kelvra_cameras_end\"\n"
    "\n";

std::string Hex4(uint16_t value) {
    char text[8];
    std::snprintf(text, sizeof text, "%04x", value);
    return text;
}

std::string RuleLine(uint16_t vendorId, const std::vector<uint16_t>& products) {
    std::string line = "ATTR{idVendor}==\"";
    line.append(Hex4(vendorId)).append("\", ATTR{idProduct}==\"");
    for (size_t i = 0; i < products.size(); ++i) {
        if (i > 0) line.push_back('|');
        line.append(Hex4(products[i]));
    }
    line.append("\", MODE=\"0660\", GROUP=\"plugdev\", TAG+=\"uaccess\"\n");
    return line;
}

}  // namespace

std::span<const CameraModel> cameraModels() {
    return kModels;
}

// True when the device is one of the cameras: its vendor id and product id both match a row.
bool isCameraDevice(uint16_t vendorId, uint16_t productId) {
    return std::any_of(kModels.begin(), kModels.end(), [&](const CameraModel& model) {
        return model.vendorId == vendorId && model.productId == productId;
    });
}

// The udev rule for the table: every line names a vendor id and its product ids.
std::string udevRules() {
    std::string rules = kRuleHead;
    std::vector<uint16_t> line;
    for (size_t i = 0; i < kModels.size(); ++i) {
        line.push_back(kModels[i].productId);
        const bool last = i + 1 == kModels.size();
        if (line.size() == kProductsPerLine || last ||
            kModels[i + 1].vendorId != kModels[i].vendorId) {
            rules += RuleLine(kModels[i].vendorId, line);
            line.clear();
        }
    }
    return rules + "\nLABEL=\"kelvra_cameras_end\"\n";
}

}  // namespace kelvra::driver::usb

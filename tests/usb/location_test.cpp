// Device paths of real cameras: the instance is the USB location, and a path only opens what
// it names.
#include <gtest/gtest.h>

#include <fstream>
#include <set>
#include <sstream>

#include "driver/DevicePath.h"
#include "driver/usb/CameraPath.h"
#include "driver/usb/CameraProducts.h"
#include "driver/usb/UsbLocation.h"

namespace kelvra::driver::usb {
namespace {

TEST(UsbLocationTest, FormatsAsSysfsNamesTheDeviceAndParsesBack) {
    const UsbLocation deep{3, {2, 4, 1, 7}};
    EXPECT_EQ(formatLocation({1, {2}}), "1-2");
    EXPECT_EQ(formatLocation(deep), "3-2.4.1.7");
    EXPECT_EQ(parseLocation("3-2.4.1.7"), deep);
    EXPECT_EQ(parseLocation("255-255.1.1.1.1.1.1"), (UsbLocation{255, {255, 1, 1, 1, 1, 1, 1}}));
}

TEST(UsbLocationTest, RejectsWhatFormatLocationNeverWrites) {
    for (const char* text : {"", "1", "1-", "1.2", "0-1", "1-0", "256-1", "1-2.", "1-2..3", "1-2-3",
                             "+1-2", "1-+2", " 1-2", "1-2 ", "1-2.3.4.5.6.7.8.9", "1-2#"}) {
        EXPECT_FALSE(parseLocation(text)) << '"' << text << '"';
    }
}

TEST(UsbLocationTest, OrdersByBusThenPortChain) {
    EXPECT_LT((UsbLocation{1, {9}}), (UsbLocation{2, {1}}));
    EXPECT_LT((UsbLocation{1, {2}}), (UsbLocation{1, {2, 1}}));
    EXPECT_LT((UsbLocation{1, {2, 9}}), (UsbLocation{1, {3}}));
}

TEST(CameraPathTest, CarriesTheIdsWhereTheTransportReadsThem) {
    const std::string path = formatCameraPath({0x04B4, 0x3270, formatLocation({2, {1, 3}})});
    EXPECT_EQ(path, "\\\\?\\usb#vid_04b4&pid_3270#2-1.3#{328184c5-93e6-49b7-94b8-2ada13aabb39}");
    EXPECT_EQ(path.substr(kDevicePathVendorOffset, 4), "04b4");
    EXPECT_EQ(path.substr(kDevicePathProductOffset, 4), "3270");
}

TEST(CameraPathTest, ParsesItsOwnPathsInAnyCase) {
    const CameraAddress address{0x1234, 0x33D0, formatLocation({4, {1, 2, 3}})};
    std::string path = formatCameraPath(address);
    std::optional<CameraAddress> parsed = parseCameraPath(path);
    ASSERT_TRUE(parsed);
    EXPECT_EQ(parsed->vendorId, 0x1234);
    EXPECT_EQ(parsed->productId, 0x33D0);
    EXPECT_EQ(parsed->instance, address.instance);
    for (char& c : path) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    EXPECT_TRUE(parseCameraPath(path));
}

TEST(CameraPathTest, RefusesOtherPaths) {
    const std::string good = formatCameraPath({0x04B4, 0x3270, formatLocation({1, {2}})});
    const std::string otherClass =
        formatDevicePath(0x04B4, 0x3270, "1-2", Guid{1, 2, 3, {4, 5, 6, 7, 8, 9, 10, 11}});
    for (const std::string& path :
         {std::string(), good.substr(0, 30), good + "x", otherClass,
          formatDevicePath(0x04B4, 0x3270, "sim&0001", kCameraInterfaceGuid),
          formatDevicePath(0x04B4, 0x3270, "1-2#1-3", kCameraInterfaceGuid),
          std::string("\\\\?\\usb#vid_+4b4&pid_3270#1-2#") + formatGuid(kCameraInterfaceGuid),
          std::string("\\\\?\\usb#vid_04b4&pid_32700#1-2#") + formatGuid(kCameraInterfaceGuid),
          std::string("\\\\?\\hid#vid_04b4&pid_3270#1-2#") + formatGuid(kCameraInterfaceGuid)}) {
        EXPECT_FALSE(parseCameraPath(path)) << path;
    }
}

// The rule users install (the file the build generates) must open exactly the cameras the back
// end lists, each by vendor and product: a rule on the product id alone would open another
// maker's device that happens to share it.
TEST(CameraProductsTest, UdevRuleGrantsExactlyTheVendorAndProductPairsTheBackEndLists) {
    std::ifstream file(KELVRA_UDEV_RULE);
    ASSERT_TRUE(file) << KELVRA_UDEV_RULE;
    std::stringstream text;
    text << file.rdbuf();
    const std::string rules = text.str();
    EXPECT_EQ(rules, udevRules());
    std::set<std::pair<unsigned, unsigned>> granted;
    std::stringstream lines(rules);
    const std::string vendorKey = "ATTR{idVendor}==\"", productKey = "ATTR{idProduct}==\"";
    for (std::string line; std::getline(lines, line);) {
        const size_t product = line.find(productKey);
        if (product == std::string::npos) continue;
        const size_t vendor = line.find(vendorKey);
        ASSERT_NE(vendor, std::string::npos) << "a rule on the product alone: " << line;
        const unsigned vendorId =
            std::stoul(line.substr(vendor + vendorKey.size(), 4), nullptr, 16);
        const size_t first = product + productKey.size();
        std::stringstream ids(line.substr(first, line.find('"', first) - first));
        for (std::string id; std::getline(ids, id, '|');) {
            granted.emplace(vendorId, std::stoul(id, nullptr, 16));
        }
    }
    std::set<std::pair<unsigned, unsigned>> listed;
    for (const CameraModel& model : cameraModels()) listed.emplace(model.vendorId, model.productId);
    EXPECT_EQ(granted, listed);
    EXPECT_EQ(listed.size(), 51u);
    EXPECT_TRUE(isCameraDevice(0x04B4, 0x3270));
    EXPECT_FALSE(isCameraDevice(0x1234, 0x3270));
    EXPECT_NE(rules.find("GROUP=\"plugdev\""), std::string::npos);
}

}  // namespace
}  // namespace kelvra::driver::usb

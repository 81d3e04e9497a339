// Interface paths: the vendor and product digits sit where the transport reads them.
#include <gtest/gtest.h>

#include "driver/DevicePath.h"

namespace kelvra::driver {
namespace {

TEST(DevicePathTest, VendorAtTwelveProductAtTwentyOne) {
    const std::string path = formatDevicePath(0x04B4, 0x3270, "sim&0001", kCameraInterfaceGuid);
    EXPECT_EQ(path, "\\\\?\\usb#vid_04b4&pid_3270#sim&0001#{328184c5-93e6-49b7-94b8-2ada13aabb39}");
    EXPECT_EQ(path.substr(kDevicePathVendorOffset, 4), "04b4");
    EXPECT_EQ(path.substr(kDevicePathProductOffset, 4), "3270");
}

TEST(DevicePathTest, GuidFormatsAllSixteenBytes) {
    Guid g{0x00000001, 0x0002, 0x0003, {4, 5, 6, 7, 8, 9, 10, 0xFF}};
    EXPECT_EQ(formatGuid(g), "{00000001-0002-0003-0405-060708090aff}");
}

}  // namespace
}  // namespace kelvra::driver

// Discovery, opening and hot plug of simulated cameras, through the seam only.
#include <cstdio>
#include <cstdlib>

#include "SimFixture.h"
#include "driver/DevicePath.h"

namespace kelvra::test {
namespace {

unsigned hexAt(const std::string& path, size_t offset) {
    return unsigned(std::strtoul(path.substr(offset, 4).c_str(), nullptr, 16));
}

using SeamTest = SimTest;

TEST_F(SeamTest, EnumeratesTwoCamerasWithVendorAndProductDigitsWhereTheTransportReadsThem) {
    attach();
    sim::CameraConfig other;
    other.productId = 0x3260;
    attach(other);
    const auto paths = driver::enumerateInterfaces(driver::kCameraInterfaceGuid);
    ASSERT_EQ(paths.size(), 2u);
    EXPECT_NE(paths[0], paths[1]);
    EXPECT_EQ(paths[0].rfind("\\\\?\\usb#vid_", 0), 0u) << paths[0];
    EXPECT_EQ(hexAt(paths[0], 12), 0x04B4u);
    EXPECT_EQ(hexAt(paths[0], 21), 0x3270u);
    EXPECT_EQ(hexAt(paths[1], 21), 0x3260u);
    EXPECT_NE(paths[0].find("#{328184c5-93e6-49b7-94b8-2ada13aabb39}"), std::string::npos);
    for (const auto& path : paths) EXPECT_LT(path.size(), 260u);
}

TEST_F(SeamTest, AnotherInterfaceClassFindsNothing) {
    attach();
    driver::Guid other = driver::kCameraInterfaceGuid;
    other.data1 ^= 1;
    EXPECT_TRUE(driver::enumerateInterfaces(other).empty());
}

TEST_F(SeamTest, OpensByPathInAnyCaseAndRefusesUnknownPaths) {
    auto camera = attach();
    std::string upper = camera->devicePath();
    for (char& c : upper) c = char(std::toupper(static_cast<unsigned char>(c)));
    EXPECT_NE(driver::openDevice(upper, false), nullptr);
    EXPECT_EQ(driver::openDevice("\\\\?\\usb#vid_04b4&pid_3270#nothing#{x}", false), nullptr);
}

TEST_F(SeamTest, UnplugHidesThePathAndReplugBringsItBackUnderTheSamePath) {
    auto a = attach();
    auto b = attach();
    const std::string pathA = a->devicePath();
    a->unplug();
    auto paths = driver::enumerateInterfaces(driver::kCameraInterfaceGuid);
    ASSERT_EQ(paths.size(), 1u);
    EXPECT_EQ(paths[0], b->devicePath());
    EXPECT_EQ(driver::openDevice(pathA, false), nullptr);
    a->replug();
    paths = driver::enumerateInterfaces(driver::kCameraInterfaceGuid);
    ASSERT_EQ(paths.size(), 2u);
    EXPECT_EQ(paths[0], pathA);
    EXPECT_NE(driver::openDevice(pathA, false), nullptr);
}

TEST_F(SeamTest, HandleFromBeforeAnUnplugFailsEvenAfterReplug) {
    auto camera = attach();
    SeamClient old = controlOf(*camera);
    ASSERT_EQ(old.control(0xC0, 0xB0, 0, 0).result.error, 0u);
    camera->unplug();
    EXPECT_EQ(old.control(0xC0, 0xB0, 0, 0).result.error, 1167u);
    camera->replug();
    EXPECT_EQ(old.control(0xC0, 0xB0, 0, 0).result.error, 1167u);
    SeamClient fresh = controlOf(*camera);
    EXPECT_EQ(fresh.control(0xC0, 0xB0, 0, 0).result.error, 0u);
}

TEST_F(SeamTest, ReplugIsAPowerCycleThatKeepsTheEeprom) {
    auto camera = attach();
    {
        SeamClient c = controlOf(*camera);
        ASSERT_TRUE(c.fpgaWrite(0x97, 1));
        ASSERT_TRUE(c.eepromWrite(0x1080, 0x5A));
    }
    camera->unplug();
    camera->replug();
    SeamClient c = controlOf(*camera);
    EXPECT_EQ(c.fpgaRead(0x97), 0);
    EXPECT_EQ(c.eepromRead(0x1080), 0x5A);
}

TEST_F(SeamTest, DetachedCameraLeavesEnumerationAndItsHandlesFail) {
    auto camera = attach();
    SeamClient c = controlOf(*camera);
    sim::detachCamera(camera);
    EXPECT_TRUE(driver::enumerateInterfaces(driver::kCameraInterfaceGuid).empty());
    EXPECT_EQ(c.control(0xC0, 0xB0, 0, 0).result.error, 1167u);
}

TEST_F(SeamTest, UnknownIoctlIsInvalidFunctionAndSpeedIsSuperSpeed) {
    auto camera = attach();
    auto h = driver::openDevice(camera->devicePath(), false);
    std::array<uint8_t, 4> speed{};
    driver::IoResult r = h->ioctl(kSpeedIoctl, speed, speed);
    EXPECT_EQ(r.error, 0u);
    EXPECT_EQ(r.bytes, 4u);
    EXPECT_EQ(le32(speed.data()), 4u);
    EXPECT_EQ(h->ioctl(0x220000, {}, {}).error, 1u);
    EXPECT_EQ(h->ioctl(kSpeedIoctl, {}, std::span(speed).first(2)).error, 87u);
}

TEST_F(SeamTest, ConfiguredUsb2SpeedIsReported) {
    sim::CameraConfig config;
    config.deviceSpeed = 3;
    auto camera = attach(config);
    auto h = driver::openDevice(camera->devicePath(), false);
    std::array<uint8_t, 4> speed{};
    ASSERT_EQ(h->ioctl(kSpeedIoctl, speed, speed).error, 0u);
    EXPECT_EQ(le32(speed.data()), 3u);
}

}  // namespace
}  // namespace kelvra::test

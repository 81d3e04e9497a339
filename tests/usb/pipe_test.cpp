// Reset pipe, reset port and device speed.
#include "UsbFixture.h"
#include "transport/RequestEncoding.h"

namespace kelvra::driver::usb::test {
namespace {

using ::testing::ElementsAre;

TEST_F(UsbTest, ResetPipeClearsTheHaltOfThatEndpoint) {
    auto handle = Backend().open(PlugCamera(), false);
    for (uint8_t endpoint : {kEndpointStreamIn, kEndpointBulkOut, kEndpointSyncIn}) {
        EXPECT_EQ(handle->ioctl(kIoctlResetPipe, {&endpoint, 1}, {}).error, kErrorSuccess);
    }
    EXPECT_THAT(Fake().clearedHalts(device_), ElementsAre(0x81, 0x01, 0x83));
    EXPECT_EQ(Fake().claims(device_), 1);
}

TEST_F(UsbTest, ResetPipeRefusesAMissingOrForeignEndpoint) {
    auto handle = Backend().open(PlugCamera(), false);
    uint8_t control = kEndpointControl;
    EXPECT_EQ(handle->ioctl(kIoctlResetPipe, {}, {}).error, kErrorInvalidParameter);
    EXPECT_EQ(handle->ioctl(kIoctlResetPipe, {&control, 1}, {}).error, kErrorInvalidParameter);
    EXPECT_TRUE(Fake().clearedHalts(device_).empty());
}

TEST_F(UsbTest, ResetPortEndsTransfersInFlightThenResetsTheCamera) {
    const std::string path = PlugCamera();
    auto stream = Backend().open(path, true);
    auto control = Backend().open(path, false);
    transport::TransferRecord record = transport::MakeDirectRecord(kEndpointStreamIn);
    std::array<uint8_t, 64> header{};
    Overlapped read;
    ASSERT_EQ(stream->submit(kIoctlDirectTransfer, record, header, read).error, kErrorIoPending);
    EXPECT_EQ(control->ioctl(kIoctlResetPort, {}, {}).error, kErrorSuccess);
    EXPECT_EQ(Fake().resets(device_), 1);
    read.wait(-1);
    EXPECT_EQ(read.result().error, kErrorOperationAborted);
}

TEST_F(UsbTest, ACameraThatComesBackDifferentAfterResetIsGone) {
    auto handle = Backend().open(PlugCamera(), false);
    Fake().setResetResult(LIBUSB_ERROR_NOT_FOUND);
    EXPECT_EQ(handle->ioctl(kIoctlResetPort, {}, {}).error, kErrorDeviceNotConnected);
    Fake().unplug(device_);
    EXPECT_EQ(handle->ioctl(kIoctlResetPort, {}, {}).error, kErrorDeviceNotConnected);
}

TEST_F(UsbTest, DeviceSpeedUsesTheWindowsDriversCodes) {
    const std::pair<int, uint32_t> speeds[] = {
        {LIBUSB_SPEED_SUPER, 4}, {LIBUSB_SPEED_SUPER_PLUS, 4}, {LIBUSB_SPEED_HIGH, 2},
        {LIBUSB_SPEED_FULL, 1},  {LIBUSB_SPEED_LOW, 1},        {LIBUSB_SPEED_UNKNOWN, 0},
    };
    uint8_t port = 1;
    for (const auto& [speed, code] : speeds) {
        fake::DeviceSetup setup = CameraAt(1, {port++});
        setup.speed = speed;
        auto handle = Backend().open(PlugCamera(setup), false);
        std::array<uint8_t, 4> word{0xFF, 0xFF, 0xFF, 0xFF};
        const IoResult result = handle->ioctl(kIoctlDeviceSpeed, word, word);
        EXPECT_EQ(result.error, kErrorSuccess);
        EXPECT_EQ(result.bytes, 4u);
        EXPECT_EQ(loadU32(word.data()), code) << speed;
    }
    auto handle = Backend().open(PathOf(CameraAt(1, {1})), false);
    std::array<uint8_t, 3> tooShort{};
    EXPECT_EQ(handle->ioctl(kIoctlDeviceSpeed, {}, tooShort).error, kErrorInvalidParameter);
}

}  // namespace
}  // namespace kelvra::driver::usb::test

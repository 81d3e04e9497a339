// A four-channel CCD camera (0x30C0) through the public API: the black level the front restores
// and the exposure go to its two timing generators through the controller's sensor register
// request, and the sensor is powered down as the handle is released.
#include "ProductFixture.h"

namespace kelvra::test {
namespace {

using ChannelCcdCamera = ProductTest;

TEST_F(ChannelCcdCamera, ExposureReachesBothGeneratorsAndReleasePowersTheSensorDown) {
    // Opening restored the stored black level: FPGA 0xA2/0xA3 and both generators' clamp.
    EXPECT_EQ(Fpga(0xA2) | Fpga(0xA3) << 8, camera_->sensorWord(0x0006));
    EXPECT_EQ(camera_->sensorWord(0x8006), camera_->sensorWord(0x0006));

    ASSERT_EQ(Kelvra_SetExposureTime(handle_, 50), 1);  // 5 ms of 175 us lines
    EXPECT_EQ(camera_->sensorWord(0x0001), 28);
    EXPECT_EQ(camera_->sensorWord(0x8001), 28);
    int ok = 0;
    EXPECT_EQ(Kelvra_GetExposureTime(handle_, &ok), 50);
    EXPECT_EQ(camera_->sensorWord(0x0000) & 1, 1);  // both timing generators running
    EXPECT_EQ(camera_->sensorWord(0x8000) & 1, 1);
    EXPECT_EQ(Fpga(0xA0), 1);

    ASSERT_EQ(Kelvra_Release(handle_), 1);
    handle_ = 0;
    EXPECT_EQ(camera_->sensorWord(0x0000), 0);
    EXPECT_EQ(camera_->sensorWord(0x8000), 0);
    EXPECT_EQ(Fpga(0xA0), 0);
}

}  // namespace
}  // namespace kelvra::test

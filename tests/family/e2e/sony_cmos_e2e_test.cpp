// A Sony CMOS camera (0x31C0, IMX252) through the public API: its window, 16-bit output
// switched in the sensor along with the FPGA, and frames without the sensor's lead lines.
#include "ProductFixture.h"

namespace kelvra::test {
namespace {

using SonyCmosCamera = ProductTest;

TEST_F(SonyCmosCamera, SixteenBitPreviewSwitchesTheSensorsConversionDepth) {
    ASSERT_EQ(Kelvra_SetCaptureWindowEx(handle_, 2048, 256, 1024, 1536, 0, 1024), 1);
    const std::vector<uint8_t> frame = GrabFrame(1024, 1024);
    EXPECT_EQ(camera_->sensorRegister(0x3009), 0);  // 8-bit output: 10-bit conversion
    EXPECT_EQ(FpgaPair(72), 9u);                    // the sensor's lead lines cut away
    EXPECT_GT(RowMean(frame, 1024, 0), 0.5 * RowMean(frame, 1024, 512));
    EXPECT_EQ(camera_->sensorRegister(0x3300) | camera_->sensorRegister(0x3301) << 8, 256);

    ASSERT_EQ(Kelvra_SetColorMode(handle_, 16), 1);
    std::vector<uint8_t> frame16(size_t(1024) * 1024 * 2);
    ASSERT_EQ(Kelvra_CallBackPreview(handle_, window_, frame16.data(), int(frame16.size()), 1), 1);
    ASSERT_NE(NextFrame(10000), nullptr);
    ASSERT_EQ(Kelvra_StopPreview(handle_), 1);
    EXPECT_EQ(camera_->sensorRegister(0x3009), 1);
    EXPECT_EQ(Fpga(60), 2);
    EXPECT_TRUE(failures_.empty());
}

}  // namespace
}  // namespace kelvra::test

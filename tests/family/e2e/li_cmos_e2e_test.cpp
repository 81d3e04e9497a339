// An LI CMOS camera (0x3320, LI5040) through the public API: window and exposure in seconds go
// to the sensor's registers in the FPGA, and frames arrive as memory-window blocks.
#include "ProductFixture.h"

namespace kelvra::test {
namespace {

using LiCmosCamera = ProductTest;

TEST_F(LiCmosCamera, WindowAndExposureGoToTheFpgaAndBlocksArrive) {
    ASSERT_EQ(Kelvra_SetExposureTimeEx(handle_, 0.004), 1);
    int ok = 0;
    EXPECT_NEAR(Kelvra_GetExposureTimeEx(handle_, &ok), 0.004, 1e-9);
    // 4 ms of lines of 2800 clocks at 36 MHz.
    const uint32_t lines = Fpga(0xB9) | Fpga(0xBA) << 8 | Fpga(0xBB) << 16;
    EXPECT_EQ(lines, uint32_t(0.004 / (2800.0 / 36e6)));
    ASSERT_EQ(Kelvra_SetCaptureWindowEx(handle_, 2592, 8, 1024, 2056, 16, 1000), 1);
    const std::vector<uint8_t> frame = GrabFrame(1024, 1000);
    EXPECT_EQ(FpgaPair(0xB1), 8u);
    EXPECT_EQ(FpgaPair(0xB3), 16u);
    EXPECT_EQ(FpgaPair(0xB5), 1024u);
    EXPECT_EQ(FpgaPair(0xB7), 1000u);
    EXPECT_GT(RowMean(frame, 1024, 500), 0.0);  // the block holds the sensor's frame
    EXPECT_TRUE(failures_.empty());
}

}  // namespace
}  // namespace kelvra::test

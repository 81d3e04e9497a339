// A colour CMOS camera (0x3030, MT9P001) through the public API: colour gains in its own
// registers, and frames of a window cut out of its 2592 x 1944 array.
#include "ProductFixture.h"

namespace kelvra::test {
namespace {

using ColourCmosCamera = ProductTest;

TEST_F(ColourCmosCamera, ColourGainsReachTheChipAndFramesFollowTheWindow) {
    ASSERT_EQ(Kelvra_SetColorGainRed(handle_, 30), 1);
    ASSERT_EQ(Kelvra_SetColorGainBlue(handle_, 63), 1);  // the maximum
    int ok = 0;
    EXPECT_EQ(Kelvra_GetColorGainRed(handle_, &ok), 30);
    EXPECT_EQ(ok, 1);
    // MT9P001 register n sits at bytes 2n (high) and 2n + 1 of the simulated register file.
    EXPECT_EQ(camera_->sensorRegister(2 * 0x2D + 1), 30);
    EXPECT_EQ(camera_->sensorRegister(2 * 0x2C + 1), 63);

    ASSERT_EQ(Kelvra_SetCaptureWindowEx(handle_, 2592, 640, 640, 1944, 480, 480), 1);
    const std::vector<uint8_t> frame = GrabFrame(640, 480);
    // The device programmed the sensor's two lead lines away: no black rows on top.
    EXPECT_EQ(FpgaPair(72), 2u);
    EXPECT_GT(RowMean(frame, 640, 0), 0.5 * RowMean(frame, 640, 240));
    EXPECT_EQ(camera_->sensorRegister(2 * 0x02 + 1), 640 & 0xFF);  // column start
    EXPECT_TRUE(failures_.empty());
}

}  // namespace
}  // namespace kelvra::test

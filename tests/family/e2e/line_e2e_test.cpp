// A line-sensor camera (0x31A0, 256 pixels a line) through the public API: the window height
// is the number of lines per frame, and a new height reaches registers 64/65 and the frames.
#include "ProductFixture.h"

namespace kelvra::test {
namespace {

using LineCamera = ProductTest;

TEST_F(LineCamera, FramesHaveAsManyLinesAsTheWindowAsks) {
    for (const int lines : {1024, 512}) {
        ASSERT_EQ(Kelvra_SetCaptureWindowEx(handle_, 256, 0, 256, lines, 0, lines), 1);
        const std::vector<uint8_t> frame = GrabFrame(256, lines);
        EXPECT_EQ(camera_->sensorRegister(64) | camera_->sensorRegister(65) << 8, lines);
        EXPECT_GT(RowMean(frame, 256, lines - 1), 0.0);
    }
    EXPECT_TRUE(failures_.empty());
}

}  // namespace
}  // namespace kelvra::test

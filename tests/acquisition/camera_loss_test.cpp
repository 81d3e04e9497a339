// A camera unplugged outside a plain preview: in trigger mode, in capture mode and while
// recording.
#include <chrono>
#include <filesystem>
#include <fstream>
#include <vector>

#include "acquisition/AcquisitionFixture.h"

namespace kelvra::test {
namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

uint32_t Le32At(const fs::path& path, std::streamoff at) {
    std::ifstream in(path, std::ios::binary);
    uint8_t b[4] = {};
    in.seekg(at);
    in.read(reinterpret_cast<char*>(b), 4);
    return b[0] | b[1] << 8 | b[2] << 16 | static_cast<uint32_t>(b[3]) << 24;
}

class CameraLoss : public AcquisitionTest {
  protected:
    // Waits for the failure message of a lost camera.
    bool LossReported() {
        const auto end = Clock::now() + std::chrono::seconds(10);
        while (Clock::now() < end && failures_.empty()) NextFrame(100);
        return failures_ == std::vector<int>{KELVRA_ERR_CAMERA_LOST};
    }
};

TEST_F(CameraLoss, InTriggerModeIsReportedAndEndsTheLoop) {
    ASSERT_EQ(Kelvra_Trigger(handle_, window_, nullptr, 0, 1), 1);
    ASSERT_TRUE(camera_->fireTrigger());
    ASSERT_NE(NextFrame(), nullptr);
    camera_->unplug();
    EXPECT_TRUE(LossReported());
    EXPECT_EQ(DrainErrors(), std::vector<int>{KELVRA_ERR_CAMERA_LOST});
    EXPECT_EQ(Kelvra_StopPreview(handle_), 1);
    EXPECT_EQ(Kelvra_Trigger(handle_, window_, nullptr, 0, 1), 0);
    EXPECT_EQ(DrainErrors(), std::vector<int>{KELVRA_ERR_NOT_PRESENT});
}

TEST_F(CameraLoss, InCaptureModeEverySnapshotSaysSo) {
    ASSERT_EQ(Kelvra_Capture(handle_), 1);
    ASSERT_EQ(Kelvra_SnapShot(handle_, nullptr, 0, 1), 1);
    camera_->unplug();
    for (int shot = 0; shot < 2; ++shot) {
        EXPECT_EQ(Kelvra_SnapShot(handle_, nullptr, 0, 1), 0);
        EXPECT_EQ(DrainErrors(), std::vector<int>{KELVRA_ERR_CAMERA_LOST}) << "shot " << shot;
    }
    EXPECT_EQ(Kelvra_StopPreview(handle_), 1);
}

// The file's rate comes from the frames it holds, not from the duration asked for, so that a
// recording cut short by a lost camera plays at the speed it was taken.
TEST_F(CameraLoss, RecordingThroughALossPlaysAtTheRateItWasTaken) {
    const fs::path avi = config_.Dir() / "lost.avi";
    const auto start = Clock::now();
    ASSERT_EQ(Kelvra_Record(handle_, avi.c_str(), 3000, 0), 1);
    // The file appears only when it is finalised; the processed-frame count shows progress.
    const auto processed = [&] {
        KELVRA_STREAM_STATS stats{};
        stats.size = sizeof stats;
        return Kelvra_GetStreamStatistics(handle_, &stats) == 1 ? stats.framesProcessed : 0;
    };
    while (processed() < 4 && Clock::now() - start < std::chrono::seconds(10)) Pause(5);
    camera_->unplug();
    // No frame comes after the loss is reported but one already on its way, a poll later.
    auto end = Clock::now() + std::chrono::seconds(10);
    while (Kelvra_GetLastError(handle_) != KELVRA_ERR_CAMERA_LOST && Clock::now() < end) Pause(5);
    const double seconds = std::chrono::duration<double>(Clock::now() - start).count() + 0.1;
    end = Clock::now() + std::chrono::seconds(10);
    while (Le32At(avi, 4) == 0 && Clock::now() < end) Pause(20);
    ASSERT_NE(Le32At(avi, 4), 0u) << "finalised at the end of its duration";
    const uint32_t frames = Le32At(avi, 48);
    ASSERT_GE(frames, 2u);
    const double rate = 1e6 / Le32At(avi, 32);
    EXPECT_GE(rate, (frames - 1) / seconds);
    EXPECT_EQ(Kelvra_StopPreview(handle_), 1);
}

}  // namespace
}  // namespace kelvra::test

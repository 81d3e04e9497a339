// The processing chain as an application meets it through the public API: grey balance on the
// stored defaults, 16-bit frames with every tone step on, a snapshot from a thread with a small
// stack, and flat-field references replaced between frames by a capture or a mask file.
#include <pthread.h>

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <vector>

#include "acquisition/AcquisitionFixture.h"

namespace kelvra::test {
namespace {

constexpr int kW = 1280, kH = 1024;
constexpr int kMax12 = 4095;

class ProcessingChain : public AcquisitionTest {
  protected:
    void SetUp() override {
        AcquisitionTest::SetUp();
        // A still scene: no noise, and a sensor temperature that does not drift.
        camera_->setThermalTimeConstant(1e9);
    }

    // One frame in the colour mode in use (8 or 16 bits per pixel), sample by sample. A
    // sanitizer build under load can miss the 3 s frame timeout; a timed-out snapshot (code 8)
    // is taken again.
    std::vector<int> Snap() {
        std::vector<uint8_t> bytes(static_cast<size_t>(kW) * kH * (bits_ / 8), 0);
        int result = 0;
        for (int attempt = 0; attempt < 3 && result != 1; ++attempt) {
            result = Kelvra_SnapShot(handle_, bytes.data(), static_cast<int>(bytes.size()), 1);
            if (result != 1) {
                EXPECT_EQ(Kelvra_GetLastError(handle_), KELVRA_ERR_TRANSFER);
            }
        }
        EXPECT_EQ(result, 1);
        std::vector<int> samples(static_cast<size_t>(kW) * kH);
        for (size_t i = 0; i < samples.size(); ++i) {
            samples[i] = bits_ == 8 ? bytes[i] : bytes[2 * i] | bytes[2 * i + 1] << 8;
        }
        return samples;
    }

    void UseBits(int bits) {
        ASSERT_EQ(Kelvra_StopPreview(handle_), 1);
        ASSERT_EQ(Kelvra_SetColorMode(handle_, bits), 1);
        bits_ = bits;
    }

    static double Mean(const std::vector<int>& f) {
        double sum = 0;
        for (int v : f) sum += v;
        return sum / static_cast<double>(f.size());
    }

    static int Highest(const std::vector<int>& f) { return *std::max_element(f.begin(), f.end()); }

    int bits_ = 8;
};

// Grey mode 1 with the stored defaults (gains and offsets 128) used to lift every pixel by 128
// as soon as one gain moved a step. Now only the mosaic position of that gain changes, by at
// most v / 128, at both depths.
TEST_F(ProcessingChain, GreyGainWithDefaultOffsetsNoLongerLiftsEveryPixel) {
    for (int bits : {8, 16}) {
        SCOPED_TRACE(bits);
        ASSERT_NO_FATAL_FAILURE(UseBits(bits));
        ASSERT_EQ(Kelvra_SetGrayMode(handle_, 0), 1);
        const std::vector<int> plain = Snap();
        ASSERT_EQ(Kelvra_SetGrayMode(handle_, 1), 1);
        int ok = 0;
        EXPECT_EQ(Kelvra_GetGrayOffsetG1(handle_, &ok), 128);
        ASSERT_EQ(Kelvra_SetGrayGainR(handle_, 129), 1);
        const std::vector<int> graded = Snap();
        size_t unchanged = 0, wrong = 0;
        for (size_t i = 0; i < plain.size(); ++i) {
            unchanged += graded[i] == plain[i];
            wrong += graded[i] < plain[i] || graded[i] > plain[i] + plain[i] / 128;
        }
        EXPECT_GE(unchanged, plain.size() * 3 / 4) << "only one position of four may change";
        EXPECT_EQ(wrong, 0u);
        ASSERT_EQ(Kelvra_SetGrayGainR(handle_, 128), 1);
        EXPECT_EQ(Snap(), plain) << "gains and offsets of 128 leave the frame as it came";
    }
}

// Contrast 16 turned a 16-bit frame black and gamma 200 gave samples up to 16381. With every
// tone step on at once, frames keep their 12-bit range and their picture.
TEST_F(ProcessingChain, SixteenBitToneStepsKeepTwelveBitSamples) {
    ASSERT_NO_FATAL_FAILURE(UseBits(16));
    const auto plain = Snap();
    ASSERT_LE(Highest(plain), kMax12);
    ASSERT_EQ(Kelvra_SetContrast(handle_, 16), 1);
    const auto contrasted = Snap();
    EXPECT_GT(Mean(contrasted), Mean(plain) / 2) << "contrast 16 must not blacken the frame";
    EXPECT_LE(Highest(contrasted), kMax12);
    ASSERT_EQ(Kelvra_SetGamma(handle_, 200), 1);
    ASSERT_EQ(Kelvra_SetSharpness(handle_, 20), 1);
    ASSERT_EQ(Kelvra_SetBrightness(handle_, 120), 1);
    const auto all = Snap();
    EXPECT_LE(Highest(all), kMax12);
    EXPECT_EQ(Highest(all), kMax12) << "brightness 120 saturates the highlights at 4095";
    EXPECT_GT(Mean(all), Mean(contrasted));
}

// A thread with a 128 KiB stack (musl's default) takes snapshots with every monochrome step on;
// the 16-bit gamma table alone used to take 128 KiB of that stack.
struct SmallStackRun {
    int handle;
    int bits;
    int result;
};

void* SnapOnSmallStack(void* arg) {
    auto* run = static_cast<SmallStackRun*>(arg);
    std::vector<uint8_t> frame(static_cast<size_t>(kW) * kH * (run->bits / 8));
    run->result = 0;
    for (int attempt = 0; attempt < 3 && run->result != 1; ++attempt) {
        run->result = Kelvra_SnapShot(run->handle, frame.data(), static_cast<int>(frame.size()), 1);
    }
    return nullptr;
}

TEST_F(ProcessingChain, SnapshotWithProcessingOnRunsOnA128KiBThreadStack) {
    ASSERT_EQ(Kelvra_SetGamma(handle_, 150), 1);
    ASSERT_EQ(Kelvra_SetContrast(handle_, 10), 1);
    ASSERT_EQ(Kelvra_SetSharpness(handle_, 5), 1);
    ASSERT_EQ(Kelvra_SetBrightness(handle_, 10), 1);
    ASSERT_EQ(Kelvra_SetMaskFilter(handle_, 1), 1);
    ASSERT_EQ(Kelvra_SetDotFilter(handle_, 1), 1);
    ASSERT_EQ(Kelvra_SetGrayMode(handle_, 1), 1);
    ASSERT_EQ(Kelvra_SetGrayGainB(handle_, 140), 1);
    for (int bits : {16, 8}) {
        SCOPED_TRACE(bits);
        ASSERT_NO_FATAL_FAILURE(UseBits(bits));
        pthread_attr_t attr;
        ASSERT_EQ(pthread_attr_init(&attr), 0);
        ASSERT_EQ(pthread_attr_setstacksize(&attr, 128 * 1024), 0);
        SmallStackRun run{handle_, bits, 0};
        pthread_t thread;
        ASSERT_EQ(pthread_create(&thread, &attr, SnapOnSmallStack, &run), 0);
        ASSERT_EQ(pthread_join(thread, nullptr), 0);
        pthread_attr_destroy(&attr);
        EXPECT_EQ(run.result, 1);
    }
}

// The flat-field correction follows its references however they change between frames: a white
// reference captured from the scene itself, then the defaults loaded back from a mask file. The
// scene stays still throughout, so equal references give equal frames.
TEST_F(ProcessingChain, FlatFieldFollowsReferencesReplacedBetweenFrames) {
    const std::filesystem::path mask = config_.Dir() / "defaults.msk";
    ASSERT_EQ(Kelvra_SaveMaskFile(handle_, mask.c_str()), 1);
    ASSERT_EQ(Kelvra_SetMaskFilter(handle_, 1), 1);
    for (int bits : {8, 16}) {
        SCOPED_TRACE(bits);
        ASSERT_NO_FATAL_FAILURE(UseBits(bits));
        const auto first = Snap();  // dark 0, white full scale: the frame as it came
        ASSERT_EQ(Kelvra_UpdateMaskData(handle_, 1), 1);
        // The scene is its own white reference now: every pixel comes out at full scale.
        const auto second = Snap();
        const int full = bits == 8 ? 255 : kMax12;
        EXPECT_GT(Mean(second), 0.97 * full) << "the captured reference must take effect";
        ASSERT_EQ(Kelvra_LoadMaskFile(handle_, mask.c_str()), 1);
        EXPECT_EQ(Snap(), first) << "the loaded references must take effect";
    }
}

}  // namespace
}  // namespace kelvra::test

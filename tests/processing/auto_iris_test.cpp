#include <gtest/gtest.h>

#include "ProcessingTestSupport.h"
#include "front/processing/AutoIris.h"

namespace kelvra::processing::test {
namespace {

constexpr int32_t kIrisWidth = 200;
constexpr int32_t kIrisHeight = 100;

// Paints measuring rectangle k (percent corners as the kernel runner counts them: rows from the
// bottom of the buffer) with value v.
void PaintRectangle(CDibImage& im, int k, uint32_t v) {
    static const int32_t corners[5][4] = {
        {10, 10, 20, 20}, {10, 80, 20, 90}, {45, 45, 55, 55}, {80, 10, 90, 20}, {80, 80, 90, 90}};
    const int32_t w = im.Width();
    const int32_t h = im.Height();
    const int32_t left = corners[k][0] * w / 100, right = corners[k][2] * w / 100;
    const int32_t top = corners[k][1] * h / 100, bottom = corners[k][3] * h / 100;
    for (int32_t y = h - bottom; y < h - top; ++y) {
        for (int32_t x = left; x < right; ++x) Set(im, x, y, v);
    }
}

// A frame whose first rectangle has mean `first` and the other four `others`.
std::unique_ptr<CDibImage> Frame(int32_t bits, uint32_t first, uint32_t others) {
    auto im = MakeImage(kIrisWidth, kIrisHeight, bits, 7);
    for (int k = 1; k < 5; ++k) PaintRectangle(*im, k, others);
    PaintRectangle(*im, 0, first);
    return im;
}

TEST(AutoIrisMeasure, EachRectangleMeasuresItsOwnArea) {
    auto im = MakeImage(kIrisWidth, kIrisHeight, 8, 3);
    for (int k = 0; k < 5; ++k) PaintRectangle(*im, k, 10 + 40 * k);
    const IrisMeans m = MeasureIrisMeans(*im);
    for (int k = 0; k < 5; ++k) EXPECT_EQ(m.mean[k], 10 + 40 * k) << "rectangle " << k;
}

TEST(AutoIrisMeasure, SixteenBitSamplesAreShiftedToEightBits) {
    auto im = Frame(16, 250 << 4 | 15, 120 << 4);
    const IrisMeans m = MeasureIrisMeans(*im);
    EXPECT_EQ(m.mean[0], 250);
    EXPECT_EQ(m.mean[3], 120);
}

TEST(AutoIrisFactor, BandsOfTheFirstAndOtherRectangles) {
    EXPECT_EQ(IrisFactor({{130, 100, 159, 120, 160}}), 100);
    EXPECT_EQ(IrisFactor({{201, 161, 200, 170, 199}}), 45);
    EXPECT_EQ(IrisFactor({{49, 40, 10, 0, 49}}), 150);
    EXPECT_EQ(IrisFactor({{99, 99, 50, 99, 50}}), 125);
    EXPECT_EQ(IrisFactor({{161, 201, 130, 130, 130}}), 75);
}

TEST(AutoIrisFactor, DeadBandEndsAreExclusive) {
    // 1.0 - 4 x 0.1 and 1.0 + 4 x 0.05: exactly on the limits, which act.
    const int32_t low = IrisFactor({{130, 170, 170, 170, 170}});
    const int32_t high = IrisFactor({{130, 60, 60, 60, 60}});
    EXPECT_EQ(low, 60);
    EXPECT_EQ(high, 120);
    EXPECT_TRUE(IrisFactorActs(low));
    EXPECT_TRUE(IrisFactorActs(high));
    EXPECT_FALSE(IrisFactorActs(61));
    EXPECT_FALSE(IrisFactorActs(119));
}

TEST(AutoIrisExposure, NeutralFrameLeavesExposureAlone) {
    RecordingDevice device;
    FrameFeedback fb;
    auto im = Frame(8, 130, 110);
    RunAutoIris(kAutoIrisExposure, *im, device, fb);
    EXPECT_TRUE(device.log.empty());
    EXPECT_FALSE(fb.exposureChanged);
    EXPECT_FALSE(fb.gainChanged);
}

TEST(AutoIrisExposure, BrightFrameScalesExposureBy045) {
    RecordingDevice device;
    device.exposure = 1000;
    device.secondsSupported = true;
    FrameFeedback fb;
    auto im = Frame(8, 230, 180);
    RunAutoIris(kAutoIrisExposure, *im, device, fb);
    ASSERT_EQ(device.log.size(), 1u);
    EXPECT_EQ(device.log[0], "SetExposureTime 450");
    EXPECT_TRUE(fb.exposureChanged);
    EXPECT_EQ(fb.exposure, 450);
    EXPECT_TRUE(fb.exposureSecondsRead);
    EXPECT_DOUBLE_EQ(fb.exposureSeconds, 0.25);
    EXPECT_FALSE(fb.gainChanged);
}

TEST(AutoIrisExposure, FactorsExactlyOnTheLimitsAdjust) {
    RecordingDevice device;
    device.exposure = 1000;
    FrameFeedback fb;
    RunAutoIris(kAutoIrisExposure, *Frame(8, 130, 170), device, fb);
    EXPECT_EQ(fb.exposure, 600);
    RunAutoIris(kAutoIrisExposure, *Frame(8, 130, 60), device, fb);
    EXPECT_EQ(fb.exposure, 720);
}

TEST(AutoIrisExposure, ClampsToLimitsAndNeverWrapsAtSixteenBits) {
    EXPECT_EQ(NextExposure(70000, 120, 3, 600000), 84000);
    EXPECT_EQ(NextExposure(70000, 120, 3, 80000), 80000);
    EXPECT_EQ(NextExposure(1, 45, 0, 100), 1);
    EXPECT_EQ(NextExposure(10, 45, 8, 100), 8);
}

TEST(AutoIrisExposure, RefusedValueIsNotReported) {
    RecordingDevice device;
    device.acceptSet = false;
    FrameFeedback fb;
    RunAutoIris(kAutoIrisExposure, *Frame(8, 230, 180), device, fb);
    EXPECT_EQ(device.log.size(), 1u);
    EXPECT_FALSE(fb.exposureChanged);
    EXPECT_FALSE(fb.exposureSecondsRead);
}

TEST(AutoIrisGain, ScalesGainAndReportsIt) {
    RecordingDevice device;
    device.gain = 200;
    FrameFeedback fb;
    RunAutoIris(kAutoIrisGain, *Frame(16, 230 << 4, 180 << 4), device, fb);
    ASSERT_EQ(device.log.size(), 1u);
    EXPECT_EQ(device.log[0], "SetGain 90");
    EXPECT_TRUE(fb.gainChanged);
    EXPECT_EQ(fb.gain, 90);
    EXPECT_FALSE(fb.exposureChanged);
}

TEST(AutoIrisGain, ClampsAndRaisesFromAtLeastFour) {
    EXPECT_EQ(NextGain(0, 150, 0, 480), 6);  // max(0, 4) x 1.5
    EXPECT_EQ(NextGain(3, 120, 0, 480), 4);  // max(3, 4) x 1.2 = 4.8
    EXPECT_EQ(NextGain(100, 45, 50, 480), 50);
    EXPECT_EQ(NextGain(400, 120, 0, 480), 480);  // exactly the maximum
    EXPECT_EQ(NextGain(400, 150, 0, 480), 480);
    EXPECT_EQ(NextGain(400, 45, 0, 480), 180);
}

TEST(AutoIrisGain, OffModeTouchesNothing) {
    RecordingDevice device;
    FrameFeedback fb;
    RunAutoIris(kAutoIrisOff, *Frame(8, 250, 250), device, fb);
    RunAutoIris(3, *Frame(8, 250, 250), device, fb);
    EXPECT_TRUE(device.log.empty());
    EXPECT_FALSE(fb.gainChanged || fb.exposureChanged);
}

}  // namespace
}  // namespace kelvra::processing::test

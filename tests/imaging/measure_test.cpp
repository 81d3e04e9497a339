#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <random>

#include "BayerReference.h"
#include "PlaneTestUtil.h"
#include "imaging/CDibImage.h"
#include "imaging/KernelRunner.h"
#include "imaging/MeasureKernels.h"

namespace kelvra {
namespace {

using test::Plane;

int Measure(PixelKernel kernel, Plane& image, void* param, Rect region) {
    return test::Call(kernel, image, image, param, region);
}

TEST(MeanKernelTest, MeansOfRandomRegionsBothDepths) {
    std::mt19937 rng(51);
    for (const test::Size& size : test::OddSizes()) {
        for (bool wide : {false, true}) {
            Plane image(size.width, size.height, wide ? 2 : 1);
            image.Randomize(rng);
            const Rect region{size.width / 3, size.height / 4, size.width, size.height};
            int64_t sum = 0;
            int64_t count = 0;
            for (int32_t y = region.top; y < region.bottom; ++y) {
                for (int32_t x = region.left; x < region.right; ++x) {
                    sum += wide ? image.Get16(x, y) >> 4 : image.At(x, y)[0];
                    ++count;
                }
            }
            EXPECT_EQ(Measure(wide ? MeanMono16 : MeanMono8, image, nullptr, region), sum / count)
                << size.width << " x " << size.height;
        }
    }
}

TEST(MeanKernelTest, EmptyRegionIsZero) {
    Plane image(4, 4, 1);
    image.bytes.assign(image.bytes.size(), 200);
    EXPECT_EQ(Measure(MeanMono8, image, nullptr, Rect{2, 2, 2, 4}), 0);
    EXPECT_EQ(Measure(MeanMono8, image, nullptr, Rect{2, 3, 4, 3}), 0);
    Plane wide(4, 4, 2);
    EXPECT_EQ(Measure(MeanMono16, wide, nullptr, Rect{0, 0, 0, 0}), 0);
}

TEST(MeanKernelTest, AutoExposureRectangleThroughTheRunner) {
    // The runner counts rows from the bottom: rows 10..19 of a 100-row image are memory rows
    // 80..89.
    CDibImage image;
    ASSERT_EQ(image.Create(100, 100, 8), 1);
    for (int32_t y = 80; y < 90; ++y) {
        for (int32_t x = 10; x < 20; ++x) image.Bits()[y * image.Stride() + x] = 200;
    }
    const Rect rect{10, 10, 20, 20};
    EXPECT_EQ(RunKernel(image, MeanMono8, image, &rect, 0, 0, nullptr), 200);
}

struct WbExpectation {
    int32_t red;
    int32_t blue;
};

WbExpectation WhiteBalanceReference(const Plane& image, int phase, bool wide) {
    double sum[3] = {0, 0, 0};
    double count[3] = {0, 0, 0};
    for (int32_t y = 0; y < image.height; ++y) {
        for (int32_t x = 0; x < image.width; ++x) {
            const int k = static_cast<int>(test::CfaAt(phase, x, y));
            sum[k] += wide ? image.Get16(x, y) : image.At(x, y)[0];
            count[k] += 1;
        }
    }
    const double green = sum[0] / count[0];
    return WbExpectation{static_cast<int32_t>(std::trunc(100.0 * green / (sum[1] / count[1]))),
                         static_cast<int32_t>(std::trunc(100.0 * green / (sum[2] / count[2])))};
}

TEST(WhiteBalanceKernelTest, GainsOfRandomMosaicsAllPhases) {
    std::mt19937 rng(52);
    for (bool wide : {false, true}) {
        for (const test::Size& size : {test::Size{37, 9}, test::Size{2, 2}, test::Size{131, 5}}) {
            Plane image(size.width, size.height, wide ? 2 : 1);
            image.Randomize(rng);
            // Colour the mosaic unevenly so the gains differ from 100.
            for (int32_t y = 0; y < size.height; y += 2) {
                for (int32_t x = 0; x < size.width; ++x) image.At(x, y)[wide ? 1 : 0] /= 2;
            }
            for (int phase = 0; phase < 4; ++phase) {
                BayerGains gains{phase, -1, -1, -1};
                ASSERT_EQ(Measure(wide ? MeasureWhiteBalance16 : MeasureWhiteBalance8, image,
                                  &gains, image.Whole()),
                          1);
                const WbExpectation expected = WhiteBalanceReference(image, phase, wide);
                EXPECT_EQ(gains.phase, phase);
                EXPECT_EQ(gains.redGain, expected.red) << "phase " << phase;
                EXPECT_EQ(gains.greenGain, 100);
                EXPECT_EQ(gains.blueGain, expected.blue) << "phase " << phase;
            }
        }
    }
}

TEST(WhiteBalanceKernelTest, DarkColourKeepsUnityInsteadOfDividingByZero) {
    Plane image(6, 6, 1);
    for (int32_t y = 0; y < 6; ++y) {
        for (int32_t x = 0; x < 6; ++x) {
            // Phase 0: green where row and column parities agree, others black.
            image.At(x, y)[0] = (x % 2) == (y % 2) ? 90 : 0;
        }
    }
    BayerGains gains{0, 0, 0, 0};
    ASSERT_EQ(Measure(MeasureWhiteBalance8, image, &gains, image.Whole()), 1);
    EXPECT_EQ(gains.redGain, 100);
    EXPECT_EQ(gains.blueGain, 100);
    EXPECT_EQ(Measure(MeasureWhiteBalance8, image, nullptr, image.Whole()), 0);
}

TEST(GreyGainMeasureTest, FloatMeansOfUnsaturatedSamplesAllPhases) {
    std::mt19937 rng(53);
    for (const test::Size& size : {test::Size{37, 9}, test::Size{67, 11}}) {
        Plane image(size.width, size.height, 1);
        image.Randomize(rng);
        for (int phase = 0; phase < 4; ++phase) {
            uint32_t sum[4] = {0, 0, 0, 0};
            uint32_t count[4] = {0, 0, 0, 0};
            for (int32_t y = 0; y < size.height; ++y) {
                for (int32_t x = 0; x < size.width; ++x) {
                    const uint8_t v = image.At(x, y)[0];
                    if (v == 0 || v == 255) continue;
                    const int k = static_cast<int>(test::GreyPosAt(phase, x, y));
                    sum[k] += v;
                    ++count[k];
                }
            }
            auto mean = [&](test::GreyPos p) {
                const int k = static_cast<int>(p);
                return static_cast<float>(sum[k]) / static_cast<float>(count[k]);
            };
            auto gain = [&](test::GreyPos p) {
                return static_cast<int32_t>(mean(test::GreyPos::kG1) / mean(p) * 128.0f);
            };
            GrayGainOffset record{phase, 1, 2, 3, 4, 5, 6, 7, 8, 8};
            ASSERT_EQ(Measure(MeasureGrayGains, image, &record, image.Whole()), 1);
            EXPECT_EQ(record.gainR1, gain(test::GreyPos::kR1));
            EXPECT_EQ(record.gainG1, 128);
            EXPECT_EQ(record.gainG2, gain(test::GreyPos::kG2));
            EXPECT_EQ(record.gainB1, gain(test::GreyPos::kB1));
            EXPECT_EQ(record.offsetR1, 5);  // offsets untouched
            EXPECT_EQ(record.offsetB1, 8);
        }
    }
}

TEST(GreyGainMeasureTest, BlackAndSaturatedFramesKeepUnityGains) {
    for (uint8_t level : {uint8_t{0}, uint8_t{255}}) {
        Plane image(9, 9, 1);
        image.bytes.assign(image.bytes.size(), level);
        GrayGainOffset record{0, 1, 2, 3, 4, 0, 0, 0, 0, 8};
        ASSERT_EQ(Measure(MeasureGrayGains, image, &record, image.Whole()), 1);
        EXPECT_EQ(record.gainR1, 128);
        EXPECT_EQ(record.gainG1, 128);
        EXPECT_EQ(record.gainG2, 128);
        EXPECT_EQ(record.gainB1, 128);
    }
}

TEST(GreyGainMeasureTest, SixteenBitVariantCountsBelowTheDepthMaximum) {
    // 12-bit data: 4095 is saturated. G1 at 1000, R1 at 500 (gain 256), B1 at 2000 (gain 64),
    // G2 saturated except one pixel at 4000 (gain 32).
    Plane image(4, 4, 2);
    for (int32_t y = 0; y < 4; ++y) {
        for (int32_t x = 0; x < 4; ++x) {
            uint32_t v = 0;
            switch (test::GreyPosAt(0, x, y)) {
                case test::GreyPos::kG1:
                    v = 1000;
                    break;
                case test::GreyPos::kR1:
                    v = 500;
                    break;
                case test::GreyPos::kB1:
                    v = 2000;
                    break;
                case test::GreyPos::kG2:
                    v = (x == 1 && y == 1) ? 4000 : 4095;
                    break;
            }
            image.Set16(x, y, 0, v);
        }
    }
    GrayGainOffset record{0, 0, 0, 0, 0, 0, 0, 0, 0, 12};
    ASSERT_EQ(Measure(MeasureGrayGains16, image, &record, image.Whole()), 1);
    EXPECT_EQ(record.gainR1, 256);
    EXPECT_EQ(record.gainG1, 128);
    EXPECT_EQ(record.gainB1, 64);
    EXPECT_EQ(record.gainG2, 32);
}

}  // namespace
}  // namespace kelvra

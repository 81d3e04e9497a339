#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <random>

#include "BayerReference.h"
#include "PlaneTestUtil.h"
#include "imaging/GrayGainKernels.h"

namespace kelvra {
namespace {

using test::Plane;

int64_t MaxOf(int32_t bits, bool wide) {
    if (!wide) return 255;
    if (bits == 10) return 1023;
    if (bits == 12) return 4095;
    if (bits == 14) return 16383;
    return 65535;
}

Plane Expected(const Plane& src, const Plane& dst, const GrayGainOffset& r, bool wide) {
    Plane out = dst;
    for (int32_t y = 0; y < src.height; ++y) {
        for (int32_t x = 0; x < src.width; ++x) {
            int64_t gain = 0;
            int64_t offset = 0;
            switch (test::GreyPosAt(r.bayerMode, x, y)) {
                case test::GreyPos::kG1:
                    gain = r.gainG1;
                    offset = r.offsetG1;
                    break;
                case test::GreyPos::kR1:
                    gain = r.gainR1;
                    offset = r.offsetR1;
                    break;
                case test::GreyPos::kB1:
                    gain = r.gainB1;
                    offset = r.offsetB1;
                    break;
                case test::GreyPos::kG2:
                    gain = r.gainG2;
                    offset = r.offsetG2;
                    break;
            }
            const int64_t v = wide ? src.Get16(x, y) : src.At(x, y)[0];
            // 128 is the neutral offset.
            const int64_t result =
                std::clamp<int64_t>(offset - 128 + gain * v / 128, 0, MaxOf(r.bits, wide));
            if (wide) {
                out.Set16(x, y, 0, static_cast<uint32_t>(result));
            } else {
                out.At(x, y)[0] = static_cast<uint8_t>(result);
            }
        }
    }
    return out;
}

class GrayGainTest : public test::SimdTest {};

TEST_P(GrayGainTest, RandomGainsOffsetsPhasesAndDepths) {
    std::mt19937 rng(61);
    std::uniform_int_distribution<int32_t> gain(0, 255);
    // The settable offsets and beyond, so that the centred offset lifts as well as lowers.
    std::uniform_int_distribution<int32_t> offset(-255, 600);
    for (bool wide : {false, true}) {
        for (const test::Size& size : test::OddSizes()) {
            for (int phase = 0; phase < 4; ++phase) {
                for (int32_t bits : {8, 10, 12, 14, 16}) {
                    Plane src(size.width, size.height, wide ? 2 : 1, 4 * (phase % 2));
                    Plane dst(size.width, size.height, wide ? 2 : 1, 4 * (phase % 2));
                    if (wide && bits == 12) {
                        src.Randomize16(rng, 4095);
                    } else {
                        src.Randomize(rng);
                    }
                    dst.Randomize(rng);
                    GrayGainOffset r{phase,       gain(rng),   gain(rng),   gain(rng),   gain(rng),
                                     offset(rng), offset(rng), offset(rng), offset(rng), bits};
                    const Plane expected = Expected(src, dst, r, wide);
                    ASSERT_EQ(test::Call(wide ? GrayGainOffset16 : GrayGainOffset8, dst, src, &r,
                                         src.Whole()),
                              1);
                    ASSERT_TRUE(test::SameBytes(dst, expected))
                        << "phase " << phase << " bits " << bits;
                }
            }
        }
    }
}

TEST_P(GrayGainTest, MeasuredAndOutOfRangeGainsInPlace) {
    // Gains beyond the settable range (a measurement can give them), negative gains and large
    // offsets take the general arithmetic; all must match the definition.
    std::mt19937 rng(62);
    for (bool wide : {false, true}) {
        for (const GrayGainOffset& base :
             {GrayGainOffset{0, 32512, 128, 40000, 300, 0, 0, 0, 0, 12},
              GrayGainOffset{3, -50, 128, 128, 128, 0, 0, 0, 0, 16},
              GrayGainOffset{1, 128, 128, 128, 128, 70000, -70000, 5, 6, 16},
              GrayGainOffset{2, INT32_MAX, INT32_MIN, 1, 2, INT32_MAX, INT32_MIN, 0, 0, 8}}) {
            Plane image(67, 5, wide ? 2 : 1);
            image.Randomize(rng);
            GrayGainOffset r = base;
            const Plane expected = Expected(image, image, r, wide);
            ASSERT_EQ(test::CallInPlace(wide ? GrayGainOffset16 : GrayGainOffset8, image, &r), 1);
            ASSERT_TRUE(test::SameBytes(image, expected)) << "gain R1 " << r.gainR1;
        }
    }
}

TEST_P(GrayGainTest, GainsAndOffsetsOf128AreTheIdentityAtBothDepths) {
    std::mt19937 rng(63);
    for (bool wide : {false, true}) {
        Plane image(37, 9, wide ? 2 : 1);
        if (wide) {
            image.Randomize16(rng, 4095);
        } else {
            image.Randomize(rng);
        }
        const Plane before = image;
        GrayGainOffset r{0, 128, 128, 128, 128, 128, 128, 128, 128, wide ? 12 : 8};
        ASSERT_EQ(test::CallInPlace(wide ? GrayGainOffset16 : GrayGainOffset8, image, &r), 1);
        EXPECT_TRUE(test::SameBytes(image, before)) << (wide ? "16-bit" : "8-bit");
        // One gain a step away changes its own position only.
        r.gainR1 = 129;
        ASSERT_EQ(test::CallInPlace(wide ? GrayGainOffset16 : GrayGainOffset8, image, &r), 1);
        for (int32_t y = 0; y < image.height; ++y) {
            for (int32_t x = 0; x < image.width; ++x) {
                if (test::GreyPosAt(0, x, y) == test::GreyPos::kR1) continue;
                const uint32_t v = wide ? image.Get16(x, y) : image.At(x, y)[0];
                const uint32_t was = wide ? before.Get16(x, y) : before.At(x, y)[0];
                ASSERT_EQ(v, was) << x << "," << y;
            }
        }
    }
    Plane image(4, 4, 1);
    EXPECT_EQ(test::CallInPlace(GrayGainOffset8, image, nullptr), 0);
}

KELVRA_INSTANTIATE_SIMD(GrayGainTest);

}  // namespace
}  // namespace kelvra

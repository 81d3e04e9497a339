#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <random>

#include "PlaneTestUtil.h"
#include "imaging/SharpnessKernels.h"

namespace kelvra {
namespace {

using test::Plane;

// Interior pixels only: c + (c - m) * s / 10 with m the 4 x 4 mean of the copy.
Plane Expected(const Plane& copy, const Plane& image, int channels, bool wide, int32_t s) {
    Plane out = image;
    const int64_t max = wide ? 4095 : 255;  // 16-bit images carry 12-bit samples
    auto sample = [&](int32_t x, int32_t y, int c) -> int64_t {
        return wide ? copy.Get16(x, y, c) : copy.At(x, y)[c];
    };
    for (int32_t y = 2; y <= copy.height - 3; ++y) {
        for (int32_t x = 2; x <= copy.width - 3; ++x) {
            for (int c = 0; c < channels; ++c) {
                int64_t sum = 0;
                for (int32_t yy = y - 2; yy <= y + 1; ++yy) {
                    for (int32_t xx = x - 2; xx <= x + 1; ++xx) sum += sample(xx, yy, c);
                }
                const int64_t centre = sample(x, y, c);
                const int64_t result =
                    std::clamp<int64_t>(centre + (centre - (sum >> 4)) * s / 10, 0, max);
                if (wide) {
                    out.Set16(x, y, c, static_cast<uint32_t>(result));
                } else {
                    out.At(x, y)[c] = static_cast<uint8_t>(result);
                }
            }
        }
    }
    return out;
}

struct Layout {
    PixelKernel kernel;
    int channels;
    bool wide;
    int32_t dstBpp;
    int32_t srcBpp;
};

const Layout kLayouts[] = {{SharpnessMono8, 1, false, 1, 1},   {SharpnessColour8, 3, false, 3, 3},
                           {SharpnessColour8, 3, false, 4, 4}, {SharpnessColour8, 3, false, 3, 4},
                           {SharpnessMono16, 1, true, 2, 2},   {SharpnessColour16, 3, true, 6, 6},
                           {SharpnessColour16, 3, true, 8, 8}};

class SharpnessTest : public test::SimdTest {};

TEST_P(SharpnessTest, RandomImagesEveryLayoutAndStrength) {
    std::mt19937 rng(71);
    std::uniform_int_distribution<int32_t> strength(0, 30);
    for (const Layout& l : kLayouts) {
        for (const test::Size& size : test::OddSizes()) {
            for (int32_t s : {strength(rng), 30, -7, 129, 40000, INT32_MAX}) {
                Plane copy(size.width, size.height, l.srcBpp, 4 * (size.width % 2));
                Plane image(size.width, size.height, l.dstBpp);
                copy.Randomize(rng);
                image.Randomize(rng);
                const Plane expected = Expected(copy, image, l.channels, l.wide, s);
                int32_t value = s;
                ASSERT_EQ(test::Call(l.kernel, image, copy, &value, copy.Whole()), 1);
                ASSERT_TRUE(test::SameBytes(image, expected))
                    << "strength " << s << " channels " << l.channels << " bpp " << l.dstBpp
                    << " <- " << l.srcBpp;
            }
        }
    }
}

TEST_P(SharpnessTest, WideRowsRunThroughSeveralChunks) {
    std::mt19937 rng(72);
    for (const Layout& l : kLayouts) {
        Plane copy(2500, 5, l.srcBpp);
        Plane image(2500, 5, l.dstBpp);
        copy.Randomize(rng);
        image.Randomize(rng);
        const Plane expected = Expected(copy, image, l.channels, l.wide, 17);
        int32_t value = 17;
        ASSERT_EQ(test::Call(l.kernel, image, copy, &value, copy.Whole()), 1);
        ASSERT_TRUE(test::SameBytes(image, expected)) << "bpp " << l.dstBpp;
    }
}

// 16-bit images of 12-bit samples take 16-bit arithmetic for the settable strengths and a little
// beyond; a single wider sample sends its part of the row back to 32 bits. Every strength, rows
// wider than one pass, and a wide sample in the middle pass of one row.
TEST_P(SharpnessTest, TwelveBitSamplesAtEveryStrengthAndOneWideSample) {
    std::mt19937 rng(74);
    for (const Layout& l : kLayouts) {
        if (!l.wide) continue;
        Plane copy(700, 6, l.srcBpp);
        copy.Randomize16(rng, 4095);
        for (int32_t s = 0; s <= 41; ++s) {
            if (s == 20) copy.Set16(350, 3, 0, 65535);
            Plane image(700, 6, l.dstBpp);
            image.Randomize(rng);
            const Plane expected = Expected(copy, image, l.channels, l.wide, s);
            int32_t value = s;
            ASSERT_EQ(test::Call(l.kernel, image, copy, &value, copy.Whole()), 1);
            ASSERT_TRUE(test::SameBytes(image, expected))
                << "strength " << s << " bpp " << l.dstBpp;
        }
    }
}

TEST_P(SharpnessTest, FlatImageStaysFlatAndBorderStaysPut) {
    for (const Layout& l : kLayouts) {
        Plane copy(41, 9, l.srcBpp);
        // 0x07 in every byte: 7, or 1799 in 16-bit samples, within 12 bits.
        copy.bytes.assign(copy.bytes.size(), 0x07);
        Plane image = Plane(41, 9, l.dstBpp);
        image.bytes.assign(image.bytes.size(), 0x07);
        const Plane before = image;
        int32_t s = 30;
        ASSERT_EQ(test::Call(l.kernel, image, copy, &s, copy.Whole()), 1);
        EXPECT_TRUE(test::SameBytes(image, before)) << "bpp " << l.dstBpp;
    }
    // A busy copy writes only the interior: the image's 2-pixel border keeps its own values.
    std::mt19937 rng(73);
    Plane copy(20, 12, 1);
    copy.Randomize(rng);
    Plane image(20, 12, 1);
    image.bytes.assign(image.bytes.size(), 5);
    int32_t s = 30;
    ASSERT_EQ(test::Call(SharpnessMono8, image, copy, &s, copy.Whole()), 1);
    for (int32_t y = 0; y < 12; ++y) {
        for (int32_t x = 0; x < 20; ++x) {
            if (x >= 2 && x <= 17 && y >= 2 && y <= 9) continue;
            ASSERT_EQ(image.At(x, y)[0], 5) << x << ", " << y;
        }
    }
}

TEST_P(SharpnessTest, MissingValueIsRefused) {
    Plane image(8, 8, 1);
    Plane copy(8, 8, 1);
    EXPECT_EQ(test::Call(SharpnessMono8, image, copy, nullptr, copy.Whole()), 0);
}

KELVRA_INSTANTIATE_SIMD(SharpnessTest);

}  // namespace
}  // namespace kelvra

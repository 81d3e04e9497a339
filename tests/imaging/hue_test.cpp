#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <random>
#include <thread>
#include <vector>

#include "PlaneTestUtil.h"
#include "imaging/HueMath.h"
#include "imaging/HueSaturationKernels.h"

namespace kelvra {
namespace {

using test::Plane;

int32_t HueUnits(int32_t hue) {
    const int64_t scaled = int64_t{hue} * 65536 / 360;  // truncates toward zero
    const int64_t a = ((scaled % 65536) + 65536) % 65536;
    const int64_t t = (a * 6) >> 8;
    int64_t f = t % 512;
    if (f >= 256) f -= 512;
    const int64_t k = ((t + 256) >> 9) % 3;
    int64_t h = f + 510 * k;
    if (h < 0) h += 1530;
    if (h > 1529) h -= 1530;
    return static_cast<int32_t>(h);
}

// One pixel straight from the steps: returns the three samples packed as red << 16 |
// green << 8 | blue, wrapping modulo 2^32.
uint32_t Reference(int32_t b, int32_t g, int32_t r, int32_t hue, int32_t saturation) {
    const int32_t h = HueUnits(hue);
    const int32_t mx = std::max({b, g, r});
    const int32_t mn = std::min({b, g, r});
    const int32_t c = mx - mn;
    const int32_t sigma = mx + mn;
    int32_t base;
    int32_t n;
    if (b > r && b > g) {
        base = 5;
        n = r - g;
    } else if (r >= g) {
        base = 1;
        n = g - b;
    } else {
        base = 3;
        n = b - r;
    }
    if (n < 0) {
        base -= 1;
        n += c;
    }
    const int32_t scaledChroma = (c * ((saturation + 256) * 256) + 0x8000) >> 16;
    const int32_t lightness = sigma < 256 ? sigma : 511 - sigma;
    const int32_t c2 = std::min(lightness, scaledChroma);
    const int32_t low = (sigma - c2) >> 1;
    uint32_t v = static_cast<uint32_t>(low) + (static_cast<uint32_t>(low) << 8) +
                 (static_cast<uint32_t>(low) << 16);
    if (c == 0) return v;
    int32_t w = ((n * (0xFF0000 / c) + 0x8000) >> 16) + h % 255;
    int32_t j = base + h / 255;
    if (w >= 255) {
        j += 1;
        w -= 255;
    }
    const uint32_t a2 = static_cast<uint32_t>(((sigma + c2) >> 1) - ((sigma - c2) >> 1));
    const uint32_t ramp = (a2 * static_cast<uint32_t>(w) + 128) >> 8;
    constexpr int kRed = 16;
    constexpr int kGreen = 8;
    constexpr int kBlue = 0;
    switch (j % 6) {
        case 0:
            v += (a2 << kRed) + (a2 << kBlue);
            v -= ramp << kBlue;
            break;
        case 1:
            v += a2 << kRed;
            v += ramp << kGreen;
            break;
        case 2:
            v += (a2 << kRed) + (a2 << kGreen);
            v -= ramp << kRed;
            break;
        case 3:
            v += a2 << kGreen;
            v += ramp << kBlue;
            break;
        case 4:
            v += (a2 << kGreen) + (a2 << kBlue);
            v -= ramp << kGreen;
            break;
        default:
            v += a2 << kBlue;
            v += ramp << kRed;
            break;
    }
    return v;
}

Plane Expected(const Plane& src, const Plane& dst, const HueSaturation& hs) {
    Plane out = dst;
    const bool wide = src.bpp >= 6;
    for (int32_t y = 0; y < src.height; ++y) {
        for (int32_t x = 0; x < src.width; ++x) {
            if (!wide) {
                const uint8_t* p = src.At(x, y);
                const uint32_t v = Reference(p[0], p[1], p[2], hs.hue, hs.saturation);
                for (int c = 0; c < 3; ++c) out.At(x, y)[c] = static_cast<uint8_t>(v >> (8 * c));
            } else {
                // 12-bit samples (above 4095 counts as 4095) through their top 8 bits.
                const auto top = [&](int c) {
                    return std::min<uint32_t>(src.Get16(x, y, c), 4095u) >> 4;
                };
                const uint32_t v = Reference(top(0), top(1), top(2), hs.hue, hs.saturation);
                for (int c = 0; c < 3; ++c) out.Set16(x, y, c, ((v >> (8 * c)) & 0xFF) << 4);
            }
        }
    }
    return out;
}

class HueTest : public test::SimdTest {};

TEST_P(HueTest, AllDepthsMatchTheStepsOnRandomImages) {
    std::mt19937 rng(41);
    std::uniform_int_distribution<int32_t> hue(-360, 360);
    std::uniform_int_distribution<int32_t> saturation(-255, 255);
    struct Layout {
        PixelKernel kernel;
        int32_t bpp;
        bool zeroFourth;
    };
    for (const Layout& l : {Layout{HueSaturation24, 3, false}, Layout{HueSaturation24, 4, false},
                            Layout{HueSaturation48, 6, false}, Layout{HueSaturation48, 8, false},
                            Layout{HueSaturation64, 8, true}}) {
        for (const test::Size& size : test::OddSizes()) {
            Plane src(size.width, size.height, l.bpp, 4 * (size.width % 2));
            Plane dst(size.width, size.height, l.bpp, 4 * (size.width % 2));
            src.Randomize(rng);
            dst.Randomize(rng);
            HueSaturation hs{hue(rng), 0, saturation(rng), 16};
            Plane expected = Expected(src, dst, hs);
            if (l.zeroFourth) {
                for (int32_t y = 0; y < size.height; ++y) {
                    for (int32_t x = 0; x < size.width; ++x) expected.Set16(x, y, 3, 0);
                }
            }
            ASSERT_EQ(test::Call(l.kernel, dst, src, &hs, src.Whole()), 1);
            ASSERT_TRUE(test::SameBytes(dst, expected))
                << "bpp " << l.bpp << " hue " << hs.hue << " saturation " << hs.saturation;
        }
    }
}

TEST_P(HueTest, InPlaceOverEveryHueAndTheSaturationLimits) {
    std::mt19937 rng(42);
    for (int32_t hue = -360; hue <= 360; hue += 7) {
        for (int32_t sat : {-255, 0, 255}) {
            for (int32_t bpp : {3, 4}) {
                Plane image(37, 3, bpp);
                image.Randomize(rng);
                HueSaturation hs{hue, 0, sat, 16};
                const Plane expected = Expected(image, image, hs);
                ASSERT_EQ(test::CallInPlace(HueSaturation24, image, &hs), 1);
                ASSERT_TRUE(test::SameBytes(image, expected)) << "hue " << hue << " sat " << sat;
            }
        }
    }
}

TEST_P(HueTest, EveryChromaAndNumeratorMatches) {
    // Pixels (blue 0, green n, red c) for every chroma c and every n <= c, all depths.
    std::vector<uint32_t> pixels;
    for (uint32_t c = 1; c < 256; ++c) {
        for (uint32_t n = 0; n <= c; ++n) pixels.push_back(n << 8 | c << 16);
    }
    const auto width = static_cast<int32_t>(pixels.size());
    for (int32_t bpp : {3, 6, 8}) {
        Plane image(width, 1, bpp);
        for (int32_t x = 0; x < width; ++x) {
            for (int c = 0; c < 3; ++c) {
                const uint32_t v = (pixels[x] >> (8 * c)) & 0xFF;
                if (bpp == 3) {
                    image.At(x, 0)[c] = static_cast<uint8_t>(v);
                } else {
                    image.Set16(x, 0, c, v << 4 | 0x5);
                }
            }
        }
        for (int32_t hue : {0, 97, -233}) {
            Plane work = image;
            HueSaturation hs{hue, 0, 40, 16};
            const Plane expected = Expected(work, work, hs);
            ASSERT_EQ(test::CallInPlace(bpp == 3 ? HueSaturation24 : HueSaturation48, work, &hs),
                      1);
            ASSERT_TRUE(test::SameBytes(work, expected)) << "bpp " << bpp << " hue " << hue;
        }
    }
}

// Hue on 16-bit colour used to keep only the top 4 of the 12 bits and write samples up to 65280.
TEST_P(HueTest, SixteenBitColourKeepsTwelveBitSamplesAndEightBitsOfDetail) {
    Plane image(4096, 1, 6);
    for (int32_t x = 0; x < 4096; ++x) {
        image.Set16(x, 0, 0, static_cast<uint32_t>(x));
        image.Set16(x, 0, 1, static_cast<uint32_t>(x));
        image.Set16(x, 0, 2, 4095);
    }
    HueSaturation hs{30, 0, 60, 16};
    ASSERT_EQ(test::CallInPlace(HueSaturation48, image, &hs), 1);
    std::vector<bool> seen(4096);
    for (int32_t x = 0; x < 4096; ++x) {
        for (int c = 0; c < 3; ++c) ASSERT_LE(image.Get16(x, 0, c), 4095) << x;
        seen[image.Get16(x, 0, 1)] = true;
    }
    EXPECT_GT(std::count(seen.begin(), seen.end(), true), 100) << "a ramp keeps its levels";
}

TEST_P(HueTest, GreyPixelsStayUnderAnyHueShift) {
    Plane image(256, 1, 3);
    for (int32_t x = 0; x < 256; ++x) {
        for (int c = 0; c < 3; ++c) image.At(x, 0)[c] = static_cast<uint8_t>(x);
    }
    const Plane original = image;
    for (int32_t hue : {-360, -200, -1, 0, 1, 59, 60, 61, 119, 120, 180, 240, 300, 359, 360}) {
        for (int32_t sat : {-255, -100, 0, 100, 255}) {
            HueSaturation hs{hue, 0, sat, 16};
            ASSERT_EQ(test::CallInPlace(HueSaturation24, image, &hs), 1);
            ASSERT_TRUE(test::SameBytes(image, original)) << "hue " << hue << " sat " << sat;
        }
    }
}

TEST_P(HueTest, HueUnitsOfKnownAngles) {
    // Tested through pure red: a sixth of a turn (255 units) carries red to yellow.
    Plane image(1, 1, 3);
    image.At(0, 0)[2] = 255;
    HueSaturation hs{60, 0, 0, 16};
    ASSERT_EQ(test::CallInPlace(HueSaturation24, image, &hs), 1);
    EXPECT_EQ(image.At(0, 0)[0], 0);
    EXPECT_EQ(image.At(0, 0)[1], 255);
    EXPECT_EQ(image.At(0, 0)[2], 255);
    EXPECT_EQ(hue::HueShift(60), 255);
    EXPECT_EQ(hue::HueShift(0), 0);
    EXPECT_EQ(hue::HueShift(-360), 0);
    for (int32_t degrees = -360; degrees <= 360; ++degrees) {
        ASSERT_EQ(hue::HueShift(degrees), HueUnits(degrees)) << degrees;
    }
}

TEST_P(HueTest, MissingRecordOrSmallPixelsAreRefused) {
    Plane image(4, 4, 3);
    EXPECT_EQ(test::CallInPlace(HueSaturation24, image, nullptr), 0);
    HueSaturation hs{10, 0, 10, 16};
    EXPECT_EQ(test::CallInPlace(HueSaturation48, image, &hs), 0);
    Plane wide(4, 4, 6);
    EXPECT_EQ(test::CallInPlace(HueSaturation64, wide, &hs), 0);
}

KELVRA_INSTANTIATE_SIMD(HueTest);

// Two cameras process frames at once with different settings: each result must be what it
// would be alone (and ThreadSanitizer sees no shared state).
TEST(HueThreadsTest, TwoFrameStepsAtOnceGiveTheirOwnResults) {
    std::mt19937 rng(43);
    Plane a(131, 40, 3);
    Plane b(131, 40, 4);
    a.Randomize(rng);
    b.Randomize(rng);
    HueSaturation settingsA{35, 0, 120, 16};
    HueSaturation settingsB{-200, 0, -80, 16};
    Plane expectedA = a;
    Plane expectedB = b;
    for (int i = 0; i < 20; ++i) {
        expectedA = Expected(expectedA, expectedA, settingsA);
        expectedB = Expected(expectedB, expectedB, settingsB);
    }
    std::thread first([&] {
        for (int i = 0; i < 20; ++i) test::CallInPlace(HueSaturation24, a, &settingsA);
    });
    std::thread second([&] {
        for (int i = 0; i < 20; ++i) test::CallInPlace(HueSaturation24, b, &settingsB);
    });
    first.join();
    second.join();
    EXPECT_TRUE(test::SameBytes(a, expectedA));
    EXPECT_TRUE(test::SameBytes(b, expectedB));
}

}  // namespace
}  // namespace kelvra

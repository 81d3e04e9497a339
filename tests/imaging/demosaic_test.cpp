#include <gtest/gtest.h>

#include <cstdint>
#include <random>

#include "BayerReference.h"
#include "PlaneTestUtil.h"
#include "imaging/CDibImage.h"
#include "imaging/DemosaicKernels.h"
#include "imaging/KernelRunner.h"

namespace kelvra {
namespace {

using test::Cfa;
using test::Plane;

// A sample outside the image is taken from 4 rows (columns) further in; for images narrower
// than 4 that can still be outside, and then the nearest index of the same parity is used.
int64_t Inside(int64_t i, int64_t n) {
    if (i < 0) i = i + 4;
    if (i >= n) i = i - 4;
    if (i >= 0 && i < n) return i;
    for (int64_t candidate = 0; candidate < n; ++candidate) {
        const int64_t pick = i < 0 ? candidate : n - 1 - candidate;
        if (test::Odd(pick) == test::Odd(i) || n == 1) return pick;
    }
    return 0;
}

struct Mosaic {
    const Plane& plane;
    int phase;
    bool wide;
    int64_t At(int64_t x, int64_t y) const {
        const int32_t cx = static_cast<int32_t>(Inside(x, plane.width));
        const int32_t cy = static_cast<int32_t>(Inside(y, plane.height));
        return wide ? plane.Get16(cx, cy) : plane.At(cx, cy)[0];
    }
};

// Bilinear sum for one colour at output (x, y), straight from the block rule.
int64_t ColourSum(const Mosaic& m, int64_t x, int64_t y, Cfa colour) {
    for (int64_t yr : {y - 1, y}) {
        for (int64_t xr : {x - 1, x}) {
            if (test::CfaAt(m.phase, xr, yr) != colour) continue;
            const int64_t xh = xr == x - 1 ? xr + 2 : xr - 2;
            const int64_t yv = yr == y - 1 ? yr + 2 : yr - 2;
            return 9 * m.At(xr, yr) + 3 * m.At(xh, yr) + 3 * m.At(xr, yv) + m.At(xh, yv);
        }
    }
    ADD_FAILURE() << "block without the colour";
    return 0;
}

int64_t GreenMean(const Mosaic& m, int64_t x, int64_t y) {
    int64_t sum = 0;
    for (int64_t yy : {y - 1, y}) {
        for (int64_t xx : {x - 1, x}) {
            if (test::CfaAt(m.phase, xx, yy) == Cfa::kGreen) sum += m.At(xx, yy);
        }
    }
    return sum / 2;
}

uint32_t Gained(int64_t sum, int32_t gainPercent, bool wide) {
    const auto k = static_cast<int64_t>(gainPercent * 1.28);
    const int64_t product = sum * k;
    if (!wide) return product >= 0x80000 ? 255 : static_cast<uint32_t>(product >> 11) & 0xFF;
    // 16-bit images carry 12-bit samples: the output saturates at 4095.
    return product >= 0x800000 ? 4095 : static_cast<uint32_t>(product >> 11) & 0xFFFF;
}

enum class Part { kInterior, kEdges, kBoth };

bool InInterior(int64_t x, int64_t y, const Plane& p) {
    return x >= 2 && x <= p.width - 3 && y >= 2 && y <= p.height - 3;
}

Plane Expected(const Plane& mosaic, const Plane& dst, const BayerGains& g, bool wide, Part part) {
    Plane out = dst;
    const Mosaic m{mosaic, g.phase, wide};
    for (int32_t y = 0; y < mosaic.height; ++y) {
        for (int32_t x = 0; x < mosaic.width; ++x) {
            const bool interior = InInterior(x, y, mosaic);
            if ((part == Part::kInterior && !interior) || (part == Part::kEdges && interior)) {
                continue;
            }
            const uint32_t blue = Gained(ColourSum(m, x, y, Cfa::kBlue), g.blueGain, wide);
            const uint32_t red = Gained(ColourSum(m, x, y, Cfa::kRed), g.redGain, wide);
            const auto green =
                static_cast<uint32_t>(std::min<int64_t>(GreenMean(m, x, y), wide ? 4095 : 255));
            if (wide) {
                out.Set16(x, y, 0, blue);
                out.Set16(x, y, 1, green);
                out.Set16(x, y, 2, red);
            } else {
                out.At(x, y)[0] = static_cast<uint8_t>(blue);
                out.At(x, y)[1] = static_cast<uint8_t>(green);
                out.At(x, y)[2] = static_cast<uint8_t>(red);
            }
        }
    }
    return out;
}

class DemosaicTest : public test::SimdTest {
  protected:
    // Runs the interior, the edges or both, and compares with the reference.
    void Check(const Plane& mosaic, int32_t dstBpp, BayerGains gains, Part part, uint32_t seed) {
        const bool wide = mosaic.bpp == 2;
        std::mt19937 rng(seed);
        Plane dst(mosaic.width, mosaic.height, dstBpp);
        dst.Randomize(rng);
        const Plane expected = Expected(mosaic, dst, gains, wide, part);
        const PixelKernel interior = wide ? Demosaic16 : Demosaic8;
        const PixelKernel edges = wide ? Demosaic16Edges : Demosaic8Edges;
        if (part != Part::kEdges) {
            ASSERT_EQ(test::Call(interior, dst, mosaic, &gains, mosaic.Whole()), 1);
        }
        if (part != Part::kInterior) {
            ASSERT_EQ(test::Call(edges, dst, mosaic, &gains, mosaic.Whole()), 1);
        }
        ASSERT_TRUE(test::SameBytes(dst, expected))
            << "phase " << gains.phase << " gains " << gains.redGain << "/" << gains.blueGain
            << " part " << static_cast<int>(part) << " dst bpp " << dstBpp;
    }
};

TEST_P(DemosaicTest, EightBitAllPhasesSizesAndLayouts) {
    std::mt19937 rng(21);
    std::uniform_int_distribution<int32_t> gain(0, 400);
    for (const test::Size& size : test::OddSizes()) {
        Plane mosaic(size.width, size.height, 1, 4 * (size.width % 2));
        mosaic.Randomize(rng);
        for (int phase = 0; phase < 4; ++phase) {
            for (int32_t dstBpp : {3, 4}) {
                const BayerGains g{phase, gain(rng), 100, gain(rng)};
                Check(mosaic, dstBpp, g, Part::kBoth, rng());
            }
        }
    }
}

TEST_P(DemosaicTest, SixteenBitAllPhasesSizesAndLayouts) {
    std::mt19937 rng(22);
    std::uniform_int_distribution<int32_t> gain(0, 400);
    for (const test::Size& size : test::OddSizes()) {
        for (bool twelveBit : {false, true}) {
            Plane mosaic(size.width, size.height, 2, 4 * (size.height % 2));
            mosaic.Randomize16(rng, twelveBit ? 4095 : 65535);
            for (int phase = 0; phase < 4; ++phase) {
                for (int32_t dstBpp : {6, 8}) {
                    const BayerGains g{phase, gain(rng), 100, gain(rng)};
                    Check(mosaic, dstBpp, g, Part::kBoth, rng());
                }
            }
        }
    }
}

TEST_P(DemosaicTest, InteriorAndEdgeKernelsEachWriteOnlyTheirPart) {
    std::mt19937 rng(23);
    for (bool wide : {false, true}) {
        Plane mosaic(67, 9, wide ? 2 : 1);
        mosaic.Randomize(rng);
        for (Part part : {Part::kInterior, Part::kEdges}) {
            Check(mosaic, wide ? 6 : 3, BayerGains{1, 150, 100, 90}, part, rng());
        }
    }
}

TEST_P(DemosaicTest, GainsAtAndBeyondTheLimitsSaturateExactly) {
    std::mt19937 rng(24);
    for (bool wide : {false, true}) {
        Plane mosaic(101, 7, wide ? 2 : 1);
        mosaic.Randomize(rng);
        // 0: black; 400: the largest settable; 1599/1600: either side of the vector code's
        // range; 255 is what the packed gain form can give.
        for (int32_t g : {0, 1, 255, 400, 1599, 1600, 100000}) {
            Check(mosaic, wide ? 8 : 4, BayerGains{2, g, 100, 400 - (g % 400)}, Part::kBoth, rng());
        }
    }
}

// Red gain 400 on a bright 12-bit mosaic used to give red samples near 16000, which the PNG and
// TIFF writers widened past 16 bits (to black) and the preview showed as dark.
TEST_P(DemosaicTest, WhiteBalanceGainsSaturateSixteenBitColourAt4095) {
    Plane mosaic(40, 8, 2);
    for (int32_t y = 0; y < 8; ++y) {
        for (int32_t x = 0; x < 40; ++x) mosaic.Set16(x, y, 0, 4000);
    }
    Plane colour(40, 8, 6);
    BayerGains gains{0, 400, 100, 400};
    ASSERT_EQ(test::Call(Demosaic16, colour, mosaic, &gains, mosaic.Whole()), 1);
    ASSERT_EQ(test::Call(Demosaic16Edges, colour, mosaic, &gains, mosaic.Whole()), 1);
    for (int32_t y = 0; y < 8; ++y) {
        for (int32_t x = 0; x < 40; ++x) {
            ASSERT_EQ(colour.Get16(x, y, 0), 4095u) << x << "," << y;
            ASSERT_EQ(colour.Get16(x, y, 1), 4000u) << x << "," << y;
            ASSERT_EQ(colour.Get16(x, y, 2), 4095u) << x << "," << y;
        }
    }
}

TEST_P(DemosaicTest, UniformGreyMosaicGivesTheSameGreyInTheInterior) {
    for (bool wide : {false, true}) {
        for (int phase = 0; phase < 4; ++phase) {
            const uint32_t grey = wide ? 3000 : 117;
            CDibImage raw;
            CDibImage colour;
            ASSERT_EQ(raw.Create(41, 9, wide ? 16 : 8), 1);
            ASSERT_EQ(colour.Create(41, 9, wide ? 48 : 24), 1);
            for (int32_t y = 0; y < 9; ++y) {
                for (int32_t x = 0; x < 41; ++x) {
                    uint8_t* p = raw.Bits() + y * raw.Stride() + x * raw.BytesPerPixel();
                    p[0] = static_cast<uint8_t>(grey);
                    if (wide) p[1] = static_cast<uint8_t>(grey >> 8);
                }
            }
            BayerGains gains{phase, 100, 100, 100};
            ASSERT_EQ(RunKernel(colour, wide ? Demosaic16 : Demosaic8, raw, nullptr, 0, 0, &gains),
                      1);
            for (int32_t y = 2; y <= 6; ++y) {
                for (int32_t x = 2; x <= 38; ++x) {
                    const uint8_t* p =
                        colour.Bits() + y * colour.Stride() + x * colour.BytesPerPixel();
                    for (int c = 0; c < 3; ++c) {
                        const uint32_t v = wide ? (p[2 * c] | (p[2 * c + 1] << 8)) : p[c];
                        ASSERT_EQ(v, grey) << "x " << x << " y " << y << " sample " << c;
                    }
                }
            }
        }
    }
}

TEST_P(DemosaicTest, MissingRecordOrWrongLayoutIsRefused) {
    Plane mosaic(8, 8, 1);
    Plane dst(8, 8, 1);
    BayerGains gains{0, 100, 100, 100};
    EXPECT_EQ(test::Call(Demosaic8, dst, mosaic, &gains, mosaic.Whole()), 0);
    Plane colour(8, 8, 3);
    EXPECT_EQ(test::Call(Demosaic8, colour, mosaic, nullptr, mosaic.Whole()), 0);
    EXPECT_EQ(test::Call(Demosaic16Edges, colour, mosaic, &gains, mosaic.Whole()), 0);
}

KELVRA_INSTANTIATE_SIMD(DemosaicTest);

}  // namespace
}  // namespace kelvra

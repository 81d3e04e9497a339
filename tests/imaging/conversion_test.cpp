#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <random>
#include <string>
#include <utility>
#include <vector>

#include "PlaneTestUtil.h"
#include "imaging/ConversionKernels.h"
#include "imaging/CopyKernels.h"

namespace kelvra {
namespace {

using test::Plane;

using PixelReference = std::function<void(uint8_t* d, const uint8_t* s)>;

struct ConversionCase {
    std::string name;
    PixelKernel kernel;
    bool flip;
    std::vector<std::pair<int32_t, int32_t>> pixelSizes;  // (destination, source) bytes
    PixelReference reference;
};

uint16_t Word(const uint8_t* p) {
    return static_cast<uint16_t>(p[0] | (p[1] << 8));
}
void PutWord(uint8_t* p, uint32_t v) {
    p[0] = static_cast<uint8_t>(v);
    p[1] = static_cast<uint8_t>(v >> 8);
}

const std::vector<std::pair<int32_t, int32_t>> kMono8From16 = {{1, 2}};
const std::vector<std::pair<int32_t, int32_t>> kMono16 = {{2, 2}};
const std::vector<std::pair<int32_t, int32_t>> kColour8 = {{3, 3}, {4, 4}, {3, 4}, {4, 3}};
const std::vector<std::pair<int32_t, int32_t>> kColour8From16 = {{3, 6}, {4, 6}, {3, 8}, {4, 8}};
const std::vector<std::pair<int32_t, int32_t>> kColour16 = {{6, 6}, {8, 8}, {6, 8}, {8, 6}};
const std::vector<std::pair<int32_t, int32_t>> kRgba16 = {{8, 6}, {8, 8}};

// Widening to 16 bits of three samples, the first and third exchanged when swap is set.
PixelReference Widen(int shift, bool swap, bool opaqueFourth) {
    return [=](uint8_t* d, const uint8_t* s) {
        const uint32_t in[3] = {Word(s), Word(s + 2), Word(s + 4)};
        const uint32_t out[3] = {swap ? in[2] : in[0], in[1], swap ? in[0] : in[2]};
        for (int c = 0; c < 3; ++c) PutWord(d + 2 * c, (out[c] << shift) & 0xFFFF);
        if (opaqueFourth) PutWord(d + 6, 0xFFFF);
    };
}

std::vector<ConversionCase> Cases() {
    return {
        {"Mono10To8Flip", Mono10To8Flip, true, kMono8From16,
         [](uint8_t* d, const uint8_t* s) {
             d[0] = static_cast<uint8_t>((s[1] << 6) | (s[0] >> 2));
         }},
        {"Mono16To8", Mono16To8, false, kMono8From16,
         [](uint8_t* d, const uint8_t* s) { d[0] = s[1]; }},
        {"Mono12To8Flip", Mono12To8Flip, true, kMono8From16,
         [](uint8_t* d, const uint8_t* s) {
             d[0] = static_cast<uint8_t>((s[1] << 4) | (s[0] >> 4));
         }},
        {"Mono12To16", Mono12To16, false, kMono16,
         [](uint8_t* d, const uint8_t* s) { PutWord(d, (uint32_t{Word(s)} << 4) & 0xFFFF); }},
        {"Mono10To16", Mono10To16, false, kMono16,
         [](uint8_t* d, const uint8_t* s) { PutWord(d, (uint32_t{Word(s)} << 6) & 0xFFFF); }},
        {"Mono16To8Flip", Mono16To8Flip, true, kMono8From16,
         [](uint8_t* d, const uint8_t* s) { d[0] = s[1]; }},
        {"Bgr48To24From12", Bgr48To24From12, false, kColour8From16,
         [](uint8_t* d, const uint8_t* s) {
             for (int c = 0; c < 3; ++c) {
                 d[c] = static_cast<uint8_t>((s[2 * c + 1] << 4) | (s[2 * c] >> 4));
             }
         }},
        {"Rgb16Shift4", Rgb16Shift4, false, kColour16, Widen(4, false, false)},
        {"Rgb16Shift4Swap", Rgb16Shift4Swap, false, kColour16, Widen(4, true, false)},
        {"Rgb16Shift6", Rgb16Shift6, false, kColour16, Widen(6, false, false)},
        {"Rgb16Shift6Swap", Rgb16Shift6Swap, false, kColour16, Widen(6, true, false)},
        {"Bgr48To24Flip", Bgr48To24Flip, true, kColour8From16,
         [](uint8_t* d, const uint8_t* s) {
             for (int c = 0; c < 3; ++c) d[c] = s[2 * c + 1];
         }},
        {"Rgba16Shift4", Rgba16Shift4, false, kRgba16, Widen(4, false, true)},
        {"Rgba16Shift4Swap", Rgba16Shift4Swap, false, kRgba16, Widen(4, true, true)},
        {"Rgba16Shift6", Rgba16Shift6, false, kRgba16, Widen(6, false, true)},
        {"Rgba16Shift6Swap", Rgba16Shift6Swap, false, kRgba16, Widen(6, true, true)},
        {"CopyBgr24", CopyBgr24, false, kColour8,
         [](uint8_t* d, const uint8_t* s) {
             for (int c = 0; c < 3; ++c) d[c] = s[c];
         }},
        {"CopyBgr24Flip", CopyBgr24Flip, true, kColour8,
         [](uint8_t* d, const uint8_t* s) {
             for (int c = 0; c < 3; ++c) d[c] = s[c];
         }},
        {"SwapBgr24",
         SwapBgr24,
         false,
         {{3, 3}, {4, 4}},
         [](uint8_t* d, const uint8_t* s) {
             d[0] = s[2];
             d[1] = s[1];
             d[2] = s[0];
         }},
        {"CopyBgra32InvertAlpha",
         CopyBgra32InvertAlpha,
         false,
         {{4, 4}},
         [](uint8_t* d, const uint8_t* s) {
             for (int c = 0; c < 3; ++c) d[c] = s[c];
             d[3] = static_cast<uint8_t>(~s[3]);
         }},
        {"BgrToGray8",
         BgrToGray8,
         false,
         {{1, 3}, {1, 4}},
         [](uint8_t* d, const uint8_t* s) {
             d[0] = static_cast<uint8_t>((30 * s[2] + 59 * s[1] + 11 * s[0]) / 100);
         }},
    };
}

// The expected destination: the reference applied pixel by pixel over the region, the rest of
// the destination as it was.
Plane Expected(const ConversionCase& c, const Plane& dst, const Plane& src, const Rect& r,
               int32_t dstX, int32_t dstY) {
    Plane expected = dst;
    for (int32_t i = 0; i < r.bottom - r.top; ++i) {
        const int32_t sy = c.flip ? r.bottom - 1 - i : r.top + i;
        for (int32_t j = 0; j < r.right - r.left; ++j) {
            c.reference(expected.At(dstX + j, dstY + i), src.At(r.left + j, sy));
        }
    }
    return expected;
}

class ConversionTest : public test::SimdTest {};

TEST_P(ConversionTest, EveryKernelMatchesItsFormulaOnRandomImages) {
    std::mt19937 rng(11);
    for (const ConversionCase& c : Cases()) {
        for (const auto& [dstBpp, srcBpp] : c.pixelSizes) {
            for (const test::Size& size : test::OddSizes()) {
                Plane src(size.width, size.height, srcBpp, 4 * (size.width % 3));
                Plane dst(size.width, size.height, dstBpp);
                src.Randomize(rng);
                dst.Randomize(rng);
                const Plane expected = Expected(c, dst, src, src.Whole(), 0, 0);
                ASSERT_EQ(test::Call(c.kernel, dst, src, nullptr, src.Whole()), 1) << c.name;
                ASSERT_TRUE(test::SameBytes(dst, expected))
                    << c.name << " " << dstBpp << " <- " << srcBpp;
            }
        }
    }
}

TEST_P(ConversionTest, SubRegionsLandAtTheDestinationOrigin) {
    std::mt19937 rng(12);
    const Rect region{3, 2, 40, 9};
    for (const ConversionCase& c : Cases()) {
        const auto [dstBpp, srcBpp] = c.pixelSizes.front();
        Plane src(45, 12, srcBpp);
        Plane dst(50, 20, dstBpp, 8);
        src.Randomize(rng);
        dst.Randomize(rng);
        const Plane expected = Expected(c, dst, src, region, 5, 7);
        ASSERT_EQ(test::Call(c.kernel, dst, src, nullptr, region, 5, 7), 1) << c.name;
        ASSERT_TRUE(test::SameBytes(dst, expected)) << c.name;
    }
}

TEST_P(ConversionTest, PixelsTooSmallForTheSamplesAreRefusedUntouched) {
    Plane src(5, 3, 1);
    Plane dst(5, 3, 1);
    dst.bytes.assign(dst.bytes.size(), 0x5A);
    const Plane before = dst;
    for (PixelKernel k : {Mono16To8, Mono12To16, Bgr48To24From12, Rgb16Shift4, Rgba16Shift6,
                          CopyBgr24, SwapBgr24, CopyBgra32InvertAlpha, BgrToGray8}) {
        EXPECT_EQ(test::Call(k, dst, src, nullptr, src.Whole()), 0);
    }
    EXPECT_TRUE(test::SameBytes(dst, before));
}

TEST_P(ConversionTest, InPlaceSwapAndWidenAreExact) {
    std::mt19937 rng(13);
    Plane colour(67, 5, 3);
    colour.Randomize(rng);
    Plane expectedColour = colour;
    for (int32_t y = 0; y < 5; ++y) {
        for (int32_t x = 0; x < 67; ++x)
            std::swap(expectedColour.At(x, y)[0], expectedColour.At(x, y)[2]);
    }
    ASSERT_EQ(test::CallInPlace(SwapBgr24, colour, nullptr), 1);
    EXPECT_TRUE(test::SameBytes(colour, expectedColour));

    Plane mono(67, 5, 2);
    mono.Randomize(rng);
    Plane expectedMono = mono;
    for (int32_t y = 0; y < 5; ++y) {
        for (int32_t x = 0; x < 67; ++x)
            expectedMono.Set16(x, y, 0, (mono.Get16(x, y) << 4) & 0xFFFF);
    }
    ASSERT_EQ(test::CallInPlace(Mono12To16, mono, nullptr), 1);
    EXPECT_TRUE(test::SameBytes(mono, expectedMono));
}

KELVRA_INSTANTIATE_SIMD(ConversionTest);

TEST(CopyRowsFlipTest, CopiesTheSmallerStrideFlipped) {
    std::mt19937 rng(14);
    Plane src(7, 4, 3, 8);  // stride 32
    Plane dst(7, 4, 3);     // stride 24
    src.Randomize(rng);
    dst.Randomize(rng);
    Plane expected = dst;
    for (int32_t i = 0; i < 4; ++i) {
        std::memcpy(expected.At(0, i), src.At(0, 3 - i), 24);
    }
    ASSERT_EQ(test::Call(CopyRowsFlip, dst, src, nullptr, src.Whole()), 1);
    EXPECT_TRUE(test::SameBytes(dst, expected));
}

TEST(CopyRowsFlipTest, RegionOffColumnZeroStopsAtTheRowEnd) {
    std::mt19937 rng(15);
    Plane src(8, 3, 1);  // stride 8
    Plane dst(8, 3, 1);
    src.Randomize(rng);
    dst.Randomize(rng);
    Plane expected = dst;
    // Region from column 5: 3 bytes remain in each source row, 6 in each destination row.
    for (int32_t i = 0; i < 3; ++i) std::memcpy(expected.At(2, i), src.At(5, 2 - i), 3);
    ASSERT_EQ(test::Call(CopyRowsFlip, dst, src, nullptr, Rect{5, 0, 8, 3}, 2, 0), 1);
    EXPECT_TRUE(test::SameBytes(dst, expected));
}

TEST(SpreadRowsTest, ThreeByTwoMovesRowOneFromThreeToFour) {
    Plane image(3, 2, 1);  // stride 4, packed rows of 3
    const uint8_t packed[6] = {10, 11, 12, 20, 21, 22};
    std::memcpy(image.bytes.data(), packed, 6);
    image.bytes[6] = 0xEE;
    image.bytes[7] = 0xEE;
    ASSERT_EQ(test::CallInPlace(SpreadRows8, image, nullptr), 1);
    const uint8_t spread[8] = {10, 11, 12, 20, 20, 21, 22, 0xEE};
    for (int i = 0; i < 8; ++i) {
        // Byte 3 keeps what the move left there (row 1's first byte); rows are what count.
        if (i == 3) continue;
        EXPECT_EQ(image.bytes[i], spread[i]) << i;
    }
}

TEST(SpreadRowsTest, RandomPackedFramesOfBothDepthsLandAtTheirStride) {
    std::mt19937 rng(16);
    for (int32_t bytes : {1, 2}) {
        for (const test::Size& size : test::OddSizes()) {
            Plane image(size.width, size.height, bytes, 4 * (size.height % 2));
            image.Randomize(rng);
            const size_t packedRow = static_cast<size_t>(size.width) * bytes;
            const std::vector<uint8_t> packed(image.bytes.begin(),
                                              image.bytes.begin() + packedRow * size.height);
            ASSERT_EQ(test::CallInPlace(bytes == 1 ? SpreadRows8 : SpreadRows16, image, nullptr),
                      1);
            for (int32_t y = 0; y < size.height; ++y) {
                ASSERT_EQ(std::memcmp(image.At(0, y), packed.data() + y * packedRow, packedRow), 0)
                    << "row " << y << " of " << size.width << " x " << size.height << " x "
                    << bytes;
            }
        }
    }
}

}  // namespace
}  // namespace kelvra

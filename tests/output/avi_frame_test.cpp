// The recorder's conversion of each output image depth to a 24-bit bottom-up frame.
#include <gtest/gtest.h>

#include <algorithm>

#include "OutputTestUtil.h"
#include "output/CAviFrameConverter.h"
#include "output/CAviWriter.h"

namespace kelvra {
namespace {

using test::PixelAt;

// Frame pixel (x, y) of the picture, the frame being bottom-up.
const uint8_t* FramePixel(const uint8_t* frame, int32_t width, int32_t height, int32_t x,
                          int32_t y) {
    const int64_t stride = (3 * int64_t{width} + 3) & ~int64_t{3};
    return frame + (height - 1 - y) * stride + 3 * x;
}

void ExpectBgr(const uint8_t* p, int b, int g, int r, const std::string& where) {
    EXPECT_EQ(p[0], b) << where;
    EXPECT_EQ(p[1], g) << where;
    EXPECT_EQ(p[2], r) << where;
}

TEST(AviFrameConverter, FrameSizeMatchesTheWritersForOddWidths) {
    for (int32_t width : {1, 5, 6, 7, 640}) {
        CAviFrameConverter converter;
        ASSERT_EQ(converter.Prepare(width, 3, 24), 1);
        CAviWriter writer;
        writer.SetFormat(width, 3, 24);
        EXPECT_EQ(converter.FrameSize(), writer.FrameSize()) << width;
    }
}

TEST(AviFrameConverter, EightBitGreyGoesThroughTheColourTableAndFlips) {
    CDibImage image;
    ASSERT_EQ(image.Create(5, 3, 8), 1);
    test::FillBytes(image);
    const RgbQuad tinted{10, 20, 30, 0};
    image.SetPalette(2, &tinted, *PixelAt(image, 2, 0), 1);
    CAviFrameConverter converter;
    ASSERT_EQ(converter.Prepare(5, 3, 8), 1);
    const uint8_t* frame = converter.Convert(image);
    ASSERT_NE(frame, nullptr);
    for (int y = 0; y < 3; ++y) {
        for (int x = 0; x < 5; ++x) {
            const uint8_t v = *PixelAt(image, x, y);
            const RgbQuad& c = image.Header().bmiColors[v];
            ExpectBgr(FramePixel(frame, 5, 3, x, y), c.rgbBlue, c.rgbGreen, c.rgbRed,
                      test::Numbered("", x) + test::Numbered(",", y));
        }
    }
    ExpectBgr(FramePixel(frame, 5, 3, 2, 0), 10, 20, 30, "tinted entry");
}

TEST(AviFrameConverter, SixteenBitGreyIsReducedOnTheTwelveBitScale) {
    CDibImage image;
    ASSERT_EQ(image.Create(4, 2, 16), 1);
    const uint16_t samples[2][4] = {{0, 100, 2048, 4095}, {4096, 5000, 65535, 16}};
    const int expected[2][4] = {{0, 6, 128, 255}, {255, 255, 255, 1}};
    for (int y = 0; y < 2; ++y) {
        for (int x = 0; x < 4; ++x) test::SetSample16(image, x, y, 0, samples[y][x]);
    }
    CAviFrameConverter converter;
    ASSERT_EQ(converter.Prepare(4, 2, 16), 1);
    const uint8_t* frame = converter.Convert(image);
    ASSERT_NE(frame, nullptr);
    for (int y = 0; y < 2; ++y) {
        for (int x = 0; x < 4; ++x) {
            const int v = expected[y][x];
            ExpectBgr(FramePixel(frame, 4, 2, x, y), v, v, v, std::to_string(samples[y][x]));
        }
    }
}

// Rows longer than one vector step, with a tail: every pixel spread, the row padding left 0,
// nothing written past a buffer whose rows have no padding (width 36), and each frame its own.
TEST(AviFrameConverter, LongRowsSpreadEveryPixelIntoTheirOwnFrame) {
    for (int32_t width : {36, 37}) {
        for (int bits : {8, 16}) {
            const std::string where = std::to_string(width) + " px, " + std::to_string(bits);
            CDibImage image;
            ASSERT_EQ(image.Create(width, 3, bits), 1);
            // 16-bit: the low four bits dropped, every ninth sample beyond the 12-bit scale.
            const auto expected = [bits](int x, int y) {
                return bits == 16 && x % 9 == 4 ? 255 : (x * 7 + y * 50) % 256;
            };
            for (int y = 0; y < 3; ++y) {
                for (int x = 0; x < width; ++x) {
                    const int v = expected(x, y);
                    const int sample = x % 9 == 4 ? 40000 + 2000 * y : (v << 4) + (x & 15);
                    if (bits == 8) *PixelAt(image, x, y) = static_cast<uint8_t>(v);
                    if (bits == 16)
                        test::SetSample16(image, x, y, 0, static_cast<uint16_t>(sample));
                }
            }
            CAviFrameConverter converter;
            ASSERT_EQ(converter.Prepare(width, 3, bits, 2), 1);
            const uint8_t* frame = converter.Convert(image, 1);
            ASSERT_EQ(frame, converter.Frame(1));
            const uint8_t* other = converter.Frame(0);
            const int64_t stride = (3 * int64_t{width} + 3) & ~int64_t{3};
            EXPECT_TRUE(std::all_of(other, other + 3 * stride, [](uint8_t b) { return b == 0; }))
                << where;
            for (int y = 0; y < 3; ++y) {
                for (int x = 0; x < width; ++x) {
                    const int v = expected(x, y);
                    ExpectBgr(FramePixel(frame, width, 3, x, y), v, v, v,
                              where + test::Numbered(" at ", x) + test::Numbered(",", y));
                }
                for (int64_t pad = 3 * width; pad < stride; ++pad) {
                    EXPECT_EQ(frame[y * stride + pad], 0) << where;
                }
            }
        }
    }
}

// A colour table other than the grey ramp is looked up, also in long rows.
TEST(AviFrameConverter, LongRowsGoThroughAChangedColourTable) {
    CDibImage image;
    ASSERT_EQ(image.Create(36, 2, 8), 1);
    test::FillBytes(image);
    RgbQuad inverted[256];
    for (int i = 0; i < 256; ++i) {
        const auto c = static_cast<uint8_t>(i);
        inverted[i] = {static_cast<uint8_t>(255 - i), c, static_cast<uint8_t>(i / 2), 0};
    }
    image.SetPalette(2, inverted, 0, 256);
    CAviFrameConverter converter;
    ASSERT_EQ(converter.Prepare(36, 2, 8), 1);
    const uint8_t* frame = converter.Convert(image);
    ASSERT_NE(frame, nullptr);
    for (int y = 0; y < 2; ++y) {
        for (int x = 0; x < 36; ++x) {
            const int v = *PixelAt(image, x, y);
            ExpectBgr(FramePixel(frame, 36, 2, x, y), 255 - v, v, v / 2, test::Numbered("", x));
        }
    }
}

TEST(AviFrameConverter, EightBitColourIsCopiedFlippedWithoutTheFourthByte) {
    for (int bits : {24, 32}) {
        CDibImage image;
        ASSERT_EQ(image.Create(5, 3, bits), 1);
        test::FillBytes(image);
        CAviFrameConverter converter;
        ASSERT_EQ(converter.Prepare(5, 3, bits), 1);
        const uint8_t* frame = converter.Convert(image);
        ASSERT_NE(frame, nullptr);
        for (int y = 0; y < 3; ++y) {
            for (int x = 0; x < 5; ++x) {
                const uint8_t* p = PixelAt(image, x, y);
                ExpectBgr(FramePixel(frame, 5, 3, x, y), p[0], p[1], p[2], std::to_string(bits));
            }
        }
    }
}

TEST(AviFrameConverter, SixteenBitColourKeepsBlueGreenRedOnTheTwelveBitScale) {
    for (int bits : {48, 64}) {
        CDibImage image;
        ASSERT_EQ(image.Create(3, 2, bits), 1);
        test::FillSamples12(image);
        test::SetSample16(image, 1, 1, 2, 9000);  // above the scale: saturates
        CAviFrameConverter converter;
        ASSERT_EQ(converter.Prepare(3, 2, bits), 1);
        const uint8_t* frame = converter.Convert(image);
        ASSERT_NE(frame, nullptr);
        for (int y = 0; y < 2; ++y) {
            for (int x = 0; x < 3; ++x) {
                const auto s = [&](int c) {
                    return std::min(test::Sample16(image, x, y, c) >> 4, 255);
                };
                ExpectBgr(FramePixel(frame, 3, 2, x, y), s(0), s(1), s(2), std::to_string(bits));
            }
        }
        EXPECT_EQ(FramePixel(frame, 3, 2, 1, 1)[2], 255);
    }
}

TEST(AviFrameConverter, RefusesImagesItWasNotPreparedFor) {
    CAviFrameConverter converter;
    CDibImage image;
    ASSERT_EQ(image.Create(4, 4, 24), 1);
    EXPECT_EQ(converter.Convert(image), nullptr);  // not prepared
    EXPECT_EQ(converter.Prepare(4, 4, 12), 0);
    EXPECT_EQ(converter.Prepare(0, 4, 24), 0);
    ASSERT_EQ(converter.Prepare(4, 4, 32), 1);
    EXPECT_EQ(converter.Convert(image), nullptr);  // other bit count
    ASSERT_EQ(converter.Prepare(4, 5, 24), 1);
    EXPECT_EQ(converter.Convert(image), nullptr);  // other size
    CDibImage empty;
    EXPECT_EQ(converter.Convert(empty), nullptr);
}

}  // namespace
}  // namespace kelvra

#include <gtest/gtest.h>

#include <cstdint>

#include "imaging/CDibImage.h"

namespace kelvra {
namespace {

TEST(CDibImageTest, CreateRefusesEmptyOrUnknownGeometryAndStaysEmpty) {
    CDibImage image;
    EXPECT_EQ(image.Create(0, 10, 8), 0);
    EXPECT_EQ(image.Create(10, 0, 8), 0);
    EXPECT_EQ(image.Create(10, 10, 0), 0);
    EXPECT_EQ(image.Create(-3, 10, 24), 0);
    EXPECT_EQ(image.Create(10, 10, 12), 0);
    EXPECT_EQ(image.Bits(), nullptr);
    EXPECT_EQ(image.Width(), 0);
    EXPECT_EQ(image.Height(), 0);
    EXPECT_EQ(image.Stride(), 0);
    EXPECT_EQ(image.BitCount(), 0);
    EXPECT_EQ(image.Header().bmiHeader.biSize, 40u);
}

TEST(CDibImageTest, RefusedCreateKeepsThePreviousImage) {
    CDibImage image;
    ASSERT_EQ(image.Create(4, 3, 16), 1);
    const uint8_t* bits = image.Bits();
    EXPECT_EQ(image.Create(0, 3, 16), 0);
    EXPECT_EQ(image.Bits(), bits);
    EXPECT_EQ(image.Width(), 4);
}

TEST(CDibImageTest, StrideIsRowBytesRoundedUpToFour) {
    struct Case {
        int32_t width;
        int32_t bits;
        int32_t stride;
    };
    for (const Case& c : {Case{5, 24, 16}, Case{1, 8, 4}, Case{4, 8, 4}, Case{3, 16, 8},
                          Case{7, 32, 28}, Case{3, 48, 20}, Case{1, 64, 8}, Case{1280, 24, 3840}}) {
        CDibImage image;
        ASSERT_EQ(image.Create(c.width, 2, c.bits), 1);
        EXPECT_EQ(image.Stride(), c.stride) << c.width << " x " << c.bits;
        EXPECT_EQ(image.ImageBytes(), static_cast<size_t>(c.stride) * 2);
    }
}

TEST(CDibImageTest, HeaderAndZeroPixelsForEveryDepth) {
    for (int32_t bits : {8, 16, 24, 32, 48, 64}) {
        CDibImage image;
        ASSERT_EQ(image.Create(7, 5, bits), 1);
        const BitmapInfoHeader& h = image.Header().bmiHeader;
        EXPECT_EQ(h.biSize, 40u);
        EXPECT_EQ(h.biWidth, 7);
        EXPECT_EQ(h.biHeight, 5);
        EXPECT_EQ(h.biPlanes, 1);
        EXPECT_EQ(h.biBitCount, bits);
        EXPECT_EQ(h.biCompression, 0u);
        EXPECT_EQ(h.biSizeImage, 0u);
        EXPECT_EQ(h.biClrUsed, 0u);
        EXPECT_EQ(image.BytesPerPixel(), bits / 8);
        ASSERT_NE(image.Bits(), nullptr);
        for (size_t i = 0; i < image.ImageBytes(); ++i) ASSERT_EQ(image.Bits()[i], 0) << i;
    }
}

TEST(CDibImageTest, EightBitImagesGetTheGreyRampOthersNone) {
    CDibImage grey;
    ASSERT_EQ(grey.Create(3, 3, 8), 1);
    for (int i = 0; i < 256; ++i) {
        const RgbQuad& q = grey.Header().bmiColors[i];
        ASSERT_EQ(q.rgbBlue, i);
        ASSERT_EQ(q.rgbGreen, i);
        ASSERT_EQ(q.rgbRed, i);
        ASSERT_EQ(q.rgbReserved, 0);
    }
    CDibImage colour;
    ASSERT_EQ(colour.Create(3, 3, 24), 1);
    EXPECT_EQ(colour.Header().bmiColors[200].rgbRed, 0);
}

TEST(CDibImageTest, ReleaseZeroesEverythingButBiSize) {
    CDibImage image;
    ASSERT_EQ(image.Create(9, 9, 8), 1);
    image.Release();
    EXPECT_EQ(image.Bits(), nullptr);
    EXPECT_EQ(image.Width(), 0);
    EXPECT_EQ(image.Stride(), 0);
    EXPECT_EQ(image.Header().bmiHeader.biSize, 40u);
    EXPECT_EQ(image.Header().bmiHeader.biWidth, 0);
    EXPECT_EQ(image.Header().bmiColors[255].rgbRed, 0);
}

TEST(CDibImageTest, CreateLikeCopiesGeometryAndPaletteNotPixels) {
    CDibImage source;
    ASSERT_EQ(source.Create(6, 4, 8), 1);
    const RgbQuad red{0, 0, 255, 0};
    source.SetPalette(2, &red, 10, 1);
    source.Bits()[0] = 99;
    CDibImage copy;
    ASSERT_EQ(copy.CreateLike(&source), 1);
    EXPECT_EQ(copy.Width(), 6);
    EXPECT_EQ(copy.Height(), 4);
    EXPECT_EQ(copy.BitCount(), 8);
    EXPECT_EQ(copy.Stride(), source.Stride());
    EXPECT_NE(copy.Bits(), source.Bits());
    EXPECT_EQ(copy.Bits()[0], 0);
    EXPECT_EQ(copy.Header().bmiColors[10].rgbRed, 255);
    EXPECT_EQ(copy.Header().bmiColors[10].rgbBlue, 0);

    CDibImage empty;
    EXPECT_EQ(copy.CreateLike(nullptr), 0);
    EXPECT_EQ(copy.CreateLike(&empty), 0);
    EXPECT_EQ(copy.Width(), 6);  // refused: unchanged
}

TEST(CDibImageTest, CreateLikeItselfMakesAFreshImageOfTheSameKind) {
    CDibImage image;
    ASSERT_EQ(image.Create(5, 2, 48), 1);
    image.Bits()[3] = 7;
    ASSERT_EQ(image.CreateLike(&image), 1);
    EXPECT_EQ(image.Width(), 5);
    EXPECT_EQ(image.BitCount(), 48);
    EXPECT_EQ(image.Bits()[3], 0);
}

TEST(CDibImageTest, SetPaletteModes) {
    CDibImage image;
    ASSERT_EQ(image.Create(2, 2, 8), 1);
    const RgbQuad colours[3] = {{1, 2, 3, 0}, {4, 5, 6, 0}, {7, 8, 9, 0}};
    EXPECT_EQ(image.SetPalette(2, colours, 254, 3), 1);  // the third entry falls off the end
    EXPECT_EQ(image.Header().bmiColors[254].rgbBlue, 1);
    EXPECT_EQ(image.Header().bmiColors[255].rgbRed, 6);
    EXPECT_EQ(image.Header().bmiColors[253].rgbRed, 253);
    EXPECT_EQ(image.SetPalette(2, colours, -1, 2), 1);  // the first entry falls off the start
    EXPECT_EQ(image.Header().bmiColors[0].rgbGreen, 5);
    EXPECT_EQ(image.SetPalette(7, colours, 0, 3), 1);  // unknown mode: nothing
    EXPECT_EQ(image.Header().bmiColors[1].rgbGreen, 1);
    EXPECT_EQ(image.SetPalette(0, nullptr, 0, 0), 1);  // grey ramp again
    EXPECT_EQ(image.Header().bmiColors[0].rgbGreen, 0);
    EXPECT_EQ(image.Header().bmiColors[255].rgbRed, 255);
}

}  // namespace
}  // namespace kelvra

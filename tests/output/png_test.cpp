// PNG files decoded with libpng's reader, samples compared as stored.
#include <gtest/gtest.h>

#include <png.h>

#include "OutputTestUtil.h"
#include "output/ImageFileWriter.h"

namespace kelvra {
namespace {

using test::PixelAt;
using test::Sample16;
using test::ScratchDir;

struct DecodedPng {
    uint32_t width = 0;
    uint32_t height = 0;
    int bitDepth = 0;
    int colourType = -1;
    int interlace = -1;
    std::vector<std::vector<uint8_t>> rows;

    // Sample s of pixel x in row y, big-endian for 16-bit depth.
    unsigned At(uint32_t x, uint32_t y, int s) const {
        const int channels = colourType == PNG_COLOR_TYPE_GRAY  ? 1
                             : colourType == PNG_COLOR_TYPE_RGB ? 3
                                                                : 4;
        const size_t i = static_cast<size_t>(x) * channels + s;
        if (bitDepth == 8) return rows[y][i];
        return (unsigned{rows[y][2 * i]} << 8) | rows[y][2 * i + 1];
    }
};

void CopyRows(png_structp png, png_infop info, DecodedPng* out) {
    out->width = png_get_image_width(png, info);
    out->height = png_get_image_height(png, info);
    out->bitDepth = png_get_bit_depth(png, info);
    out->colourType = png_get_color_type(png, info);
    out->interlace = png_get_interlace_type(png, info);
    png_bytepp rows = png_get_rows(png, info);
    const size_t rowBytes = png_get_rowbytes(png, info);
    for (uint32_t y = 0; y < out->height; ++y) out->rows.emplace_back(rows[y], rows[y] + rowBytes);
}

bool DecodePng(const std::string& path, DecodedPng* out) {
    FILE* file = std::fopen(path.c_str(), "rb");
    if (file == nullptr) return false;
    png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    if (setjmp(png_jmpbuf(png)) != 0) {
        png_destroy_read_struct(&png, &info, nullptr);
        std::fclose(file);
        return false;
    }
    png_init_io(png, file);
    png_read_png(png, info, PNG_TRANSFORM_IDENTITY, nullptr);
    CopyRows(png, info, out);
    png_destroy_read_struct(&png, &info, nullptr);
    std::fclose(file);
    return true;
}

DecodedPng SaveAndDecode(const ScratchDir& dir, const CDibImage& image, int32_t significantBits) {
    const std::string path = dir.Path("image.png");
    DecodedPng decoded;
    EXPECT_EQ(WriteImageFile(path.c_str(), image, kImageFilePng, significantBits), 1);
    EXPECT_TRUE(DecodePng(path, &decoded));
    EXPECT_EQ(decoded.width, static_cast<uint32_t>(image.Width()));
    EXPECT_EQ(decoded.height, static_cast<uint32_t>(image.Height()));
    EXPECT_EQ(decoded.interlace, PNG_INTERLACE_NONE);
    return decoded;
}

TEST(PngFile, EightBitGreyIsTheBuffer) {
    ScratchDir dir;
    CDibImage image;
    ASSERT_EQ(image.Create(5, 3, 8), 1);
    test::FillBytes(image);
    const DecodedPng d = SaveAndDecode(dir, image, 16);
    EXPECT_EQ(d.bitDepth, 8);
    EXPECT_EQ(d.colourType, PNG_COLOR_TYPE_GRAY);
    for (int y = 0; y < 3; ++y) {
        for (int x = 0; x < 5; ++x)
            ASSERT_EQ(d.At(x, y, 0), *PixelAt(image, x, y)) << x << "," << y;
    }
}

TEST(PngFile, SixteenBitGreyKeepsTheSamplesOrWidensThemBySignificantBits) {
    ScratchDir dir;
    CDibImage image;
    ASSERT_EQ(image.Create(5, 4, 16), 1);
    test::FillSamples12(image);
    for (int32_t bits : {16, 12, 10}) {
        const int shift = bits == 16 ? 0 : 16 - bits;
        const DecodedPng d = SaveAndDecode(dir, image, bits);
        EXPECT_EQ(d.bitDepth, 16);
        EXPECT_EQ(d.colourType, PNG_COLOR_TYPE_GRAY);
        for (int y = 0; y < 4; ++y) {
            for (int x = 0; x < 5; ++x) {
                ASSERT_EQ(d.At(x, y, 0), (Sample16(image, x, y, 0) << shift) & 0xFFFFu)
                    << x << "," << y << " at " << bits << " bits";
            }
        }
    }
}

TEST(PngFile, TwentyFourBitIsRgbInPictureOrder) {
    ScratchDir dir;
    CDibImage image;
    ASSERT_EQ(image.Create(5, 3, 24), 1);
    test::FillBytes(image);
    const DecodedPng d = SaveAndDecode(dir, image, 16);
    EXPECT_EQ(d.bitDepth, 8);
    EXPECT_EQ(d.colourType, PNG_COLOR_TYPE_RGB);
    for (int y = 0; y < 3; ++y) {
        for (int x = 0; x < 5; ++x) {
            const uint8_t* p = PixelAt(image, x, y);
            ASSERT_EQ(d.At(x, y, 0), p[2]);
            ASSERT_EQ(d.At(x, y, 1), p[1]);
            ASSERT_EQ(d.At(x, y, 2), p[0]);
        }
    }
}

TEST(PngFile, ThirtyTwoBitCarriesTheInvertedFourthByteAsAlpha) {
    ScratchDir dir;
    CDibImage image;
    ASSERT_EQ(image.Create(4, 2, 32), 1);
    test::FillBytes(image);
    for (int x = 0; x < 4; ++x) PixelAt(image, x, 0)[3] = 0;
    PixelAt(image, 1, 1)[3] = 0x10;
    const DecodedPng d = SaveAndDecode(dir, image, 16);
    EXPECT_EQ(d.colourType, PNG_COLOR_TYPE_RGB_ALPHA);
    EXPECT_EQ(d.bitDepth, 8);
    for (int x = 0; x < 4; ++x) EXPECT_EQ(d.At(x, 0, 3), 255u) << x;
    EXPECT_EQ(d.At(1, 1, 3), 0xEFu);
    EXPECT_EQ(d.At(2, 1, 0), PixelAt(image, 2, 1)[2]);
    EXPECT_EQ(d.At(2, 1, 2), PixelAt(image, 2, 1)[0]);
}

TEST(PngFile, SixteenBitColourIsRgbWithSamplesBySignificantBits) {
    ScratchDir dir;
    for (int bitCount : {48, 64}) {
        CDibImage image;
        ASSERT_EQ(image.Create(5, 3, bitCount), 1);
        test::FillSamples12(image);
        for (int32_t bits : {16, 12, 10}) {
            const int shift = bits == 16 ? 0 : 16 - bits;
            const DecodedPng d = SaveAndDecode(dir, image, bits);
            EXPECT_EQ(d.bitDepth, 16);
            EXPECT_EQ(d.colourType, bitCount == 48 ? PNG_COLOR_TYPE_RGB : PNG_COLOR_TYPE_RGB_ALPHA);
            for (int y = 0; y < 3; ++y) {
                for (int x = 0; x < 5; ++x) {
                    for (int c = 0; c < 3; ++c) {
                        ASSERT_EQ(d.At(x, y, c), (Sample16(image, x, y, 2 - c) << shift) & 0xFFFFu)
                            << bitCount << " bits, " << bits << " significant, " << x << "," << y;
                    }
                    // Opaque whatever the buffer held there.
                    if (bitCount == 64) {
                        ASSERT_EQ(d.At(x, y, 3), 0xFFFFu);
                    }
                }
            }
        }
    }
}

}  // namespace
}  // namespace kelvra

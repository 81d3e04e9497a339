// TIFF files read back with libtiff: tags, one uncompressed strip, samples.
#include <gtest/gtest.h>

#include <tiffio.h>

#include "OutputTestUtil.h"
#include "output/ImageFileWriter.h"

namespace kelvra {
namespace {

using test::PixelAt;
using test::Sample16;
using test::ScratchDir;

struct DecodedTiff {
    uint32_t width = 0;
    uint32_t height = 0;
    uint16_t bitsPerSample = 0;
    uint16_t samplesPerPixel = 0;
    uint16_t photometric = 0;
    uint16_t compression = 0;
    uint16_t planar = 0;
    uint16_t extraSamples = 0;
    uint32_t strips = 0;
    std::vector<uint8_t> strip;

    unsigned At(uint32_t x, uint32_t y, int s) const {
        const size_t i = (static_cast<size_t>(y) * width + x) * samplesPerPixel + s;
        if (bitsPerSample == 8) return strip[i];
        return strip[2 * i] | (unsigned{strip[2 * i + 1]} << 8);  // written little-endian
    }
};

bool DecodeTiff(const std::string& path, DecodedTiff* out) {
    TIFF* tif = TIFFOpen(path.c_str(), "r");
    if (tif == nullptr) return false;
    TIFFGetField(tif, TIFFTAG_IMAGEWIDTH, &out->width);
    TIFFGetField(tif, TIFFTAG_IMAGELENGTH, &out->height);
    TIFFGetField(tif, TIFFTAG_BITSPERSAMPLE, &out->bitsPerSample);
    TIFFGetField(tif, TIFFTAG_SAMPLESPERPIXEL, &out->samplesPerPixel);
    TIFFGetField(tif, TIFFTAG_PHOTOMETRIC, &out->photometric);
    TIFFGetField(tif, TIFFTAG_COMPRESSION, &out->compression);
    TIFFGetField(tif, TIFFTAG_PLANARCONFIG, &out->planar);
    uint16_t* kinds = nullptr;
    TIFFGetField(tif, TIFFTAG_EXTRASAMPLES, &out->extraSamples, &kinds);
    out->strips = TIFFNumberOfStrips(tif);
    out->strip.resize(static_cast<size_t>(TIFFStripSize(tif)));
    const tmsize_t got = TIFFReadEncodedStrip(tif, 0, out->strip.data(), -1);
    TIFFClose(tif);
    return got == static_cast<tmsize_t>(out->strip.size());
}

DecodedTiff SaveAndDecode(const ScratchDir& dir, const CDibImage& image, int32_t significantBits,
                          uint16_t bits, uint16_t samples) {
    const std::string path = dir.Path("image.tif");
    DecodedTiff d;
    EXPECT_EQ(WriteImageFile(path.c_str(), image, kImageFileTiff, significantBits), 1);
    EXPECT_TRUE(DecodeTiff(path, &d));
    EXPECT_EQ(d.width, static_cast<uint32_t>(image.Width()));
    EXPECT_EQ(d.height, static_cast<uint32_t>(image.Height()));
    EXPECT_EQ(d.bitsPerSample, bits);
    EXPECT_EQ(d.samplesPerPixel, samples);
    EXPECT_EQ(d.photometric, samples == 1 ? PHOTOMETRIC_MINISBLACK : PHOTOMETRIC_RGB);
    EXPECT_EQ(d.compression, COMPRESSION_NONE);
    EXPECT_EQ(d.planar, PLANARCONFIG_CONTIG);
    EXPECT_EQ(d.strips, 1u);
    EXPECT_EQ(d.extraSamples, samples == 4 ? 1 : 0);
    // One strip of packed rows: no row padding.
    EXPECT_EQ(d.strip.size(),
              static_cast<size_t>(image.Width()) * image.Height() * samples * bits / 8);
    return d;
}

// Widths with and without row padding: unpadded rows go out straight from the buffer.
TEST(TiffFile, EightBitGreyIsPackedRowsTopFirst) {
    ScratchDir dir;
    for (int32_t width : {5, 8}) {
        CDibImage image;
        ASSERT_EQ(image.Create(width, 3, 8), 1);
        test::FillBytes(image);
        const DecodedTiff d = SaveAndDecode(dir, image, 16, 8, 1);
        for (int y = 0; y < 3; ++y) {
            for (int x = 0; x < width; ++x) {
                ASSERT_EQ(d.At(x, y, 0), *PixelAt(image, x, y)) << x << "," << y;
            }
        }
    }
}

TEST(TiffFile, SixteenBitGreyKeepsOrWidensSamples) {
    ScratchDir dir;
    for (int32_t width : {5, 6}) {
        CDibImage image;
        ASSERT_EQ(image.Create(width, 3, 16), 1);
        test::FillSamples12(image);
        for (int32_t bits : {16, 12, 10}) {
            const int shift = bits == 16 ? 0 : 16 - bits;
            const DecodedTiff d = SaveAndDecode(dir, image, bits, 16, 1);
            for (int y = 0; y < 3; ++y) {
                for (int x = 0; x < width; ++x) {
                    ASSERT_EQ(d.At(x, y, 0), (Sample16(image, x, y, 0) << shift) & 0xFFFFu)
                        << x << "," << y << " at " << bits << ", width " << width;
                }
            }
        }
    }
}

TEST(TiffFile, EightBitColourIsRgbAndAZeroFourthSample) {
    ScratchDir dir;
    for (int bitCount : {24, 32}) {
        CDibImage image;
        ASSERT_EQ(image.Create(5, 3, bitCount), 1);
        test::FillBytes(image);
        const uint16_t samples = bitCount == 24 ? 3 : 4;
        const DecodedTiff d = SaveAndDecode(dir, image, 16, 8, samples);
        for (int y = 0; y < 3; ++y) {
            for (int x = 0; x < 5; ++x) {
                const uint8_t* p = PixelAt(image, x, y);
                ASSERT_EQ(d.At(x, y, 0), p[2]) << bitCount;
                ASSERT_EQ(d.At(x, y, 1), p[1]) << bitCount;
                ASSERT_EQ(d.At(x, y, 2), p[0]) << bitCount;
                if (samples == 4) {
                    ASSERT_EQ(d.At(x, y, 3), 0u);
                }
            }
        }
    }
}

TEST(TiffFile, SixteenBitColourIsRgbWithSamplesBySignificantBits) {
    ScratchDir dir;
    for (int bitCount : {48, 64}) {
        CDibImage image;
        ASSERT_EQ(image.Create(5, 3, bitCount), 1);
        test::FillSamples12(image);
        const uint16_t samples = bitCount == 48 ? 3 : 4;
        for (int32_t bits : {16, 12, 10}) {
            const int shift = bits == 16 ? 0 : 16 - bits;
            const DecodedTiff d = SaveAndDecode(dir, image, bits, 16, samples);
            for (int y = 0; y < 3; ++y) {
                for (int x = 0; x < 5; ++x) {
                    for (int c = 0; c < 3; ++c) {
                        ASSERT_EQ(d.At(x, y, c), (Sample16(image, x, y, 2 - c) << shift) & 0xFFFFu)
                            << bitCount << " bits, " << bits << " significant";
                    }
                    if (samples == 4) {
                        ASSERT_EQ(d.At(x, y, 3), 0xFFFFu);
                    }
                }
            }
        }
    }
}

TEST(TiffFile, UnknownSignificantBitsWriteABlackPicture) {
    ScratchDir dir;
    CDibImage image;
    ASSERT_EQ(image.Create(4, 2, 16), 1);
    test::FillConstant16(image, 1000);
    const DecodedTiff d = SaveAndDecode(dir, image, 9, 16, 1);
    for (int x = 0; x < 4; ++x) EXPECT_EQ(d.At(x, 1, 0), 0u);
}

}  // namespace
}  // namespace kelvra

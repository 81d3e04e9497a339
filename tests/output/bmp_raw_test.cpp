// BMP and raw files, read back byte by byte against the layout they must have.
#include <gtest/gtest.h>

#include <filesystem>

#include "OutputTestUtil.h"
#include "output/BmpWriter.h"
#include "output/ImageFileWriter.h"

namespace kelvra {
namespace {

using test::FillBytes;
using test::Le16;
using test::Le32;
using test::ReadAll;
using test::ScratchDir;

constexpr int kSignificant = kSaveSignificantBits;

// Checks the 14-byte file header and the 40-byte info header, then returns the data offset.
uint32_t ExpectBmpHeaders(const std::vector<uint8_t>& f, const CDibImage& image) {
    const uint32_t offset = image.BitCount() <= 8 ? 1078 : 54;
    EXPECT_EQ(f.size(), offset + image.ImageBytes());
    EXPECT_EQ(Le16(f, 0), 0x4D42);
    EXPECT_EQ(Le32(f, 2), f.size());
    EXPECT_EQ(Le32(f, 6), 0u);
    EXPECT_EQ(Le32(f, 10), offset);
    EXPECT_EQ(Le32(f, 14), 40u);
    EXPECT_EQ(static_cast<int32_t>(Le32(f, 18)), image.Width());
    EXPECT_EQ(static_cast<int32_t>(Le32(f, 22)), image.Height());
    EXPECT_EQ(Le16(f, 26), 1);
    EXPECT_EQ(Le16(f, 28), image.BitCount());
    for (size_t at = 30; at < 54; ++at) EXPECT_EQ(f[at], 0) << "info header byte " << at;
    return offset;
}

// File row k must be buffer row `flip ? h-1-k : k`, padding included.
void ExpectRows(const std::vector<uint8_t>& f, uint32_t offset, const CDibImage& image, bool flip) {
    const size_t stride = static_cast<size_t>(image.Stride());
    for (int32_t k = 0; k < image.Height(); ++k) {
        const int32_t row = flip ? image.Height() - 1 - k : k;
        const uint8_t* expected = image.Bits() + row * stride;
        ASSERT_EQ(0, std::memcmp(f.data() + offset + k * stride, expected, stride))
            << "file row " << k << " at " << image.BitCount() << " bits";
    }
}

TEST(BmpFile, EightBitHasGreyTableAndBottomUpRows) {
    ScratchDir dir;
    CDibImage image;
    ASSERT_EQ(image.Create(7, 3, 8), 1);
    FillBytes(image);
    const std::string path = dir.Path("grey.bmp");
    ASSERT_EQ(WriteImageFile(path.c_str(), image, kImageFileBmp, kSignificant), 1);
    const auto f = ReadAll(path);
    ASSERT_EQ(f.size(), 1078u + 3 * 8);
    const uint32_t offset = ExpectBmpHeaders(f, image);
    for (int i = 0; i < 256; ++i) {
        EXPECT_EQ(Le32(f, 54 + 4 * i), static_cast<uint32_t>(i | (i << 8) | (i << 16))) << i;
    }
    ExpectRows(f, offset, image, true);
}

TEST(BmpFile, EveryDepthKeepsItsBitCountAndFlipsRows) {
    ScratchDir dir;
    for (int bits : {16, 24, 32, 48, 64}) {
        CDibImage image;
        ASSERT_EQ(image.Create(5, 4, bits), 1);
        FillBytes(image);
        const std::string path = dir.Path(test::Numbered("d", bits, ".bmp"));
        ASSERT_EQ(WriteImageFile(path.c_str(), image, kImageFileBmp, kSignificant), 1) << bits;
        const auto f = ReadAll(path);
        const uint32_t offset = ExpectBmpHeaders(f, image);
        EXPECT_EQ(offset, 54u);
        ExpectRows(f, offset, image, true);
    }
}

TEST(BmpFile, TwentyFourBitsOfWidthFiveHaveSixteenByteRows) {
    ScratchDir dir;
    CDibImage image;
    ASSERT_EQ(image.Create(5, 6, 24), 1);
    FillBytes(image);
    const std::string path = dir.Path("w5.bmp");
    ASSERT_EQ(WriteImageFile(path.c_str(), image, kImageFileBmp, kSignificant), 1);
    const auto f = ReadAll(path);
    EXPECT_EQ(f.size(), 54u + 16 * 6);
    // Last pixel of the file's first row is the bottom row's, then one padding byte.
    const uint8_t* lastPixel = test::PixelAt(image, 4, 5);
    EXPECT_EQ(0, std::memcmp(f.data() + 54 + 12, lastPixel, 3));
    EXPECT_EQ(f[54 + 15], 0);
}

TEST(BmpFile, SaveBmpWritesTheBufferRowsAsStoredWithTheImagesColourTable) {
    ScratchDir dir;
    CDibImage image;
    ASSERT_EQ(image.Create(3, 2, 8), 1);
    FillBytes(image);
    const RgbQuad red{0, 0, 200, 0};
    image.SetPalette(2, &red, 7, 1);
    const std::string path = dir.Path("save.bmp");
    ASSERT_EQ(SaveBmp(image, path.c_str()), 1);
    const auto f = ReadAll(path);
    const uint32_t offset = ExpectBmpHeaders(f, image);
    EXPECT_EQ(Le32(f, 54 + 4 * 7), 200u << 16);
    ExpectRows(f, offset, image, false);
}

TEST(BmpFile, ExistingLongerFileIsTruncated) {
    ScratchDir dir;
    const std::string path = dir.Path("old.bmp");
    ASSERT_TRUE(test::WriteAll(path, std::vector<uint8_t>(100000, 0xAA)));
    CDibImage image;
    ASSERT_EQ(image.Create(4, 4, 24), 1);
    ASSERT_EQ(WriteImageFile(path.c_str(), image, kImageFileBmp, kSignificant), 1);
    EXPECT_EQ(std::filesystem::file_size(path), 54u + 4 * 12);
}

TEST(RawFile, IsTheBufferUnchanged) {
    ScratchDir dir;
    for (int bits : {8, 16, 24, 32, 48, 64}) {
        CDibImage image;
        ASSERT_EQ(image.Create(5, 3, bits), 1);
        FillBytes(image);
        const std::string path = dir.Path(test::Numbered("raw", bits));
        ASSERT_EQ(WriteImageFile(path.c_str(), image, kImageFileRaw, kSignificant), 1);
        const auto f = ReadAll(path);
        ASSERT_EQ(f.size(), image.ImageBytes());
        EXPECT_EQ(0, std::memcmp(f.data(), image.Bits(), f.size())) << bits;
    }
}

TEST(ImageFile, UnknownFormatWritesNothing) {
    ScratchDir dir;
    CDibImage image;
    ASSERT_EQ(image.Create(4, 4, 24), 1);
    for (int32_t format : {7, -1, 1000}) {
        const std::string path = dir.Path(test::Numbered("f", format));
        EXPECT_EQ(WriteImageFile(path.c_str(), image, format, kSignificant), 0);
        EXPECT_FALSE(std::filesystem::exists(path)) << format;
    }
}

TEST(ImageFile, EmptyImageNullPathOrMissingFolderFailEveryFormat) {
    ScratchDir dir;
    CDibImage empty;
    CDibImage image;
    ASSERT_EQ(image.Create(4, 4, 8), 1);
    const std::string missing = dir.Path("no/such/folder/file");
    for (int32_t format = kImageFileBmp; format <= kImageFileTiff; ++format) {
        const std::string path = dir.Path(test::Numbered("e", format));
        EXPECT_EQ(WriteImageFile(path.c_str(), empty, format, kSignificant), 0) << format;
        EXPECT_EQ(WriteImageFile(nullptr, image, format, kSignificant), 0) << format;
        EXPECT_EQ(WriteImageFile(missing.c_str(), image, format, kSignificant), 0) << format;
    }
}

}  // namespace
}  // namespace kelvra

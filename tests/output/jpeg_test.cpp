// JPEG files decoded with libjpeg's own reader.
#include <gtest/gtest.h>

#include <csetjmp>
#include <cstdlib>

#include <jpeglib.h>

#include "OutputTestUtil.h"
#include "output/ImageFileWriter.h"

namespace kelvra {
namespace {

using test::ReadAll;
using test::ScratchDir;

struct DecodedJpeg {
    int width = 0;
    int height = 0;
    int components = 0;
    bool progressive = false;
    std::vector<uint16_t> lumaQuant;  // the first quantisation table
    std::vector<uint8_t> pixels;      // rows top first, width × components each

    int At(int x, int y, int c) const {
        return pixels[(static_cast<size_t>(y) * width + x) * components + c];
    }
};

struct ErrorTrap {
    jpeg_error_mgr manager;
    std::jmp_buf unwind;
};

[[noreturn]] void Unwind(j_common_ptr cinfo) {
    std::longjmp(reinterpret_cast<ErrorTrap*>(cinfo->err)->unwind, 1);
}

void ReadImage(jpeg_decompress_struct* cinfo, DecodedJpeg* out) {
    out->progressive = cinfo->progressive_mode != 0;
    const JQUANT_TBL* table = cinfo->quant_tbl_ptrs[0];
    if (table != nullptr) out->lumaQuant.assign(table->quantval, table->quantval + DCTSIZE2);
    jpeg_start_decompress(cinfo);
    out->width = static_cast<int>(cinfo->output_width);
    out->height = static_cast<int>(cinfo->output_height);
    out->components = cinfo->output_components;
    out->pixels.resize(static_cast<size_t>(out->width) * out->height * out->components);
    while (cinfo->output_scanline < cinfo->output_height) {
        JSAMPROW row = out->pixels.data() +
                       static_cast<size_t>(cinfo->output_scanline) * out->width * out->components;
        jpeg_read_scanlines(cinfo, &row, 1);
    }
    jpeg_finish_decompress(cinfo);
}

bool DecodeJpeg(const std::vector<uint8_t>& bytes, DecodedJpeg* out) {
    jpeg_decompress_struct cinfo;
    std::memset(&cinfo, 0, sizeof(cinfo));
    ErrorTrap trap;
    cinfo.err = jpeg_std_error(&trap.manager);
    trap.manager.error_exit = Unwind;
    if (setjmp(trap.unwind) != 0) {
        jpeg_destroy_decompress(&cinfo);
        return false;
    }
    jpeg_create_decompress(&cinfo);
    jpeg_mem_src(&cinfo, bytes.data(), static_cast<unsigned long>(bytes.size()));
    jpeg_read_header(&cinfo, TRUE);
    ReadImage(&cinfo, out);
    jpeg_destroy_decompress(&cinfo);
    return true;
}

DecodedJpeg SaveAndDecode(const ScratchDir& dir, const CDibImage& image, int32_t format,
                          int32_t significantBits) {
    const std::string path = dir.Path("image.jpg");
    DecodedJpeg decoded;
    EXPECT_EQ(WriteImageFile(path.c_str(), image, format, significantBits), 1);
    EXPECT_TRUE(DecodeJpeg(ReadAll(path), &decoded));
    return decoded;
}

void SetBgr(CDibImage& image, int x, int y, uint8_t b, uint8_t g, uint8_t r) {
    uint8_t* p = test::PixelAt(image, x, y);
    p[0] = b;
    p[1] = g;
    p[2] = r;
}

TEST(JpegFile, GreyEightBitIsProgressiveGreyInPictureOrder) {
    ScratchDir dir;
    CDibImage image;
    ASSERT_EQ(image.Create(33, 17, 8), 1);
    for (int y = 0; y < 17; ++y) {
        for (int x = 0; x < 33; ++x) *test::PixelAt(image, x, y) = static_cast<uint8_t>(y * 15);
    }
    const DecodedJpeg d = SaveAndDecode(dir, image, kImageFileJpeg100, 16);
    EXPECT_EQ(d.width, 33);
    EXPECT_EQ(d.height, 17);
    EXPECT_EQ(d.components, 1);
    EXPECT_TRUE(d.progressive);
    for (int y = 0; y < 17; ++y) EXPECT_NEAR(d.At(16, y, 0), y * 15, 3) << "row " << y;
}

TEST(JpegFile, ColourIsRedGreenBlueTopFirstForBothPixelSizes) {
    ScratchDir dir;
    for (int bits : {24, 32}) {
        CDibImage image;
        ASSERT_EQ(image.Create(32, 32, bits), 1);
        for (int y = 0; y < 32; ++y) {
            for (int x = 0; x < 32; ++x) {
                if (y < 16) {
                    SetBgr(image, x, y, 0, 0, 230);  // red on top
                } else {
                    SetBgr(image, x, y, 230, 0, 0);  // blue below
                }
            }
        }
        const DecodedJpeg d = SaveAndDecode(dir, image, kImageFileJpeg100, 16);
        ASSERT_EQ(d.components, 3) << bits;
        EXPECT_NEAR(d.At(8, 4, 0), 230, 4) << bits;
        EXPECT_NEAR(d.At(8, 4, 2), 0, 4) << bits;
        EXPECT_NEAR(d.At(8, 28, 0), 0, 4) << bits;
        EXPECT_NEAR(d.At(8, 28, 2), 230, 4) << bits;
    }
}

// 16-bit grey holds the camera's 12-bit samples: a mid-grey frame must not come out black.
TEST(JpegFile, SixteenBitGreyIsReducedOnTheTwelveBitScale) {
    ScratchDir dir;
    struct Case {
        int32_t significantBits;
        uint16_t sample;
        int expected;
    };
    const Case cases[] = {{16, 2048, 128},
                          {16, 4095, 255},
                          {12, 2048, 128},
                          {10, 512, 128},
                          {10, 1023, 255},
                          // Above the scale the value saturates instead of wrapping around to dark.
                          {16, 5000, 255},
                          {12, 65535, 255},
                          {10, 4095, 255},
                          // Significant bits the writer does not know leave the picture black.
                          {8, 4095, 0}};
    for (const Case& c : cases) {
        CDibImage image;
        ASSERT_EQ(image.Create(16, 16, 16), 1);
        test::FillConstant16(image, c.sample);
        const DecodedJpeg d = SaveAndDecode(dir, image, kImageFileJpeg100, c.significantBits);
        ASSERT_EQ(d.components, 1);
        EXPECT_NEAR(d.At(8, 8, 0), c.expected, 2)
            << c.sample << " at " << c.significantBits << " significant bits";
    }
}

TEST(JpegFile, ColourSixteenBitSamplesAreReducedPerChannel) {
    ScratchDir dir;
    for (int bits : {48, 64}) {
        CDibImage image;
        ASSERT_EQ(image.Create(16, 16, bits), 1);
        for (int y = 0; y < 16; ++y) {
            for (int x = 0; x < 16; ++x) {
                test::SetSample16(image, x, y, 0, 0);     // blue
                test::SetSample16(image, x, y, 1, 2048);  // green
                test::SetSample16(image, x, y, 2, 4095);  // red
                if (bits == 64) test::SetSample16(image, x, y, 3, 0x1234);
            }
        }
        const DecodedJpeg d = SaveAndDecode(dir, image, kImageFileJpeg100, 16);
        ASSERT_EQ(d.components, 3);
        EXPECT_NEAR(d.At(8, 8, 0), 255, 3) << bits;
        EXPECT_NEAR(d.At(8, 8, 1), 128, 3) << bits;
        EXPECT_NEAR(d.At(8, 8, 2), 0, 3) << bits;
    }
}

TEST(JpegFile, ThreeQualitiesUseBaselineTablesOfFallingPrecision) {
    ScratchDir dir;
    CDibImage image;
    ASSERT_EQ(image.Create(64, 64, 24), 1);
    test::FillBytes(image);
    const DecodedJpeg q100 = SaveAndDecode(dir, image, kImageFileJpeg100, 16);
    const DecodedJpeg q70 = SaveAndDecode(dir, image, kImageFileJpeg70, 16);
    const DecodedJpeg q20 = SaveAndDecode(dir, image, kImageFileJpeg20, 16);
    ASSERT_EQ(q100.lumaQuant.size(), 64u);
    ASSERT_EQ(q70.lumaQuant.size(), 64u);
    ASSERT_EQ(q20.lumaQuant.size(), 64u);
    for (int i = 0; i < 64; ++i) {
        EXPECT_EQ(q100.lumaQuant[i], 1) << i;
        EXPECT_LT(q70.lumaQuant[i], q20.lumaQuant[i]) << i;
        EXPECT_LE(q20.lumaQuant[i], 255) << i;  // baseline forced
    }
    // Quality 70 scales the standard table by 60 %: its first entry 16 becomes 10.
    EXPECT_EQ(q70.lumaQuant[0], 10);
    EXPECT_TRUE(q20.progressive);
}

}  // namespace
}  // namespace kelvra

// Saving an application's pixels: frames it owns through the frame queue and buffers of its own,
// compared with the library's own save of the same picture.
#include <sys/stat.h>

#include <array>
#include <string>
#include <vector>

#include "acquisition/AcquisitionFixture.h"
#include "output/OutputTestUtil.h"

namespace kelvra::test {
namespace {

struct FormatFile {
    int format;
    const char* extension;
};
constexpr std::array<FormatFile, 5> kFormats = {{{KELVRA_FORMAT_BMP, ".bmp"},
                                                 {KELVRA_FORMAT_RAW, ".raw"},
                                                 {KELVRA_FORMAT_JPEG_HIGH, ".jpg"},
                                                 {KELVRA_FORMAT_PNG, ".png"},
                                                 {KELVRA_FORMAT_TIFF, ".tif"}}};

KELVRA_IMAGE Image(const void* data, int width, int height, int bits, int stride) {
    KELVRA_IMAGE image{};
    image.size = sizeof image;
    image.width = width;
    image.height = height;
    image.bitsPerPixel = bits;
    image.rowStride = stride;
    image.data = data;
    return image;
}

using SaveImageDataTest = AcquisitionTest;

TEST_F(SaveImageDataTest, AnOwnedFrameSavesAsTheLibrarysOwnImageInEveryFormatAtBothDepths) {
    ScratchDir dir;
    camera_->setTestPattern(true);
    ASSERT_EQ(Kelvra_SetSubSample(handle_, 1), 1);
    ASSERT_EQ(Kelvra_OpenFrameQueue(handle_, 2), 1);
    for (int bits : {8, 16}) {
        ASSERT_EQ(Kelvra_SetColorMode(handle_, bits), 1);
        ASSERT_EQ(Kelvra_SnapShot(handle_, nullptr, 0, 1), 1);
        KELVRA_FRAME frame{};
        frame.size = sizeof frame;
        ASSERT_EQ(Kelvra_WaitFrame(handle_, &frame, 5000), 1);
        ASSERT_EQ(frame.bitsPerPixel, bits);
        const KELVRA_IMAGE image =
            Image(frame.data, frame.width, frame.height, frame.bitsPerPixel, frame.rowStride);
        for (const FormatFile& f : kFormats) {
            const std::string ours = dir.Path(Numbered("ours", bits, f.extension));
            const std::string theirs = dir.Path(Numbered("library", bits, f.extension));
            ASSERT_EQ(Kelvra_SaveImageData(ours.c_str(), f.format, &image), 1) << ours;
            ASSERT_EQ(Kelvra_SaveImage(handle_, theirs.c_str(), f.format), 1) << theirs;
            const std::vector<uint8_t> mine = ReadAll(ours);
            EXPECT_GT(mine.size(), 1000u) << ours;
            EXPECT_TRUE(mine == ReadAll(theirs)) << ours << " differs from " << theirs;
        }
        EXPECT_EQ(Kelvra_ReleaseFrame(handle_, &frame), 1);
    }
}

// Rows of 5 and 3 pixels whose strides (7 and 10 bytes) are neither packed to 4 nor equal to
// the library's: the bytes between the caller's rows never reach the file, the library's row
// padding is zero.
TEST(SaveImageData, TheCallersStrideIsHonouredAndItsGapsNeverWritten) {
    ScratchDir dir;
    constexpr uint8_t kGap = 0xEE;
    std::vector<uint8_t> grey(7 * 3, kGap);
    for (int y = 0; y < 3; ++y) {
        for (int x = 0; x < 5; ++x) grey[size_t(y * 7 + x)] = uint8_t(10 * y + x + 1);
    }
    const KELVRA_IMAGE image8 = Image(grey.data(), 5, 3, 8, 7);
    ASSERT_EQ(Kelvra_SaveImageData(dir.Path("g.raw").c_str(), KELVRA_FORMAT_RAW, &image8), 1);
    const std::vector<uint8_t> raw = ReadAll(dir.Path("g.raw"));
    ASSERT_EQ(raw.size(), 3u * 8u);
    for (int y = 0; y < 3; ++y) {
        for (int x = 0; x < 8; ++x) {
            EXPECT_EQ(raw[size_t(y * 8 + x)], x < 5 ? 10 * y + x + 1 : 0) << x << "," << y;
        }
    }
    ASSERT_EQ(Kelvra_SaveImageData(dir.Path("g.bmp").c_str(), KELVRA_FORMAT_BMP, &image8), 1);
    EXPECT_EQ(ReadAll(dir.Path("g.bmp")).size(), 1078u + 3u * 8u);

    std::vector<uint16_t> wide(5 * 2, 0xEEEE);  // rows of 10 bytes: 3 samples, then a gap
    for (int y = 0; y < 2; ++y) {
        for (int x = 0; x < 3; ++x) wide[size_t(y * 5 + x)] = uint16_t(4000 + 10 * y + x);
    }
    const KELVRA_IMAGE image16 = Image(wide.data(), 3, 2, 16, 10);
    ASSERT_EQ(Kelvra_SaveImageData(dir.Path("w.raw").c_str(), KELVRA_FORMAT_RAW, &image16), 1);
    const std::vector<uint8_t> raw16 = ReadAll(dir.Path("w.raw"));
    ASSERT_EQ(raw16.size(), 2u * 8u);
    for (int y = 0; y < 2; ++y) {
        for (int x = 0; x < 3; ++x)
            EXPECT_EQ(Le16(raw16, size_t(y * 8 + 2 * x)), 4000 + 10 * y + x);
        EXPECT_EQ(Le16(raw16, size_t(y * 8 + 6)), 0);
    }
}

TEST(SaveImageData, RefusedArgumentsReturnZeroAndLeaveAnOldFileAlone) {
    ScratchDir dir;
    const std::string old = dir.Path("old.png");
    ASSERT_TRUE(WriteAll(old, {1, 2, 3}));
    const std::vector<uint8_t> pixels(64, 9);
    const KELVRA_IMAGE good = Image(pixels.data(), 4, 4, 8, 4);
    const char* name = old.c_str();
    EXPECT_EQ(Kelvra_SaveImageData(nullptr, KELVRA_FORMAT_PNG, &good), 0);
    EXPECT_EQ(Kelvra_SaveImageData("", KELVRA_FORMAT_PNG, &good), 0);
    EXPECT_EQ(Kelvra_SaveImageData(name, KELVRA_FORMAT_PNG, nullptr), 0);
    EXPECT_EQ(Kelvra_SaveImageData(name, 7, &good), 0);
    EXPECT_EQ(Kelvra_SaveImageData(name, -1, &good), 0);
    KELVRA_IMAGE bad = good;
    bad.size = sizeof bad - 1;
    EXPECT_EQ(Kelvra_SaveImageData(name, KELVRA_FORMAT_PNG, &bad), 0);
    const KELVRA_IMAGE refused[] = {
        Image(nullptr, 4, 4, 8, 4),        Image(pixels.data(), 0, 4, 8, 4),
        Image(pixels.data(), 4, -1, 8, 4), Image(pixels.data(), 4, 4, 12, 4),
        Image(pixels.data(), 4, 4, 16, 7), Image(pixels.data(), 4, 4, 8, -4),
    };
    for (const KELVRA_IMAGE& image : refused) {
        EXPECT_EQ(Kelvra_SaveImageData(name, KELVRA_FORMAT_PNG, &image), 0)
            << image.width << "x" << image.height << "x" << image.bitsPerPixel << " stride "
            << image.rowStride;
    }
    EXPECT_EQ(ReadAll(old), (std::vector<uint8_t>{1, 2, 3}));
}

TEST(SaveImageData, APathThatCannotBeWrittenReturnsMinusOneAtOnce) {
    ScratchDir dir;
    const std::vector<uint8_t> pixels(16, 9);
    const KELVRA_IMAGE image = Image(pixels.data(), 4, 4, 8, 4);
    const std::string fifo = dir.Path("pipe.png");
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    // A FIFO nobody reads would block an open for writing forever: refused without opening.
    EXPECT_EQ(Kelvra_SaveImageData(fifo.c_str(), KELVRA_FORMAT_PNG, &image), -1);
    EXPECT_EQ(Kelvra_SaveImageData(dir.Path("").c_str(), KELVRA_FORMAT_RAW, &image), -1);
    EXPECT_EQ(Kelvra_SaveImageData(dir.Path("missing/x.tif").c_str(), KELVRA_FORMAT_TIFF, &image),
              -1);
}

}  // namespace
}  // namespace kelvra::test

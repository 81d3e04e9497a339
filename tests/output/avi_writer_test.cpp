// AVI files read back with an independent RIFF walker.
#include <gtest/gtest.h>

#include <filesystem>

#include "OutputTestUtil.h"
#include "RiffWalker.h"
#include "output/CAviWriter.h"

namespace kelvra {
namespace {

using test::ReadAll;
using test::RiffWalker;
using test::ScratchDir;
using test::WalkedAvi;

std::vector<uint8_t> FramePattern(uint32_t size, int frame) {
    std::vector<uint8_t> pixels(size);
    for (uint32_t i = 0; i < size; ++i) pixels[i] = static_cast<uint8_t>(i * 31 + frame * 7);
    return pixels;
}

// Records `frames` patterned frames; rateHundredths 0 leaves the rate OpenAvi set.
WalkedAvi Record(const std::string& path, int32_t width, int32_t height, int frames,
                 uint32_t rateHundredths, std::vector<uint8_t>* file = nullptr) {
    CAviWriter writer;
    writer.SetFormat(width, height, 24);
    EXPECT_EQ(writer.OpenAvi(path.c_str()), 1);
    for (int i = 0; i < frames; ++i) {
        EXPECT_EQ(writer.AddFrame(FramePattern(writer.FrameSize(), i).data()), 1) << i;
    }
    EXPECT_EQ(writer.FrameCount(), frames);
    if (rateHundredths != 0) writer.SetRate(rateHundredths);
    EXPECT_EQ(writer.CloseAvi(), 1);
    EXPECT_FALSE(writer.IsOpen());
    const auto bytes = ReadAll(path);
    if (file != nullptr) *file = bytes;
    return RiffWalker(bytes).Walk();
}

void ExpectFramesAndIndex(const WalkedAvi& avi, uint32_t frameSize, size_t frames) {
    ASSERT_EQ(avi.frames.size(), frames);
    ASSERT_EQ(avi.index.size(), frames);
    EXPECT_EQ(avi.moviListSize, 4 + frames * (8 + frameSize));
    for (size_t i = 0; i < frames; ++i) {
        EXPECT_EQ(avi.frames[i].size, frameSize);
        EXPECT_EQ(avi.frames[i].offsetFromMovi, 4 + i * (8 + frameSize));
        EXPECT_EQ(avi.frames[i].fileOffset, 232 + i * (8 + frameSize));
        EXPECT_EQ(avi.index[i].id, "00db");
        EXPECT_EQ(avi.index[i].flags, 0x10u);
        EXPECT_EQ(avi.index[i].offset, 4 + i * (8 + frameSize)) << i;
        EXPECT_EQ(avi.index[i].size, frameSize);
    }
}

TEST(AviWriter, VgaRecordingHasFullFramesAndCompleteHeaders) {
    ScratchDir dir;
    std::vector<uint8_t> file;
    const WalkedAvi avi = Record(dir.Path("vga.avi"), 640, 480, 3, 3000, &file);
    ASSERT_EQ(avi.error, "");
    EXPECT_EQ(avi.riffSize, file.size() - 8);
    EXPECT_EQ(file.size(), 232 + 3 * 921608u + 8 + 3 * 16);
    EXPECT_EQ(avi.avihBufferSize, 921608u);
    EXPECT_EQ(avi.strhBufferSize, 921608u);
    EXPECT_EQ(avi.width, 640u);
    EXPECT_EQ(avi.height, 480u);
    EXPECT_EQ(avi.flags, 0x10010u);
    EXPECT_EQ(avi.streams, 1u);
    EXPECT_EQ(avi.totalFrames, 3u);
    EXPECT_EQ(avi.length, 3u);
    EXPECT_EQ(avi.streamType, "vids");
    EXPECT_EQ(avi.handler, "DIB ");
    EXPECT_EQ(avi.bmiWidth, 640u);
    EXPECT_EQ(avi.bmiHeight, 480u);
    EXPECT_EQ(avi.bmiPlanes, 1);
    EXPECT_EQ(avi.bmiBitCount, 24);
    EXPECT_EQ(avi.bmiCompression, 0u);
    ExpectFramesAndIndex(avi, 921600, 3);
    EXPECT_EQ(avi.frames[1].fileOffset - avi.frames[0].fileOffset, 921608u);
    const auto second = FramePattern(921600, 1);
    EXPECT_EQ(0, std::memcmp(file.data() + avi.frames[1].fileOffset + 8, second.data(), 921600));
}

TEST(AviWriter, HeaderFieldsSitAtTheirFixedOffsets) {
    ScratchDir dir;
    std::vector<uint8_t> f;
    Record(dir.Path("fixed.avi"), 8, 2, 1, 3000, &f);
    ASSERT_GE(f.size(), 232u);
    EXPECT_EQ(test::Tag(f, 12), "LIST");
    EXPECT_EQ(test::Le32(f, 16), 200u);
    EXPECT_EQ(test::Le32(f, 28), 56u);
    EXPECT_EQ(test::Le32(f, 92), 124u);
    EXPECT_EQ(test::Le32(f, 104), 64u);
    EXPECT_EQ(test::Le32(f, 176), 40u);
    EXPECT_EQ(test::Le32(f, 180), 40u);
    EXPECT_EQ(test::Tag(f, 220), "LIST");
    EXPECT_EQ(test::Tag(f, 228), "movi");
    EXPECT_EQ(test::Tag(f, 232), "00db");
    EXPECT_EQ(test::Le32(f, 224), 4u + 8 + 24 * 2);
}

TEST(AviWriter, OddWidthRowsArePaddedToFourBytes) {
    ScratchDir dir;
    CAviWriter writer;
    writer.SetFormat(5, 7, 24);
    EXPECT_EQ(writer.FrameSize(), 16u * 7);
    const WalkedAvi avi = Record(dir.Path("w5.avi"), 5, 7, 2, 3000);
    ASSERT_EQ(avi.error, "");
    ExpectFramesAndIndex(avi, 112, 2);
    EXPECT_EQ(avi.avihBufferSize, 120u);
}

TEST(AviWriter, MeasuredRateSetsFrameTimeAndScale) {
    ScratchDir dir;
    EXPECT_EQ(CAviWriter::MeasureRate(60, 2000), 3000u);
    const WalkedAvi avi = Record(dir.Path("rate.avi"), 4, 4, 60, CAviWriter::MeasureRate(60, 2000));
    ASSERT_EQ(avi.error, "");
    EXPECT_EQ(avi.microsPerFrame, 33333u);
    EXPECT_EQ(avi.scale, 333333u);
    EXPECT_EQ(avi.rate, 10000000u);
    EXPECT_EQ(avi.totalFrames, 60u);
    ExpectFramesAndIndex(avi, 48, 60);
}

TEST(AviWriter, MeasureRateNeverOverflowsOrReachesZero) {
    EXPECT_EQ(CAviWriter::MeasureRate(0, 5000), 1u);
    EXPECT_EQ(CAviWriter::MeasureRate(10, 0), 1000000u);
    // 50000 × 100000 overflows 32 bits.
    EXPECT_EQ(CAviWriter::MeasureRate(50000, 1000), 5000000u);
    EXPECT_EQ(CAviWriter::MeasureRate(7, 3000), 233u);
}

// A recording stopped early (closing the device or handle) is finalised with what it has.
TEST(AviWriter, RecordingStoppedEarlyIsACompleteFile) {
    ScratchDir dir;
    const WalkedAvi three = Record(dir.Path("early.avi"), 6, 3, 3, 0);
    ASSERT_EQ(three.error, "");
    EXPECT_EQ(three.totalFrames, 3u);
    EXPECT_EQ(three.microsPerFrame, 33333u);  // no measured rate: the opening 30 fps
    EXPECT_EQ(three.scale, 333333u);
    ExpectFramesAndIndex(three, 60, 3);

    const WalkedAvi none = Record(dir.Path("none.avi"), 6, 3, 0, 0);
    ASSERT_EQ(none.error, "");
    EXPECT_EQ(none.totalFrames, 0u);
    EXPECT_TRUE(none.hasIndex);
    EXPECT_TRUE(none.frames.empty());
}

TEST(AviWriter, DestroyingAnOpenWriterFinalisesTheFile) {
    ScratchDir dir;
    const std::string path = dir.Path("dtor.avi");
    {
        CAviWriter writer;
        writer.SetFormat(4, 4, 24);
        ASSERT_EQ(writer.OpenAvi(path.c_str()), 1);
        ASSERT_EQ(writer.AddFrame(FramePattern(48, 0).data()), 1);
    }
    const WalkedAvi avi = RiffWalker(ReadAll(path)).Walk();
    ASSERT_EQ(avi.error, "");
    EXPECT_EQ(avi.totalFrames, 1u);
}

// An abandoned recording has no index and no sizes: it is dropped rather than put in the
// place of the file of that name, which stays as it was.
TEST(AviWriter, ResetDropsTheUnfinishedFileAndTheNextRecordingStartsAfresh) {
    ScratchDir dir;
    CAviWriter writer;
    writer.SetFormat(4, 4, 24);
    const std::string first = dir.Path("first.avi");
    ASSERT_TRUE(test::WriteAll(first, {'o', 'l', 'd'}));
    ASSERT_EQ(writer.OpenAvi(first.c_str()), 1);
    ASSERT_EQ(writer.AddFrame(FramePattern(48, 0).data()), 1);
    writer.ResetAvi();
    EXPECT_FALSE(writer.IsOpen());
    EXPECT_EQ(writer.FrameCount(), 0);
    EXPECT_EQ(ReadAll(first), (std::vector<uint8_t>{'o', 'l', 'd'}));
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.Path("")),
                            std::filesystem::directory_iterator()),
              1);

    const std::string second = dir.Path("second.avi");
    ASSERT_EQ(writer.OpenAvi(second.c_str()), 1);
    ASSERT_EQ(writer.AddFrame(FramePattern(48, 1).data()), 1);
    ASSERT_EQ(writer.CloseAvi(), 1);
    const WalkedAvi avi = RiffWalker(ReadAll(second)).Walk();
    ASSERT_EQ(avi.error, "");
    ExpectFramesAndIndex(avi, 48, 1);
}

TEST(AviWriter, RefusesWithoutAnOpenFileOrAValidFormat) {
    ScratchDir dir;
    CAviWriter writer;
    const auto pixels = FramePattern(48, 0);
    EXPECT_EQ(writer.AddFrame(pixels.data()), 0);
    EXPECT_EQ(writer.CloseAvi(), 0);
    const std::string path = dir.Path("bad.avi");
    writer.SetFormat(0, 4, 24);
    EXPECT_EQ(writer.OpenAvi(path.c_str()), 0);
    EXPECT_FALSE(std::filesystem::exists(path));
    // A frame larger than the 32-bit size fields can describe.
    writer.SetFormat(40000, 40000, 24);
    EXPECT_EQ(writer.FrameSize(), 0u);
    EXPECT_EQ(writer.OpenAvi(path.c_str()), 0);
    writer.SetFormat(4, 4, 24);
    ASSERT_EQ(writer.OpenAvi(path.c_str()), 1);
    EXPECT_EQ(writer.AddFrame(nullptr), 0);
    // The format cannot change under an open file.
    writer.SetFormat(8, 8, 24);
    EXPECT_EQ(writer.FrameSize(), 48u);
    const std::string missing = dir.Path("no/such/dir.avi");
    EXPECT_EQ(writer.OpenAvi(missing.c_str()), 0);
    EXPECT_FALSE(writer.IsOpen());
}

}  // namespace
}  // namespace kelvra

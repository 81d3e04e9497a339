// A full disk, simulated by a file size limit in a child process: every writer must report
// failure, wherever in the file the space runs out, and succeed when it just fits.
#include <gtest/gtest.h>

#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <functional>

#include "OutputTestUtil.h"
#include "RiffWalker.h"
#include "output/BmpWriter.h"
#include "output/CAviWriter.h"
#include "output/ImageFileWriter.h"
#include "output/MaskFile.h"

namespace kelvra {
namespace {

using test::ScratchDir;

using test::kChildDied;
using test::WithFileSizeLimit;

uint64_t FileSize(const std::string& path) {
    return std::filesystem::file_size(path);
}

TEST(DiskFull, EveryImageFormatAndDepthReportsAFailedWrite) {
    ScratchDir dir;
    for (int bits : {8, 16, 24, 32, 48, 64}) {
        CDibImage image;
        ASSERT_EQ(image.Create(64, 48, bits), 1);
        test::FillBytes(image);
        for (int32_t format = kImageFileBmp; format <= kImageFileTiff; ++format) {
            const std::string path = dir.Path("img");
            const auto write = [&] { return WriteImageFile(path.c_str(), image, format, 16); };
            ASSERT_EQ(write(), 1);
            const uint64_t full = FileSize(path);
            for (uint64_t limit : {uint64_t{0}, full / 2, full - 1}) {
                EXPECT_EQ(WithFileSizeLimit(limit, write), 0)
                    << "format " << format << ", " << bits << " bits, limit " << limit << " of "
                    << full;
            }
            EXPECT_EQ(WithFileSizeLimit(full, write), 1) << "format " << format << ", " << bits;
        }
    }
}

TEST(DiskFull, SaveBmpAndMaskSaveReportAFailedWrite) {
    ScratchDir dir;
    CDibImage image;
    ASSERT_EQ(image.Create(33, 20, 24), 1);
    const std::string bmp = dir.Path("s.bmp");
    const auto saveBmp = [&] { return SaveBmp(image, bmp.c_str()); };
    ASSERT_EQ(saveBmp(), 1);
    EXPECT_EQ(WithFileSizeLimit(FileSize(bmp) - 1, saveBmp), 0);
    EXPECT_EQ(WithFileSizeLimit(10, saveBmp), 0);

    CDibImage d8, b8, d16, b16;
    ASSERT_EQ(d8.Create(kMaskWidth, kMaskHeight, 8), 1);
    ASSERT_EQ(b8.Create(kMaskWidth, kMaskHeight, 8), 1);
    ASSERT_EQ(d16.Create(kMaskWidth, kMaskHeight, 16), 1);
    ASSERT_EQ(b16.Create(kMaskWidth, kMaskHeight, 16), 1);
    const MaskReferences refs{&d8, &b8, &d16, &b16};
    const std::string mask = dir.Path("m.msk");
    const auto saveMask = [&] { return SaveMaskFile(mask.c_str(), refs); };
    EXPECT_EQ(WithFileSizeLimit(kMaskFileSize - 1, saveMask), 0);
    EXPECT_EQ(WithFileSizeLimit(20, saveMask), 0);
    EXPECT_EQ(WithFileSizeLimit(kMaskFileSize, saveMask), 1);
}

// Each image writer replaces a file only with a complete one: when the space runs out, the old
// file stays byte for byte, no temporary file is left beside it, and the codecs print nothing
// (the result reports the failure). Masks: FilesTest.FullDiskKeepsTheOldMaskAndImage.
TEST(DiskFull, FailedSaveKeepsTheOldFileSilently) {
    ScratchDir dir;
    CDibImage image;
    ASSERT_EQ(image.Create(300, 200, 48), 1);
    test::FillBytes(image);
    const std::string messages = dir.Path("stderr.txt");
    const std::string path = dir.Path("picture");
    for (int32_t format = kImageFileBmp; format <= kImageFileTiff; ++format) {
        ASSERT_EQ(WriteImageFile(path.c_str(), image, format, 16), 1);
        const uint64_t full = FileSize(path);
        ASSERT_TRUE(test::WriteAll(path, std::vector<uint8_t>(3000, 0xA5)));  // the old file
        const int result = WithFileSizeLimit(full / 2, [&] {
            if (std::freopen(messages.c_str(), "w", stderr) == nullptr) return 100;
            return WriteImageFile(path.c_str(), image, format, 16);
        });
        EXPECT_EQ(result, 0) << "format " << format;
        EXPECT_TRUE(test::ReadAll(path) == std::vector<uint8_t>(3000, 0xA5)) << "format " << format;
        EXPECT_TRUE(test::ReadAll(messages).empty()) << "format " << format;
        std::vector<std::string> names;
        for (const auto& entry : std::filesystem::directory_iterator(dir.Path(""))) {
            names.push_back(entry.path().filename().string());
        }
        EXPECT_EQ(names.size(), 2u) << "format " << format;  // the old file and the messages
    }
}

// Child result bits of a recording: open, frames 1-3, close.
constexpr int kOpened = 1;
constexpr int kFrame1 = 2;
constexpr int kFrame2 = 4;
constexpr int kFrame3 = 8;
constexpr int kClosed = 16;

int RecordThreeFrames(const std::string& path) {
    CAviWriter writer;
    writer.SetFormat(32, 32, 24);
    int result = writer.OpenAvi(path.c_str()) == 1 ? kOpened : 0;
    std::vector<uint8_t> frame(writer.FrameSize(), 0x5A);
    for (int bit : {kFrame1, kFrame2, kFrame3}) {
        if (writer.AddFrame(frame.data()) == 1) result |= bit;
    }
    if (writer.CloseAvi() == 1) result |= kClosed;
    return result;
}

TEST(DiskFull, AviWriterReportsFailuresAndKeepsTheFileConsistent) {
    ScratchDir dir;
    const std::string path = dir.Path("rec.avi");
    const auto record = [&] { return RecordThreeFrames(path); };
    ASSERT_EQ(record(), kOpened | kFrame1 | kFrame2 | kFrame3 | kClosed);
    const uint64_t full = FileSize(path);
    const uint64_t frameChunk = 8 + 32 * 32 * 3;

    EXPECT_EQ(WithFileSizeLimit(100, record), 0);  // the headers do not fit
    // Only the last byte of the index is missing: the unfinished file is dropped and the
    // recording made before stays, alone in its folder.
    const std::vector<uint8_t> before = test::ReadAll(path);
    EXPECT_EQ(WithFileSizeLimit(full - 1, record), kOpened | kFrame1 | kFrame2 | kFrame3);
    EXPECT_TRUE(test::ReadAll(path) == before);
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.Path("")),
                            std::filesystem::directory_iterator()),
              1);

    // The third frame fails part-way; the index still fits. The close reports the lost frame,
    // and the file holds the two good ones, complete.
    EXPECT_EQ(WithFileSizeLimit(232 + 2 * frameChunk + 100, record), kOpened | kFrame1 | kFrame2);
    const test::WalkedAvi avi = test::RiffWalker(test::ReadAll(path)).Walk();
    ASSERT_EQ(avi.error, "");
    EXPECT_EQ(avi.totalFrames, 2u);
    EXPECT_EQ(avi.index.size(), 2u);
    EXPECT_EQ(FileSize(path), 232 + 2 * frameChunk + 8 + 2 * 16);
}

}  // namespace
}  // namespace kelvra

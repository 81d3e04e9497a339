// The kelvra tool's messages, formats, status line and file checks, without the camera library.
#include <gtest/gtest.h>
#include <unistd.h>
#include <algorithm>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "AviHeader.h"
#include "ErrorWords.h"
#include "Formatting.h"
#include "ImageFormats.h"
#include "KelvraSdk.h"
#include "OutputPaths.h"
#include "StatusLine.h"

namespace kelvra::tool {
namespace {

TEST(ErrorWords, EveryLibraryCodeHasItsOwnWords) {
    const int codes[] = {KELVRA_OK,
                         KELVRA_ERR_NO_CAMERA,
                         KELVRA_ERR_NOT_PRESENT,
                         KELVRA_ERR_THREAD,
                         KELVRA_ERR_WINDOW,
                         KELVRA_ERR_MEMORY,
                         KELVRA_ERR_DEVICE,
                         KELVRA_ERR_WINDOW_SIZE,
                         KELVRA_ERR_TRANSFER,
                         KELVRA_ERR_PARAMETER,
                         KELVRA_ERR_UNSUPPORTED,
                         KELVRA_ERR_CONVERSION,
                         KELVRA_ERR_CAMERA_LOST,
                         KELVRA_ERR_MASK_FILE};
    std::vector<std::string_view> seen;
    for (int code : codes) {
        const std::string_view words = errorWords(code);
        EXPECT_NE(words, errorWords(10)) << code;
        for (std::string_view other : seen) EXPECT_NE(words, other) << code;
        seen.push_back(words);
    }
    EXPECT_EQ(errorWords(10), "unknown error");  // never issued
    EXPECT_EQ(errorWords(-1), "unknown error");
    EXPECT_EQ(errorWords(15), "unknown error");
}

TEST(ErrorWords, FailureLineHasTheAgreedShape) {
    EXPECT_EQ(failureLine("streaming from camera 0", 13),
              "kelvra: streaming from camera 0: the camera was lost (error 13)");
    EXPECT_EQ(std::string(ToolFailure("saving a.png", 9).what()),
              "kelvra: saving a.png: a value is out of range or unknown (error 9)");
    EXPECT_EQ(std::string(ToolFailure("opening a camera", "no camera was found").what()),
              "kelvra: opening a camera: no camera was found");
}

TEST(ImageFormats, ExtensionChoosesTheFormat) {
    EXPECT_EQ(imageFormatForPath("a.bmp"), KELVRA_FORMAT_BMP);
    EXPECT_EQ(imageFormatForPath("dir/a.raw"), KELVRA_FORMAT_RAW);
    EXPECT_EQ(imageFormatForPath("a.jpg"), KELVRA_FORMAT_JPEG_HIGH);
    EXPECT_EQ(imageFormatForPath("a.JPEG"), KELVRA_FORMAT_JPEG_HIGH);
    EXPECT_EQ(imageFormatForPath("a.b.png"), KELVRA_FORMAT_PNG);
    EXPECT_EQ(imageFormatForPath("/x/a.Tif"), KELVRA_FORMAT_TIFF);
    EXPECT_EQ(imageFormatForPath("a.tiff"), KELVRA_FORMAT_TIFF);
}

TEST(ImageFormats, NoOrUnknownExtensionIsRefused) {
    for (const char* path :
         {"a", "a.gif", "a.png.txt", ".png", "dir.png/a", "dir/.bmp", "a.", ""}) {
        EXPECT_FALSE(imageFormatForPath(path).has_value()) << path;
    }
}

TEST(Formatting, BytesInPowersOfThousand) {
    EXPECT_EQ(formatBytes(0), "0 B");
    EXPECT_EQ(formatBytes(999), "999 B");
    EXPECT_EQ(formatBytes(1000), "1.0 kB");
    EXPECT_EQ(formatBytes(1311798), "1.3 MB");
    EXPECT_EQ(formatBytes(999949), "999.9 kB");
    EXPECT_EQ(formatBytes(1000000), "1.0 MB");
    EXPECT_EQ(formatBytes(2500000000ULL), "2.5 GB");
    EXPECT_EQ(formatBytes(7000000000000000ULL), "7000.0 TB");
}

TEST(Formatting, StatusAndSummary) {
    StreamCounters counters;
    counters.frames = 123;
    counters.framesPerSecond = 27.44;
    counters.lost = 2;
    EXPECT_EQ(formatStatus(counters), "frames 123 | 27.4 fps | lost 2 | sensor n/a");
    counters.temperature = -4.25;
    EXPECT_EQ(formatStatus(counters), "frames 123 | 27.4 fps | lost 2 | sensor -4.2 °C");
    EXPECT_EQ(formatStreamSummary(counters, 5.0),
              "streamed 123 frames in 5.0 s (24.6 fps), 2 lost, sensor -4.2 °C");
    counters.frames = 0;
    EXPECT_EQ(formatStreamSummary(counters, 0.0),
              "streamed 0 frames in 0.0 s (0.0 fps), 2 lost, sensor -4.2 °C");
    // The camera's frame counter passes 32 bits on a long stream.
    counters.lastFrame = 4294967301ULL;
    EXPECT_EQ(formatStatus(counters),
              "frames 0 | 27.4 fps | lost 2 | frame 4294967301 | sensor -4.2 °C");
    EXPECT_EQ(
        formatStreamSummary(counters, 0.0),
        "streamed 0 frames in 0.0 s (0.0 fps), 2 lost, last frame 4294967301, sensor -4.2 °C");
}

TEST(Formatting, StreamStatisticsNameEveryCounterOnItsOwnLine) {
    KELVRA_STREAM_STATS stats{};
    stats.framesReceived = 10;
    stats.droppedInRing = 2;
    stats.lastFrameCounter = 77;
    const std::string text = formatStreamStatistics(stats);
    EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), 10);
    EXPECT_NE(text.find("frames received: 10\n"), std::string::npos);
    EXPECT_NE(text.find("dropped in ring: 2\n"), std::string::npos);
    EXPECT_NE(text.find("last frame: 77\n"), std::string::npos);
}

// Everything a StatusLine writes to a temporary file.
std::string written(bool live, void (*use)(StatusLine&)) {
    std::FILE* file = std::tmpfile();
    EXPECT_NE(file, nullptr);
    {
        StatusLine status(file, live);
        use(status);
    }
    std::rewind(file);
    std::string text;
    for (int c; (c = std::fgetc(file)) != EOF;) text.push_back(static_cast<char>(c));
    std::fclose(file);
    return text;
}

TEST(StatusLine, QuietWhenNotOnATerminal) {
    std::FILE* file = std::tmpfile();
    ASSERT_NE(file, nullptr);
    EXPECT_FALSE(StatusLine(file).live());  // a file is not a terminal
    std::fclose(file);
    EXPECT_EQ(written(false,
                      [](StatusLine& s) {
                          s.show("frames 1");
                          s.show("frames 2");
                      }),
              "");
}

TEST(StatusLine, RewritesInPlaceAndBlanksLeftovers) {
    EXPECT_EQ(written(true,
                      [](StatusLine& s) {
                          s.show("frames 10");
                          s.show("frames 9");
                      }),
              "\rframes 10\rframes 9 \r        \r");
    EXPECT_EQ(written(true,
                      [](StatusLine& s) {
                          s.show("abc");
                          s.clear();
                          s.clear();  // nothing shown any more: no output
                      }),
              "\rabc\r   \r");
    EXPECT_EQ(written(true, [](StatusLine&) {}), "");
}

std::vector<uint8_t> aviStart(uint32_t riffSize) {
    std::vector<uint8_t> bytes(kAviHeaderBytes, 0);
    auto put = [&](size_t offset, uint32_t value) {
        for (int i = 0; i < 4; ++i) bytes[offset + i] = static_cast<uint8_t>(value >> (8 * i));
    };
    std::copy_n("RIFF", 4, bytes.begin());
    std::copy_n("AVI ", 4, bytes.begin() + 8);
    put(4, riffSize);
    put(32, 33333);
    put(48, 61);
    put(64, 1280);
    put(68, 1024);
    return bytes;
}

TEST(AviHeader, ReadsTheFieldsOfTheMainHeader) {
    const auto header = parseAviHeader(aviStart(0x01020304));
    ASSERT_TRUE(header.has_value());
    EXPECT_TRUE(header->finalised());
    EXPECT_EQ(header->riffSize, 0x01020304u);
    EXPECT_EQ(header->microsecondsPerFrame, 33333u);
    EXPECT_EQ(header->totalFrames, 61u);
    EXPECT_EQ(header->width, 1280);
    EXPECT_EQ(header->height, 1024);
    EXPECT_FALSE(parseAviHeader(aviStart(0))->finalised());
}

TEST(AviHeader, RefusesShortAndForeignFiles) {
    auto bytes = aviStart(100);
    EXPECT_FALSE(parseAviHeader(std::span(bytes).first(kAviHeaderBytes - 1)).has_value());
    bytes[8] = 'W';  // "WVI ": some other RIFF form
    EXPECT_FALSE(parseAviHeader(bytes).has_value());
    EXPECT_FALSE(readAviHeader("/nonexistent/file.avi").has_value());
}

class OutputPathsTest : public ::testing::Test {
  protected:
    void SetUp() override {
        root_ = std::filesystem::temp_directory_path() /
                ("kelvra-tool-test-" + std::to_string(::getpid()));
        std::filesystem::create_directories(root_);
        std::ofstream(root_ / "plain") << "12345";
    }
    void TearDown() override { std::filesystem::remove_all(root_); }
    std::string path(const std::string& name) const { return (root_ / name).string(); }

    std::filesystem::path root_;
};

TEST_F(OutputPathsTest, AnExistingDirectoryIsAccepted) {
    EXPECT_NO_THROW(requireOutputDirectory(path("a.png")));
    EXPECT_NO_THROW(requireOutputDirectory("relative-name.png"));  // the current directory
}

TEST_F(OutputPathsTest, AMissingDirectoryIsNamed) {
    try {
        requireOutputDirectory(path("missing/a.png"));
        FAIL() << "accepted";
    } catch (const ToolFailure& failure) {
        EXPECT_EQ(std::string(failure.what()), "kelvra: cannot write " + path("missing/a.png") +
                                                   ": the directory " + path("missing") +
                                                   " does not exist");
    }
}

TEST_F(OutputPathsTest, AFileInPlaceOfTheDirectoryOrNoFileNameIsRefused) {
    EXPECT_THROW(requireOutputDirectory(path("plain/a.png")), ToolFailure);
    EXPECT_THROW(requireOutputDirectory(path("") + "/"), ToolFailure);
}

TEST_F(OutputPathsTest, FileSizes) {
    EXPECT_EQ(fileSizeOrZero(path("plain")), 5u);
    EXPECT_EQ(fileSizeOrZero(path("none")), 0u);
}

}  // namespace
}  // namespace kelvra::tool

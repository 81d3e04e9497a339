// Recording files through the public extra, as an application writes them: frames it holds,
// a geometry change halfway, colour, 12-bit samples, and a disk that fills at any byte.
#include <gtest/gtest.h>

#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <vector>

#include <tiffio.h>

#include "KelvraSdk.h"
#include "OutputTestUtil.h"

namespace kelvra {
namespace {

using test::ScratchDir;

// A frame whose every sample of row y is (number + y) masked to 12 or 8 bits, with padded rows
// so that packing is exercised.
struct Frame {
    Frame(int width, int height, int bits, uint64_t number) {
        const int bytesPerPixel = bits / 8;
        record.size = sizeof record;
        record.width = width;
        record.height = height;
        record.bitsPerPixel = bits;
        record.rowStride = (width * bytesPerPixel + 3 + 4) & ~3;  // at least 4 bytes of padding
        pixels.assign(size_t(record.rowStride) * height, 0xEE);
        for (int y = 0; y < height; ++y) {
            const uint16_t value = uint16_t((number + y) & (bits == 8 ? 0xFF : 0xFFF));
            for (int x = 0;
                 x < width * bytesPerPixel / (bits == 8 || bits == 24 || bits == 32 ? 1 : 2); ++x) {
                if (bits == 8 || bits == 24 || bits == 32) {
                    pixels[size_t(y) * record.rowStride + x] = uint8_t(value + x % 4);
                } else {
                    const uint16_t sample = uint16_t((value + x % 4) & 0xFFF);
                    std::memcpy(&pixels[size_t(y) * record.rowStride + 2 * x], &sample, 2);
                }
            }
        }
        record.data = pixels.data();
        record.bytes = pixels.size();
        record.frameCounter = number;
        record.timestampUs = 1000000 + number * 14000;
        record.exposureUs = 13797;
        record.temperatureMilliC = -10125;
    }
    KELVRA_FRAME record{};
    std::vector<uint8_t> pixels;
};

struct TiffPage {
    uint32_t width = 0, height = 0;
    uint16_t bits = 0, samples = 0, maxSample = 0;
    std::string description;
    std::vector<uint8_t> pixels;
};

// Every page of a TIFF as libtiff reads it; empty when the file does not open.
std::vector<TiffPage> ReadTiff(const std::string& path, bool* bigTiff = nullptr) {
    std::vector<TiffPage> pages;
    TIFFSetErrorHandler(nullptr);
    TIFFSetWarningHandler(nullptr);
    TIFF* tif = TIFFOpen(path.c_str(), "r");
    if (tif == nullptr) return pages;
    if (bigTiff != nullptr) *bigTiff = TIFFIsBigTIFF(tif) != 0;
    do {
        TiffPage page;
        char* text = nullptr;
        TIFFGetField(tif, TIFFTAG_IMAGEWIDTH, &page.width);
        TIFFGetField(tif, TIFFTAG_IMAGELENGTH, &page.height);
        TIFFGetFieldDefaulted(tif, TIFFTAG_BITSPERSAMPLE, &page.bits);
        TIFFGetFieldDefaulted(tif, TIFFTAG_SAMPLESPERPIXEL, &page.samples);
        TIFFGetFieldDefaulted(tif, TIFFTAG_MAXSAMPLEVALUE, &page.maxSample);
        if (TIFFGetField(tif, TIFFTAG_IMAGEDESCRIPTION, &text) == 1) page.description = text;
        page.pixels.resize(size_t(TIFFStripSize(tif)));
        if (TIFFReadEncodedStrip(tif, 0, page.pixels.data(), TIFFStripSize(tif)) !=
            TIFFStripSize(tif)) {
            page.pixels.clear();
        }
        pages.push_back(std::move(page));
        // A directory that points past the last one (into a page that never reached the disk)
        // is a broken file, not the end of the chain.
        if (TIFFLastDirectory(tif) != 1) {
            if (TIFFReadDirectory(tif) == 1) continue;
            pages.clear();
            break;
        }
        break;
    } while (true);
    TIFFClose(tif);
    return pages;
}

std::string ReadText(const std::string& path) {
    std::ifstream in(path);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

// The frame's rows packed, as the file must hold them (grey).
std::vector<uint8_t> Packed(const Frame& frame) {
    const size_t row = size_t(frame.record.width) * frame.record.bitsPerPixel / 8;
    std::vector<uint8_t> out;
    for (int y = 0; y < frame.record.height; ++y) {
        const uint8_t* src = frame.pixels.data() + size_t(y) * frame.record.rowStride;
        out.insert(out.end(), src, src + row);
    }
    return out;
}

TEST(RecordingFiles, TwelveBitTiffKeepsEveryPageItsMetadataAndRefusesAnotherGeometry) {
    ScratchDir dir;
    const std::string path = dir.Path("series.TIFF");
    ASSERT_EQ(Kelvra_RecordingFormatForPath(path.c_str()), KELVRA_RECORDING_TIFF);
    int error = -1;
    KELVRA_RECORDING* rec = Kelvra_OpenRecording(path.c_str(), KELVRA_RECORDING_TIFF, 0, 3, &error);
    ASSERT_NE(rec, nullptr);
    EXPECT_EQ(error, 0);
    std::vector<Frame> frames;
    for (uint64_t n : {40, 41, 43}) frames.emplace_back(37, 5, 16, n);
    EXPECT_EQ(Kelvra_WriteRecordingFrame(rec, &frames[0].record), 0);
    EXPECT_EQ(Kelvra_WriteRecordingFrame(rec, &frames[1].record), 0);
    // The application switched to 8 bits halfway: refused, and the file goes on.
    Frame other(37, 5, 8, 42);
    EXPECT_EQ(Kelvra_WriteRecordingFrame(rec, &other.record), EINVAL);
    EXPECT_EQ(Kelvra_WriteRecordingFrame(rec, &frames[2].record), 0);
    KELVRA_RECORDING_SUMMARY summary{};
    summary.size = sizeof summary;
    EXPECT_EQ(Kelvra_CloseRecording(rec, &summary), 0);
    EXPECT_EQ(summary.framesWritten, 3u);
    EXPECT_EQ(summary.framesRefused, 1u);
    EXPECT_EQ(summary.bytesWritten, 3u * 37 * 5 * 2);
    EXPECT_EQ(summary.bitsPerPixel, 16);

    bool big = true;
    const std::vector<TiffPage> pages = ReadTiff(path, &big);
    ASSERT_EQ(pages.size(), 3u);
    EXPECT_FALSE(big) << "three small frames fit a classic TIFF";
    for (size_t i = 0; i < pages.size(); ++i) {
        EXPECT_EQ(pages[i].bits, 16);
        EXPECT_EQ(pages[i].maxSample, 4095);
        EXPECT_EQ(pages[i].pixels, Packed(frames[i])) << "page " << i;
        EXPECT_EQ(pages[i].description,
                  "{\"frame\": " + std::to_string(frames[i].record.frameCounter) +
                      ", \"timestamp_us\": " + std::to_string(frames[i].record.timestampUs) +
                      ", \"exposure_us\": 13797, \"temperature_c\": -10.125}");
    }
}

TEST(RecordingFiles, ColourGoesOutAsRgbAndAnUnknownLengthIsABigTiff) {
    ScratchDir dir;
    for (int bits : {24, 32, 48, 64}) {
        const std::string path = dir.Path(test::Numbered("c", bits, ".tif"));
        KELVRA_RECORDING* rec =
            Kelvra_OpenRecording(path.c_str(), KELVRA_RECORDING_TIFF, 30, 0, nullptr);
        ASSERT_NE(rec, nullptr);
        Frame frame(3, 2, bits, 7);
        ASSERT_EQ(Kelvra_WriteRecordingFrame(rec, &frame.record), 0);
        ASSERT_EQ(Kelvra_CloseRecording(rec, nullptr), 0);
        bool big = false;
        const std::vector<TiffPage> pages = ReadTiff(path, &big);
        ASSERT_EQ(pages.size(), 1u);
        EXPECT_TRUE(big);
        EXPECT_EQ(pages[0].samples, 3);
        const int sampleBytes = bits >= 48 ? 2 : 1;
        const int sourcePixel = bits / 8;
        // Last pixel of the last row: its red is the source's third sample.
        const uint8_t* src = frame.pixels.data() + frame.record.rowStride + 2 * sourcePixel;
        const uint8_t* dst = pages[0].pixels.data() + (3 + 2) * 3 * sampleBytes;
        for (int c = 0; c < 3; ++c) {
            EXPECT_EQ(std::memcmp(dst + c * sampleBytes, src + (2 - c) * sampleBytes,
                                  size_t(sampleBytes)),
                      0)
                << bits << " bits, channel " << c;
        }
    }
}

TEST(RecordingFiles, RawSidecarListsEveryFrameAndNothingIsLeftForARecordingWithoutFrames) {
    ScratchDir dir;
    const std::string path = dir.Path("frames.raw");
    KELVRA_RECORDING* rec = Kelvra_OpenRecording(path.c_str(), KELVRA_RECORDING_RAW, 0, 0, nullptr);
    ASSERT_NE(rec, nullptr);
    std::vector<uint8_t> expected;
    for (uint64_t n = 100; n < 104; ++n) {
        Frame frame(5, 3, 8, n);
        ASSERT_EQ(Kelvra_WriteRecordingFrame(rec, &frame.record), 0);
        const std::vector<uint8_t> packed = Packed(frame);
        expected.insert(expected.end(), packed.begin(), packed.end());
    }
    ASSERT_EQ(Kelvra_CloseRecording(rec, nullptr), 0);
    EXPECT_EQ(test::ReadAll(path), expected);
    const std::string sidecar = ReadText(path + ".json");
    EXPECT_NE(sidecar.find("\"dtype\": \"uint8\""), std::string::npos) << sidecar;
    EXPECT_NE(sidecar.find("\"frame_count\": 4"), std::string::npos);
    // Frames 14 ms apart by the camera's clock.
    EXPECT_NE(sidecar.find("\"frame_rate\": 71.4286"), std::string::npos) << sidecar;
    EXPECT_NE(sidecar.find("{\"frame\": 103, \"timestamp_us\": 2442000, \"exposure_us\": 13797, "
                           "\"temperature_c\": -10.125, \"offset\": 45}"),
              std::string::npos)
        << sidecar;

    const std::string empty = dir.Path("empty.tif");
    rec = Kelvra_OpenRecording(empty.c_str(), KELVRA_RECORDING_TIFF, 0, 0, nullptr);
    ASSERT_NE(rec, nullptr);
    EXPECT_EQ(Kelvra_CloseRecording(rec, nullptr), 0);
    EXPECT_FALSE(std::filesystem::exists(empty));

    int error = 0;
    EXPECT_EQ(Kelvra_OpenRecording(dir.Path("no/such.tif").c_str(), 1, 0, 0, &error), nullptr);
    EXPECT_EQ(error, ENOENT);
    EXPECT_EQ(Kelvra_OpenRecording(path.c_str(), 7, 0, 0, &error), nullptr);
    EXPECT_EQ(error, EINVAL);
    EXPECT_EQ(Kelvra_RecordingFormatForPath("clip.mp4"), -1);
    EXPECT_EQ(Kelvra_RecordingFormatForPath(".raw"), -1);
}

using test::WithFileSizeLimit;

// Writes frames 0..9 until one fails; returns how many were written, or 100 + the close's
// surprise (it must report the failure).
int RecordTenFrames(const std::string& path, int format, uint64_t expected) {
    KELVRA_RECORDING* rec = Kelvra_OpenRecording(path.c_str(), format, 0, expected, nullptr);
    if (rec == nullptr) return 99;
    int written = 0;
    for (uint64_t n = 0; n < 10; ++n) {
        Frame frame(64, 16, 16, n);
        if (Kelvra_WriteRecordingFrame(rec, &frame.record) != 0) break;
        ++written;
    }
    KELVRA_RECORDING_SUMMARY summary{};
    summary.size = sizeof summary;
    const int closed = Kelvra_CloseRecording(rec, &summary);
    if (summary.framesWritten != uint64_t(written)) return 98;
    if (written < 10 && closed != EFBIG) return 97;
    return written;
}

TEST(DiskFullRecording, FileHoldsExactlyTheFramesItClaimsWhereverTheDiskFills) {
    ScratchDir dir;
    constexpr uint64_t kFrameBytes = 64 * 16 * 2;
    for (const auto& [format, expected] : {std::pair{KELVRA_RECORDING_TIFF, uint64_t{10}},
                                           std::pair{KELVRA_RECORDING_TIFF, uint64_t{0}},
                                           std::pair{KELVRA_RECORDING_RAW, uint64_t{0}}}) {
        // Cut inside the header, inside a frame's pixels, and all along the third page's
        // directory, description and link.
        const std::string whole = dir.Path(test::Numbered("whole", format, ".f"));
        ASSERT_EQ(RecordTenFrames(whole, format, expected), 10);
        const uint64_t page = std::filesystem::file_size(whole) / 10;
        std::vector<uint64_t> limits = {10, kFrameBytes / 2, 2 * page + kFrameBytes / 2};
        // A TIFF page ends with its directory and the link to it: every 16 bytes there.
        for (uint64_t limit = 2 * page + kFrameBytes;
             format == KELVRA_RECORDING_TIFF && limit < 3 * page + 16; limit += 16) {
            limits.push_back(limit);
        }
        for (uint64_t limit : limits) {
            const std::string path = dir.Path(
                test::Numbered("full", limit, format == KELVRA_RECORDING_RAW ? ".raw" : ".tif"));
            const int written =
                WithFileSizeLimit(limit, [&] { return RecordTenFrames(path, format, expected); });
            ASSERT_GE(written, 0) << "child died at limit " << limit;
            ASSERT_LT(written, 10) << "limit " << limit;
            const std::string where = "format " + std::to_string(format) + ", limit " +
                                      std::to_string(limit) + ", expected " +
                                      std::to_string(expected);
            if (format == KELVRA_RECORDING_RAW) {
                EXPECT_EQ(std::filesystem::file_size(path), written * kFrameBytes) << where;
                // The sidecar needs room too: when it fits, it lists exactly those frames.
                const std::string sidecar = ReadText(path + ".json");
                EXPECT_TRUE(limit < 1000 || !sidecar.empty()) << where;
                if (!sidecar.empty()) {
                    EXPECT_NE(sidecar.find("\"frame_count\": " + std::to_string(written)),
                              std::string::npos)
                        << where << sidecar;
                }
                continue;
            }
            if (written == 0) {
                EXPECT_FALSE(std::filesystem::exists(path)) << where;
                continue;
            }
            const std::vector<TiffPage> pages = ReadTiff(path);
            ASSERT_EQ(pages.size(), size_t(written)) << where;
            for (int i = 0; i < written; ++i) {
                EXPECT_EQ(pages[i].pixels, Packed(Frame(64, 16, 16, uint64_t(i)))) << where;
            }
        }
    }
}

}  // namespace
}  // namespace kelvra

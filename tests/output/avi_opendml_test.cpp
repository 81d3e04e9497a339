// Lossless AVI recordings read back by ffprobe and ffmpeg: past 4 GiB (OpenDML), 8-bit
// palettised and 16-bit grey, colour, and a disk that fills mid-file.
#include <gtest/gtest.h>

#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "OutputTestUtil.h"
#include "output/CAviRecordingFile.h"
#include "output/CAviWriter.h"
#include "support/CommandOutput.h"

namespace kelvra {
namespace {

using test::ScratchDir;

// Lowers the RIFF limit of the writers opened in its lifetime.
class RiffLimit {
  public:
    explicit RiffLimit(uint64_t bytes) { CAviWriter::SetRiffLimitForTesting(bytes); }
    ~RiffLimit() { CAviWriter::SetRiffLimitForTesting(0); }
    RiffLimit(const RiffLimit&) = delete;
    RiffLimit& operator=(const RiffLimit&) = delete;
};

// "key=value" lines of ffprobe about the video stream, with the packets it counted by reading
// them (all, unless `options` choose some).
std::string Probe(const std::string& path, const char* options = "") {
    return test::CommandOutput(
        std::string("ffprobe -v error -count_packets ") + options +
        " -show_entries stream=nb_frames,pix_fmt,duration,width,height,nb_read_packets"
        " -of default=nw=1 '" +
        path + "'");
}

// Every frame decoded by ffmpeg into `pixelFormat`, one after another.
std::string Decode(const std::string& path, const char* pixelFormat, const char* input = "",
                   const char* output = "") {
    return test::CommandOutput(std::string("ffmpeg -v error ") + input + " -i '" + path + "' " +
                               output + " -f rawvideo" + (pixelFormat[0] != 0 ? " -pix_fmt " : "") +
                               pixelFormat + " -");
}

uint8_t Grey(int frame, int row, int column) {
    return static_cast<uint8_t>(frame * 37 + row * 11 + column * 3);
}

// A top-row-first grey frame with rows `stride` bytes apart (the padding is garbage).
std::vector<uint8_t> GreyFrame(int frame, int width, int height, int stride) {
    std::vector<uint8_t> pixels(static_cast<size_t>(stride) * height, 0xEE);
    for (int r = 0; r < height; ++r) {
        for (int c = 0; c < width; ++c) pixels[r * stride + c] = Grey(frame, r, c);
    }
    return pixels;
}

RecordingFrame FrameOf(const std::vector<uint8_t>& pixels, int width, int height, int bits,
                       int stride) {
    RecordingFrame f;
    f.pixels = pixels.data();
    f.width = width;
    f.height = height;
    f.bitsPerPixel = bits;
    f.rowStride = stride;
    return f;
}

// Bytes before the first frame of an OpenDML file of `video` frames.
uint64_t HeaderBytes(AviVideo video) {
    ScratchDir dir;
    CAviWriter writer;
    writer.SetFormat(8, 8, 8);
    writer.SetVideo(video, true);
    if (writer.OpenAvi(dir.Path("h.avi").c_str()) != 1) return 0;
    const uint64_t bytes = writer.BytesWritten();
    writer.ResetAvi();
    return bytes;
}

uint64_t FrameBytes(AviVideo video, int width, int height) {
    CAviWriter writer;
    writer.SetFormat(width, height, 8);
    writer.SetVideo(video, true);
    return writer.FrameSize();
}

bool HasFfmpeg() {
    return test::CommandOutput(
               "command -v ffprobe >/dev/null && command -v ffmpeg >/dev/null && echo yes") ==
           "yes\n";
}

class AviRecording : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(HasFfmpeg()) << "ffmpeg and ffprobe come with scripts/install-deps.sh";
    }
    ScratchDir dir_;
};

// 560 8-bit frames of 8 MiB (4.7 GB) in five RIFF parts. The pixels of all but the first and
// last frames are holes of a sparse file: the test writes 16 MB. (Large frames keep the
// file's extents few: removing it costs a discard for each.)
TEST_F(AviRecording, FilePastFourGiBPlaysToItsEnd) {
    constexpr int kW = 4096, kH = 2048, kFrames = 560;
    const std::string path = dir_.Path("long.avi");
    CAviWriter writer;
    writer.SetFormat(kW, kH, 8);
    writer.SetVideo(AviVideo::Grey8, true);
    writer.SetPreallocation(0);
    ASSERT_EQ(writer.OpenAvi(path.c_str()), 1);
    writer.SetRate(2500);
    ASSERT_EQ(writer.FrameSize(), uint32_t{kW} * kH);
    std::vector<uint8_t> bottomUp(writer.FrameSize());
    for (int i = 0; i < kFrames; ++i) {
        const bool written = i == 0 || i == kFrames - 1;
        writer.LeavePixelsUnwrittenForTesting(!written);
        // One value a picture row (cheap under the sanitizers): rows and frames differ.
        for (int r = 0; written && r < kH; ++r) {
            std::memset(&bottomUp[static_cast<size_t>(kH - 1 - r) * kW], Grey(i, r, 0), kW);
        }
        ASSERT_EQ(writer.AddFrame(bottomUp.data()), 1) << i;
    }
    ASSERT_EQ(writer.CloseAvi(), 1);
    struct stat st {};
    ASSERT_EQ(stat(path.c_str(), &st), 0);
    EXPECT_GT(st.st_size, (int64_t{4} << 30) + (int64_t{128} << 20));
    EXPECT_LT(st.st_blocks * 512, int64_t{64} << 20) << "the test must not fill the disk";

    // Read from 21 s on (reading all of it would take seconds of zero-filled holes): the 35
    // frames of the last part play to the end.
    EXPECT_EQ(Probe(path, "-read_intervals 21%"),
              "width=4096\nheight=2048\npix_fmt=pal8\nduration=22.400000\nnb_frames=560\n"
              "nb_read_packets=35\n");
    // The last frame, reached through the OpenDML indexes, holds its own pixels (the packet
    // as stored: a decoder that starts after a seek has no palette).
    const std::string last = Decode(path, "", "-sseof -0.04", "-c:v copy");
    ASSERT_EQ(last.size(), size_t{kW} * kH);
    for (int r = 0; r < kH; r += 197) {
        for (int c = 0; c < kW; c += 189) {
            ASSERT_EQ(static_cast<uint8_t>(last[static_cast<size_t>(kH - 1 - r) * kW + c]),
                      Grey(kFrames - 1, r, 0))
                << r << "," << c;
        }
    }
}

// Odd widths and padded caller rows, over RIFF parts a few frames long, for each depth.
TEST_F(AviRecording, EveryDepthReadsBackWithItsPixelsAcrossRiffParts) {
    constexpr int kW = 37, kH = 5, kFrames = 7;
    for (int bits : {8, 16, 24, 32, 48, 64}) {
        SCOPED_TRACE(bits);
        // The first part holds two frames: 2 × (8 + F) and its indexes fit.
        const AviVideo video = bits == 8    ? AviVideo::Grey8
                               : bits == 16 ? AviVideo::Grey16
                                            : AviVideo::Bgr24;
        const RiffLimit limit(HeaderBytes(video) + 2 * (8 + FrameBytes(video, kW, kH)) + 100);
        const std::string path = dir_.Path(test::Numbered("d", bits, ".avi"));
        const int pixelBytes = bits / 8;
        const int stride = kW * pixelBytes + 6;
        auto file = MakeAviRecordingFile();
        std::vector<uint8_t> pixels(static_cast<size_t>(stride) * kH);
        ASSERT_EQ(file->Open(path.c_str(), FrameOf(pixels, kW, kH, bits, stride), 10.0), 0);
        for (int i = 0; i < kFrames; ++i) {
            for (int r = 0; r < kH; ++r) {
                for (int c = 0; c < kW * pixelBytes; ++c) {
                    // 16-bit grey samples run past 4095 to show the clamp.
                    const int v = bits == 16 && c % 2 == 1 ? Grey(i, r, c) & 0x13 : Grey(i, r, c);
                    pixels[r * stride + c] = static_cast<uint8_t>(v);
                }
            }
            ASSERT_EQ(file->Write(FrameOf(pixels, kW, kH, bits, stride)), 0) << i;
        }
        ASSERT_EQ(file->Close(), 0);
        EXPECT_EQ(file->FramesWritten(), uint64_t{kFrames});
        const std::vector<uint8_t> bytes = test::ReadAll(path);
        const std::string text(bytes.begin(), bytes.end());
        size_t extensions = 0;
        for (size_t at = text.find("RIFF"); at != std::string::npos;
             at = text.find("RIFF", at + 1)) {
            extensions += text.compare(at + 8, 4, "AVIX") == 0;
        }
        EXPECT_EQ(extensions, 1u);  // the first part holds two frames, the headers as many more
        if (bits == 8) {
            const std::string probed = Probe(path);
            EXPECT_NE(probed.find("nb_frames=7\nnb_read_packets=7\n"), std::string::npos) << probed;
        }
        // Palette entries are exact in RGB (a grey conversion rounds).
        const char* format = bits == 8 ? "rgb24" : bits == 16 ? "gray16le" : "bgr24";
        const std::string decoded = Decode(path, format);
        const size_t outBytes = bits == 16 ? 2 : 3;
        ASSERT_EQ(decoded.size(), outBytes * kW * kH * kFrames);
        for (int i = 0; i < kFrames; ++i) {
            for (int r = 0; r < kH; ++r) {
                for (int c = 0; c < kW; ++c) {
                    const auto* o = reinterpret_cast<const uint8_t*>(decoded.data()) +
                                    ((static_cast<size_t>(i) * kH + r) * kW + c) * outBytes;
                    auto in = [&](int byte) {
                        const int k = c * pixelBytes + byte;
                        return bits == 16 && k % 2 == 1 ? Grey(i, r, k) & 0x13 : Grey(i, r, k);
                    };
                    if (bits == 8) {
                        ASSERT_EQ(o[0], Grey(i, r, c));
                    } else if (bits == 16) {
                        const int v = std::min(in(0) | in(1) << 8, 4095);
                        ASSERT_EQ(o[0] | o[1] << 8, v << 4 | v >> 8) << i << " " << r << " " << c;
                    } else {
                        const int step = bits <= 32 ? 1 : 2, high = bits <= 32 ? 0 : 1;
                        for (int ch = 0; ch < 3; ++ch) ASSERT_EQ(o[ch], in(ch * step + high));
                    }
                }
            }
        }
    }
}

// The 8-bit file is a third of the 24-bit one; space reserved ahead is given back at close.
TEST_F(AviRecording, GreyIsAThirdOfColourAndNoReservedSpaceStays) {
    constexpr int kW = 640, kH = 480;
    uint64_t sizes[2] = {};
    for (int bits : {8, 24}) {
        const std::string path = dir_.Path(test::Numbered("s", bits, ".avi"));
        std::vector<uint8_t> pixels(size_t{kW} * kH * (bits / 8), 7);
        const RecordingFrame frame = FrameOf(pixels, kW, kH, bits, kW * (bits / 8));
        CAviRecordingFile file;
        file.Writer().SetPreallocation(uint64_t{8} << 20);
        ASSERT_EQ(file.Open(path.c_str(), frame, 70.0), 0);
        for (int i = 0; i < 5; ++i) ASSERT_EQ(file.Write(frame), 0);
        ASSERT_EQ(file.Close(), 0);
        struct stat st {};
        ASSERT_EQ(stat(path.c_str(), &st), 0);
        EXPECT_EQ(file.BytesWritten(), static_cast<uint64_t>(st.st_size));
        EXPECT_LT(st.st_blocks * 512, st.st_size + (256 << 10)) << bits;
        sizes[bits == 24] = static_cast<uint64_t>(st.st_size);
    }
    EXPECT_NEAR(static_cast<double>(sizes[0]) / static_cast<double>(sizes[1]), 1.0 / 3, 0.01);
}

// A full disk (a file size limit in a child process) in the first RIFF part and in an
// extension part: the frames that fit are written, the file is finalised and plays up to its
// last complete frame. The child's exit status is the count of frames the file holds.
TEST_F(AviRecording, DiskFullMidFileLeavesAFilePlayableToItsLastFrame) {
    constexpr int kW = 64, kH = 48, kFrameBytes = kW * kH;
    const uint64_t headers = HeaderBytes(AviVideo::Grey8);
    const RiffLimit parts(headers + 20 * (kFrameBytes + 8));
    for (uint64_t limit : {headers + 10 * kFrameBytes + 1000, headers + 47 * kFrameBytes + 100}) {
        SCOPED_TRACE(limit);
        const std::string path =
            dir_.Path(test::Numbered("full", static_cast<long long>(limit), ".avi"));
        const int frames = test::WithFileSizeLimit(limit, [&] {
            CAviRecordingFile file;
            auto pixels = GreyFrame(0, kW, kH, kW);
            if (file.Open(path.c_str(), FrameOf(pixels, kW, kH, 8, kW), 25.0) != 0) return 251;
            int error = 0;
            for (int i = 0; i < 200 && error == 0; ++i) {
                pixels = GreyFrame(i, kW, kH, kW);
                error = file.Write(FrameOf(pixels, kW, kH, 8, kW));
            }
            if (error != EFBIG) return 252;
            const int closed = file.Close();
            if (closed != 0 && closed != ENOSPC) return 253;
            return static_cast<int>(file.FramesWritten());
        });
        ASSERT_NE(frames, test::kChildDied);
        ASSERT_GT(frames, 5);
        ASSERT_LT(frames, 200);
        // The stream length (the decode below reads every frame the indexes list).
        const std::vector<uint8_t> bytes = test::ReadAll(path);
        ASSERT_GT(bytes.size(), 144u);
        EXPECT_EQ(test::Le32(bytes, 140), static_cast<uint32_t>(frames));
        const std::string decoded = Decode(path, "rgb24");
        ASSERT_EQ(decoded.size(), size_t{3} * kFrameBytes * frames);
        for (int c = 0; c < kW; ++c) {
            const size_t lastRow = size_t{3} * (size_t{kFrameBytes} * frames - kW);
            ASSERT_EQ(static_cast<uint8_t>(decoded[lastRow + 3 * c]), Grey(frames - 1, kH - 1, c));
        }
    }
}

}  // namespace
}  // namespace kelvra

// Still-image writers next to the bare library call on the same pixels, and the AVI writer's
// frame throughput, for full 1280 × 1024 frames. Files go to a scratch folder in the working
// directory (KELVRA_BENCH_DIR overrides it), so they measure the local disk through the page
// cache, as the recorder sees it.
#include <benchmark/benchmark.h>

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <csetjmp>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include <jpeglib.h>
#include <png.h>
#include <tiffio.h>

#include "imaging/CDibImage.h"
#include "output/CAviFrameConverter.h"
#include "output/CAviWriter.h"
#include "output/ImageFileWriter.h"
#include "support/ScratchFolder.h"

namespace kelvra {
namespace {

constexpr int32_t kWidth = 1280;
constexpr int32_t kHeight = 1024;

const bench::ScratchFolder& Folder() {
    static const bench::ScratchFolder folder("kelvra-output-bench");
    return folder;
}

// A frame with detail, like a camera picture: smooth shading plus fine texture, 12-bit
// samples in 16-bit images.
const CDibImage& Frame(int bitCount) {
    static CDibImage frames[9];
    CDibImage& image = frames[bitCount / 8];
    if (image.Bits() == nullptr) {
        image.Create(kWidth, kHeight, bitCount);
        const bool wide = bitCount == 16 || bitCount >= 48;
        for (int32_t y = 0; y < kHeight; ++y) {
            uint8_t* row = image.Bits() + static_cast<size_t>(y) * image.Stride();
            const int samples = wide ? image.BytesPerPixel() / 2 : image.BytesPerPixel();
            for (int32_t x = 0; x < kWidth; ++x) {
                for (int s = 0; s < samples; ++s) {
                    const int v = (x * 3 + y * 2 + s * 500 + ((x * y) % 37) * 9) % 4096;
                    if (wide) {
                        const auto w = static_cast<uint16_t>(v);
                        std::memcpy(row + (static_cast<size_t>(x) * samples + s) * 2, &w, 2);
                    } else {
                        row[static_cast<size_t>(x) * samples + s] = static_cast<uint8_t>(v >> 4);
                    }
                }
            }
        }
    }
    return image;
}

// --- The wrapper ------------------------------------------------------------------------------

void BM_WriteImageFile(benchmark::State& state) {
    const int32_t format = static_cast<int32_t>(state.range(0));
    const CDibImage& image = Frame(static_cast<int>(state.range(1)));
    const std::string path = Folder().Path("wrapper");
    for (auto _ : state) {
        if (WriteImageFile(path.c_str(), image, format, kSaveSignificantBits) != 1) {
            state.SkipWithError("write failed");
        }
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * image.ImageBytes()));
}

// --- Bare library calls on the same pixels, already in the encoder's layout -------------------

// BMP and raw: the finished file's bytes in one write.
void BM_BareWrite(benchmark::State& state) {
    const CDibImage& image = Frame(static_cast<int>(state.range(0)));
    const size_t header = static_cast<size_t>(state.range(1));
    std::vector<uint8_t> bytes(header + image.ImageBytes());
    std::memcpy(bytes.data() + header, image.Bits(), image.ImageBytes());
    const std::string path = Folder().Path("bare");
    for (auto _ : state) {
        const int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        if (fd < 0 || write(fd, bytes.data(), bytes.size()) != static_cast<ssize_t>(bytes.size())) {
            state.SkipWithError("write failed");
        }
        close(fd);
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * image.ImageBytes()));
}

// Pixels as the encoders take them: top row first, packed, red-green-blue.
std::vector<uint8_t> PackedRgb(const CDibImage& image, bool bigEndian16) {
    const int bpp = image.BytesPerPixel();
    const bool wide = image.BitCount() == 16 || image.BitCount() >= 48;
    std::vector<uint8_t> out(static_cast<size_t>(kWidth) * kHeight * bpp);
    for (int32_t y = 0; y < kHeight; ++y) {
        const uint8_t* s = image.Bits() + static_cast<size_t>(y) * image.Stride();
        uint8_t* d = out.data() + static_cast<size_t>(y) * kWidth * bpp;
        std::memcpy(d, s, static_cast<size_t>(kWidth) * bpp);
        for (int32_t x = 0; x < kWidth && bpp >= 3 && !wide; ++x) {
            std::swap(d[x * bpp], d[x * bpp + 2]);
        }
        for (size_t i = 0; wide && bigEndian16 && i < static_cast<size_t>(kWidth) * bpp; i += 2) {
            std::swap(d[i], d[i + 1]);
        }
    }
    return out;
}

struct JpegTrap {
    jpeg_error_mgr manager;
    std::jmp_buf unwind;
};

[[noreturn]] void JpegUnwind(j_common_ptr cinfo) {
    std::longjmp(reinterpret_cast<JpegTrap*>(cinfo->err)->unwind, 1);
}

bool BareJpeg(const char* path, const uint8_t* pixels, int components, int quality) {
    FILE* file = std::fopen(path, "wb");
    if (file == nullptr) return false;
    jpeg_compress_struct cinfo;
    std::memset(&cinfo, 0, sizeof(cinfo));
    JpegTrap trap;
    cinfo.err = jpeg_std_error(&trap.manager);
    trap.manager.error_exit = JpegUnwind;
    if (setjmp(trap.unwind) != 0) {
        jpeg_destroy_compress(&cinfo);
        std::fclose(file);
        return false;
    }
    jpeg_create_compress(&cinfo);
    jpeg_stdio_dest(&cinfo, file);
    cinfo.image_width = kWidth;
    cinfo.image_height = kHeight;
    cinfo.input_components = components;
    cinfo.in_color_space = components == 1 ? JCS_GRAYSCALE : JCS_RGB;
    jpeg_set_defaults(&cinfo);
    jpeg_set_quality(&cinfo, quality, TRUE);
    jpeg_simple_progression(&cinfo);
    jpeg_start_compress(&cinfo, TRUE);
    while (cinfo.next_scanline < cinfo.image_height) {
        JSAMPROW row = const_cast<JSAMPROW>(pixels) +
                       static_cast<size_t>(cinfo.next_scanline) * kWidth * components;
        jpeg_write_scanlines(&cinfo, &row, 1);
    }
    jpeg_finish_compress(&cinfo);
    jpeg_destroy_compress(&cinfo);
    return std::fclose(file) == 0;
}

void BM_BareJpeg(benchmark::State& state) {
    const int quality = static_cast<int>(state.range(0));
    const CDibImage& image = Frame(static_cast<int>(state.range(1)));
    const auto pixels = PackedRgb(image, false);
    const int components = image.BitCount() == 8 ? 1 : 3;
    const std::string path = Folder().Path("bare.jpg");
    for (auto _ : state) {
        if (!BareJpeg(path.c_str(), pixels.data(), components, quality)) {
            state.SkipWithError("jpeg failed");
        }
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * image.ImageBytes()));
}

bool BarePng(const char* path, const uint8_t* pixels, int depth, int colourType, size_t rowBytes) {
    FILE* file = std::fopen(path, "wb");
    if (file == nullptr) return false;
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    if (setjmp(png_jmpbuf(png)) != 0) {
        png_destroy_write_struct(&png, &info);
        std::fclose(file);
        return false;
    }
    png_init_io(png, file);
    png_set_IHDR(png, info, kWidth, kHeight, depth, colourType, PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_write_info(png, info);
    for (int32_t y = 0; y < kHeight; ++y) png_write_row(png, pixels + y * rowBytes);
    png_write_end(png, info);
    png_destroy_write_struct(&png, &info);
    return std::fclose(file) == 0;
}

void BM_BarePng(benchmark::State& state) {
    const CDibImage& image = Frame(static_cast<int>(state.range(0)));
    const auto pixels = PackedRgb(image, true);
    const int depth = image.BitCount() == 16 || image.BitCount() >= 48 ? 16 : 8;
    const int colourType = image.BitCount() <= 16 ? PNG_COLOR_TYPE_GRAY : PNG_COLOR_TYPE_RGB;
    const size_t rowBytes = static_cast<size_t>(kWidth) * image.BytesPerPixel();
    const std::string path = Folder().Path("bare.png");
    for (auto _ : state) {
        if (!BarePng(path.c_str(), pixels.data(), depth, colourType, rowBytes)) {
            state.SkipWithError("png failed");
        }
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * image.ImageBytes()));
}

void BM_BareTiff(benchmark::State& state) {
    const CDibImage& image = Frame(static_cast<int>(state.range(0)));
    auto pixels = PackedRgb(image, false);
    const bool wide = image.BitCount() == 16 || image.BitCount() >= 48;
    const uint16_t samples = static_cast<uint16_t>(image.BytesPerPixel() / (wide ? 2 : 1));
    const std::string path = Folder().Path("bare.tif");
    for (auto _ : state) {
        TIFF* tif = TIFFOpen(path.c_str(), "w");
        TIFFSetField(tif, TIFFTAG_IMAGEWIDTH, static_cast<uint32_t>(kWidth));
        TIFFSetField(tif, TIFFTAG_IMAGELENGTH, static_cast<uint32_t>(kHeight));
        TIFFSetField(tif, TIFFTAG_COMPRESSION, COMPRESSION_NONE);
        TIFFSetField(tif, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG);
        TIFFSetField(tif, TIFFTAG_BITSPERSAMPLE, wide ? 16 : 8);
        TIFFSetField(tif, TIFFTAG_PHOTOMETRIC,
                     samples == 1 ? PHOTOMETRIC_MINISBLACK : PHOTOMETRIC_RGB);
        TIFFSetField(tif, TIFFTAG_SAMPLESPERPIXEL, samples);
        const auto size = static_cast<tmsize_t>(pixels.size());
        if (TIFFWriteEncodedStrip(tif, 0, pixels.data(), size) != size) {
            state.SkipWithError("tiff failed");
        }
        TIFFClose(tif);
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * image.ImageBytes()));
}

// --- AVI --------------------------------------------------------------------------------------

// Frames kept per file: about 2 GiB, well inside the 4 GiB the size fields allow.
constexpr int kFramesPerFile = 500;
constexpr double kRecorderRoundMs = 10.0;

// One AddFrame of a full 24-bit frame per iteration; items/s is frames per second. The slowest
// frame and the frames slower than one 10 ms recorder round are counted too: writeback of the
// page cache can stall a single write long after the mean looks comfortable.
void BM_AviAddFrame(benchmark::State& state) {
    using Clock = std::chrono::steady_clock;
    double slowestMs = 0;
    int64_t overRound = 0;
    const std::string path = Folder().Path("bench.avi");
    CAviWriter writer;
    writer.SetFormat(kWidth, kHeight, 24);
    std::vector<uint8_t> frame(writer.FrameSize());
    for (size_t i = 0; i < frame.size(); ++i) frame[i] = static_cast<uint8_t>(i * 13);
    writer.OpenAvi(path.c_str());
    for (auto _ : state) {
        if (writer.FrameCount() == kFramesPerFile) {
            state.PauseTiming();
            writer.CloseAvi();
            writer.OpenAvi(path.c_str());
            state.ResumeTiming();
        }
        const Clock::time_point start = Clock::now();
        if (writer.AddFrame(frame.data()) != 1) state.SkipWithError("AddFrame failed");
        const double ms = std::chrono::duration<double, std::milli>(Clock::now() - start).count();
        slowestMs = std::max(slowestMs, ms);
        if (ms > kRecorderRoundMs) ++overRound;
    }
    writer.CloseAvi();
    state.SetItemsProcessed(state.iterations());
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * frame.size()));
    state.counters["slowest_ms"] = slowestMs;
    state.counters["frames_over_10ms"] = static_cast<double>(overRound);
}

// AddFrame paced like the recorder: one frame per 10 ms round, for 500 rounds. Shows whether
// writing keeps up when the page cache is not flooded as in the unpaced run.
void BM_AviAddFramePaced(benchmark::State& state) {
    using Clock = std::chrono::steady_clock;
    const std::string path = Folder().Path("paced.avi");
    CAviWriter writer;
    writer.SetFormat(kWidth, kHeight, 24);
    std::vector<uint8_t> frame(writer.FrameSize());
    for (size_t i = 0; i < frame.size(); ++i) frame[i] = static_cast<uint8_t>(i * 13);
    writer.OpenAvi(path.c_str());
    double slowestMs = 0;
    int64_t overRound = 0;
    Clock::time_point next = Clock::now();
    const auto round = std::chrono::duration_cast<Clock::duration>(
        std::chrono::duration<double, std::milli>(kRecorderRoundMs));
    for (auto _ : state) {
        state.PauseTiming();
        next += round;
        std::this_thread::sleep_until(next);
        state.ResumeTiming();
        const Clock::time_point start = Clock::now();
        if (writer.AddFrame(frame.data()) != 1) state.SkipWithError("AddFrame failed");
        const double ms = std::chrono::duration<double, std::milli>(Clock::now() - start).count();
        slowestMs = std::max(slowestMs, ms);
        if (ms > kRecorderRoundMs) ++overRound;
    }
    writer.CloseAvi();
    state.counters["slowest_ms"] = slowestMs;
    state.counters["frames_over_10ms"] = static_cast<double>(overRound);
}

// One recorder round: convert the output image of the given depth, then AddFrame.
void BM_AviRecorderRound(benchmark::State& state) {
    const CDibImage& image = Frame(static_cast<int>(state.range(0)));
    const std::string path = Folder().Path("round.avi");
    CAviFrameConverter converter;
    converter.Prepare(kWidth, kHeight, image.BitCount());
    CAviWriter writer;
    writer.SetFormat(kWidth, kHeight, static_cast<int16_t>(image.BitCount()));
    writer.OpenAvi(path.c_str());
    for (auto _ : state) {
        if (writer.FrameCount() == kFramesPerFile) {
            state.PauseTiming();
            writer.CloseAvi();
            writer.OpenAvi(path.c_str());
            state.ResumeTiming();
        }
        if (writer.AddFrame(converter.Convert(image)) != 1) state.SkipWithError("round failed");
    }
    writer.CloseAvi();
    state.SetItemsProcessed(state.iterations());
}

void BM_AviConvertOnly(benchmark::State& state) {
    const CDibImage& image = Frame(static_cast<int>(state.range(0)));
    CAviFrameConverter converter;
    converter.Prepare(kWidth, kHeight, image.BitCount());
    for (auto _ : state) benchmark::DoNotOptimize(converter.Convert(image));
    state.SetItemsProcessed(state.iterations());
}

// Format, bit count.
BENCHMARK(BM_WriteImageFile)
    ->ArgNames({"format", "bits"})
    ->Args({kImageFileBmp, 8})
    ->Args({kImageFileBmp, 24})
    ->Args({kImageFileRaw, 24})
    ->Args({kImageFileJpeg100, 8})
    ->Args({kImageFileJpeg100, 24})
    ->Args({kImageFileJpeg70, 24})
    ->Args({kImageFileJpeg20, 24})
    ->Args({kImageFileJpeg100, 16})
    ->Args({kImageFileJpeg100, 48})
    ->Args({kImageFilePng, 8})
    ->Args({kImageFilePng, 24})
    ->Args({kImageFilePng, 16})
    ->Args({kImageFileTiff, 24})
    ->Args({kImageFileTiff, 16})
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();
// Bit count, header bytes.
BENCHMARK(BM_BareWrite)
    ->ArgNames({"bits", "header"})
    ->Args({8, 1078})
    ->Args({24, 54})
    ->Args({24, 0})
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();
// Quality, bit count (8 grey, 24 colour).
BENCHMARK(BM_BareJpeg)
    ->ArgNames({"quality", "bits"})
    ->Args({100, 8})
    ->Args({100, 24})
    ->Args({70, 24})
    ->Args({20, 24})
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();
BENCHMARK(BM_BarePng)
    ->ArgName("bits")
    ->Arg(8)
    ->Arg(24)
    ->Arg(16)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();
BENCHMARK(BM_BareTiff)
    ->ArgName("bits")
    ->Arg(24)
    ->Arg(16)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();
BENCHMARK(BM_AviAddFrame)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_AviAddFramePaced)->Iterations(500)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_AviRecorderRound)
    ->ArgName("bits")
    ->Arg(8)
    ->Arg(16)
    ->Arg(24)
    ->Arg(32)
    ->Arg(48)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();
BENCHMARK(BM_AviConvertOnly)
    ->ArgName("bits")
    ->Arg(8)
    ->Arg(16)
    ->Arg(24)
    ->Arg(32)
    ->Arg(48)
    ->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace kelvra

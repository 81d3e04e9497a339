// Sustained lossless AVI recording of full 1280 × 1024 frames, 8-bit palettised, 16-bit grey
// and 24-bit: whole recordings of kFrames frames, to the page cache (the writes) and to the
// disk (the close, which syncs), next to write(2) of the same bytes and memcpy of a frame in
// the same run. Files go to a scratch folder in the working directory (KELVRA_BENCH_DIR overrides).
#include <benchmark/benchmark.h>

#include <fcntl.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "output/CAviRecordingFile.h"
#include "support/ScratchFolder.h"

namespace kelvra {
namespace {

constexpr int32_t kWidth = 1280;
constexpr int32_t kHeight = 1024;
constexpr int kFrames = 100;

const bench::ScratchFolder& Folder() {
    static const bench::ScratchFolder folder("kelvra-avi-bench");
    return folder;
}

std::vector<uint8_t> Pixels(int bits) {
    std::vector<uint8_t> pixels(size_t{kWidth} * kHeight * (bits / 8));
    for (size_t i = 0; i < pixels.size(); ++i) pixels[i] = static_cast<uint8_t>(i * 7 + i / 4099);
    return pixels;
}

using Clock = std::chrono::steady_clock;

void Report(benchmark::State& state, uint64_t frameBytes) {
    state.SetItemsProcessed(static_cast<int64_t>(state.iterations()) * kFrames);
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * kFrames * frameBytes));
}

// range(0): bits per pixel (8, 16 or 24); range(1): 1 to count the close, which syncs the file;
// range(2): 0 to write without preallocation.
void BM_AviRecording(benchmark::State& state) {
    const int bits = static_cast<int>(state.range(0));
    const bool toDisk = state.range(1) != 0;
    const std::vector<uint8_t> pixels = Pixels(bits);
    RecordingFrame frame;
    frame.pixels = pixels.data();
    frame.width = kWidth;
    frame.height = kHeight;
    frame.bitsPerPixel = bits;
    frame.rowStride = kWidth * (bits / 8);
    const std::string path = Folder().Path("rec.avi");
    for (auto _ : state) {
        CAviRecordingFile file;
        if (state.range(2) == 0) file.Writer().SetPreallocation(0);
        if (file.Open(path.c_str(), frame, 70.0) != 0) state.SkipWithError("open failed");
        const auto start = Clock::now();
        for (int i = 0; i < kFrames; ++i) {
            if (file.Write(frame) != 0) state.SkipWithError("write failed");
        }
        if (toDisk && file.Close() != 0) state.SkipWithError("close failed");
        state.SetIterationTime(std::chrono::duration<double>(Clock::now() - start).count());
        if (!toDisk) file.Close();
        std::filesystem::remove(path);
    }
    Report(state, pixels.size());
}

// The anchor: the same frame bytes, each copied once (as the conversion does) and written
// with write(2), then fdatasync when range(1) is 1.
void BM_WriteAnchor(benchmark::State& state) {
    const int bits = static_cast<int>(state.range(0));
    const bool toDisk = state.range(1) != 0;
    const std::vector<uint8_t> pixels = Pixels(bits);
    std::vector<uint8_t> copy(pixels.size());
    const std::string path = Folder().Path("anchor.raw");
    for (auto _ : state) {
        const int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        const auto start = Clock::now();
        for (int i = 0; i < kFrames; ++i) {
            std::memcpy(copy.data(), pixels.data(), pixels.size());
            if (write(fd, copy.data(), copy.size()) != static_cast<ssize_t>(copy.size())) {
                state.SkipWithError("write failed");
            }
        }
        if (toDisk) (void)fdatasync(fd);
        state.SetIterationTime(std::chrono::duration<double>(Clock::now() - start).count());
        close(fd);
        std::filesystem::remove(path);
    }
    Report(state, pixels.size());
}

void BM_MemcpyAnchor(benchmark::State& state) {
    const std::vector<uint8_t> pixels = Pixels(static_cast<int>(state.range(0)));
    std::vector<uint8_t> copy(pixels.size());
    for (auto _ : state) {
        for (int i = 0; i < kFrames; ++i) {
            std::memcpy(copy.data(), pixels.data(), pixels.size());
            benchmark::DoNotOptimize(copy.data());
        }
    }
    Report(state, pixels.size());
}

const std::vector<std::vector<int64_t>> kCases = {{8, 16, 24}, {0, 1}};

BENCHMARK(BM_AviRecording)
    ->ArgsProduct({{8, 16, 24}, {0, 1}, {1, 0}})
    ->ArgNames({"bits", "sync", "prealloc"})
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond)
    ->Iterations(5);
BENCHMARK(BM_WriteAnchor)
    ->ArgsProduct(kCases)
    ->ArgNames({"bits", "sync"})
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond)
    ->Iterations(5);
BENCHMARK(BM_MemcpyAnchor)
    ->Arg(8)
    ->Arg(16)
    ->Arg(24)
    ->ArgName("bits")
    ->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace kelvra

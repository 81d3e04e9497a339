// Sustained writing of the lossless recording files through their public extra: 100 frames of
// 1280 x 1024 at 16 and 8 bits per recording, to the page cache and with fsync at the end,
// next to write(2) and memcpy of the same bytes in the same run. The camera gives at most 140
// frames/s at 16 bits: a recording file must sustain that.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <stdlib.h>
#include <unistd.h>

#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "KelvraSdk.h"
#include "support/ScratchFolder.h"

namespace {

constexpr int kW = 1280, kH = 1024;
constexpr int kFramesPerRecording = 100;

struct Frame {
    explicit Frame(int bits) : pixels(size_t(kW) * kH * (bits / 8)) {
        for (size_t i = 0; i < pixels.size(); ++i) pixels[i] = uint8_t(i * 7 + i / 4096);
        record.size = sizeof record;
        record.width = kW;
        record.height = kH;
        record.bitsPerPixel = bits;
        record.rowStride = kW * (bits / 8);
        record.data = pixels.data();
        record.bytes = pixels.size();
        record.exposureUs = 13797;
        record.temperatureMilliC = -10125;
    }
    std::vector<uint8_t> pixels;
    KELVRA_FRAME record{};
};

void Fsync(const std::string& path) {
    const int fd = open(path.c_str(), O_RDONLY);
    if (fd >= 0) {
        fsync(fd);
        close(fd);
    }
}

void Report(benchmark::State& state, size_t frameBytes) {
    const int64_t frames = int64_t(state.iterations()) * kFramesPerRecording;
    state.SetItemsProcessed(frames);
    state.SetBytesProcessed(frames * int64_t(frameBytes));
    state.counters["frames/s"] = benchmark::Counter(double(frames), benchmark::Counter::kIsRate);
}

// One recording of 100 frames per iteration; the file is removed between iterations.
void BM_RecordingFile(benchmark::State& state) {
    const int format = int(state.range(0));
    const int bits = int(state.range(1));
    const bool sync = state.range(2) != 0;
    const kelvra::bench::ScratchFolder dir("kelvra-bench", std::filesystem::temp_directory_path());
    const std::string path = dir.Path(format == KELVRA_RECORDING_TIFF ? "r.tif" : "r.raw");
    Frame frame(bits);
    for (auto _ : state) {
        KELVRA_RECORDING* rec = Kelvra_OpenRecording(path.c_str(), format, 0, 0, nullptr);
        for (int i = 0; i < kFramesPerRecording; ++i) {
            frame.record.frameCounter = uint64_t(i);
            frame.record.timestampUs = uint64_t(i) * 7143;
            if (Kelvra_WriteRecordingFrame(rec, &frame.record) != 0) state.SkipWithError("write");
        }
        if (Kelvra_CloseRecording(rec, nullptr) != 0) state.SkipWithError("close");
        if (sync) Fsync(path);
        state.PauseTiming();
        std::filesystem::remove(path);
        state.ResumeTiming();
    }
    Report(state, frame.pixels.size());
}

// The anchor: the same bytes with write(2), one call per frame.
void BM_Write2(benchmark::State& state) {
    const int bits = int(state.range(1));
    const bool sync = state.range(2) != 0;
    const kelvra::bench::ScratchFolder dir("kelvra-bench", std::filesystem::temp_directory_path());
    const std::string path = dir.Path("w.bin");
    Frame frame(bits);
    for (auto _ : state) {
        const int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        for (int i = 0; i < kFramesPerRecording; ++i) {
            if (write(fd, frame.pixels.data(), frame.pixels.size()) !=
                ssize_t(frame.pixels.size())) {
                state.SkipWithError("write");
            }
        }
        if (sync) fsync(fd);
        close(fd);
        state.PauseTiming();
        std::filesystem::remove(path);
        state.ResumeTiming();
    }
    Report(state, frame.pixels.size());
}

// The anchor: memcpy of the same bytes into one frame buffer.
void BM_Memcpy(benchmark::State& state) {
    const int bits = int(state.range(1));
    Frame frame(bits);
    std::vector<uint8_t> copy(frame.pixels.size());
    for (auto _ : state) {
        for (int i = 0; i < kFramesPerRecording; ++i) {
            std::memcpy(copy.data(), frame.pixels.data(), copy.size());
            benchmark::ClobberMemory();
        }
    }
    Report(state, frame.pixels.size());
}

void Arguments(benchmark::internal::Benchmark* b, bool withFormat) {
    for (int sync : {0, 1}) {
        for (int bits : {16, 8}) {
            if (withFormat) {
                b->Args({KELVRA_RECORDING_TIFF, bits, sync});
                b->Args({KELVRA_RECORDING_RAW, bits, sync});
            } else {
                b->Args({0, bits, sync});
            }
        }
    }
    b->ArgNames({"format", "bits", "fsync"})->UseRealTime()->Unit(benchmark::kMillisecond);
    b->Iterations(3);
}

BENCHMARK(BM_RecordingFile)->Apply([](auto* b) { Arguments(b, true); });
BENCHMARK(BM_Write2)->Apply([](auto* b) { Arguments(b, false); });
BENCHMARK(BM_Memcpy)
    ->Args({0, 16, 0})
    ->Args({0, 8, 0})
    ->ArgNames({"format", "bits", "fsync"})
    ->UseRealTime()
    ->Unit(benchmark::kMillisecond);

}  // namespace

// End to end: the unpaced simulated camera through the device core, the preview loop and the
// per-frame processing into the caller's buffer, 1280 x 1024. Frames/s is wall time; CPU
// ms/frame is the whole process (camera simulation, transfer thread and acquisition thread).
#include <benchmark/benchmark.h>
#include <time.h>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "KelvraSdk.h"
#include "sim/SimCamera.h"
#include "sim/Simulator.h"
#include "support/FrameMessages.h"
#include "support/ScratchSettingsStore.h"
#include "support/StreamRate.h"

namespace {

constexpr int kW = 1280, kH = 1024;
constexpr int kFramesPerRound = 60;

using kelvra::bench::ProcessCpuSeconds;

// One handle on an unpaced camera, streaming into a caller buffer, with a settings store of its
// own: every benchmark starts from the defaults plus what it configures itself.
class Stream {
  public:
    Stream(int bits, const std::function<void(int)>& configure) {
        kelvra::sim::CameraConfig config;
        config.paced = false;
        camera_ = kelvra::sim::attachCamera(config);
        window_ = Kelvra_CreateMessageWindow();
        handle_ = Kelvra_Initialize(nullptr);
        Kelvra_SetDeviceNumber(handle_, 0);
        Kelvra_SetPreviewWindow(handle_, nullptr, 0, 0, 0, 0);
        Kelvra_SetColorMode(handle_, bits);
        Kelvra_SetWaitTime(handle_, 0);
        configure(handle_);
        buffer_.resize(static_cast<size_t>(kW) * kH * (bits / 8));
        ok_ = Kelvra_CallBackPreview(handle_, window_, buffer_.data(),
                                     static_cast<int>(buffer_.size()), 1) == 1;
        Frames(5);  // warm up
    }
    ~Stream() {
        Kelvra_Release(handle_);
        Kelvra_DestroyMessageWindow(window_);
        kelvra::sim::detachAllCameras();
    }
    bool ok() const { return ok_; }

    // Stops the preview and records `ms` milliseconds into `path`; returns once the recording
    // has ended by itself (plus a margin), then stops.
    void Record(const char* path, int ms) {
        Kelvra_StopPreview(handle_);
        if (Kelvra_Record(handle_, path, ms, 0) != 1) return;
        std::this_thread::sleep_for(std::chrono::milliseconds(ms + 500));
        Kelvra_StopPreview(handle_);
    }

    // Waits for `count` frame messages; false on a stall.
    bool Frames(int count) { return kelvra::bench::WaitFrameMessages(window_, count, 5000); }

  private:
    kelvra::bench::ScratchSettingsStore settings_;
    std::shared_ptr<kelvra::sim::SimCamera> camera_;
    HWND window_ = nullptr;
    int handle_ = 0;
    std::vector<uint8_t> buffer_;
    bool ok_ = false;
};

void RunStream(benchmark::State& state, int bits, const std::function<void(int)>& configure) {
    Stream stream(bits, configure);
    if (!stream.ok()) return state.SkipWithError("preview did not start");
    double cpu = 0;
    int64_t frames = 0;
    for (auto _ : state) {
        const double before = ProcessCpuSeconds();
        if (!stream.Frames(kFramesPerRound)) return state.SkipWithError("stream stalled");
        cpu += ProcessCpuSeconds() - before;
        frames += kFramesPerRound;
    }
    state.counters["frames/s"] =
        benchmark::Counter(static_cast<double>(frames), benchmark::Counter::kIsRate);
    state.counters["cpu_ms/frame"] = cpu * 1e3 / static_cast<double>(frames);
}

void Neutral(int) {}

void FlatFieldAndDots(int h) {
    Kelvra_SetMaskFilter(h, 1);
    Kelvra_SetDotFilter(h, 1);
}

void EveryMonochromeStep(int h) {
    FlatFieldAndDots(h);
    Kelvra_SetGrayMode(h, 1);
    Kelvra_SetGrayGainR(h, 150);
    Kelvra_SetGrayOffsetR(h, 120);
    Kelvra_SetMirrorH(h, 1);
    Kelvra_SetMirrorV(h, 1);
    Kelvra_SetGamma(h, 80);
    Kelvra_SetContrast(h, 20);
    Kelvra_SetSharpness(h, 5);
    Kelvra_SetBrightness(h, 10);
}

void BM_Mode0Neutral(benchmark::State& state) {
    RunStream(state, 8, Neutral);
}
void BM_Mode1FlatFieldDots(benchmark::State& state) {
    RunStream(state, 16, FlatFieldAndDots);
}
void BM_Mode0EveryStep(benchmark::State& state) {
    RunStream(state, 8, EveryMonochromeStep);
}
void BM_Mode1EveryStep(benchmark::State& state) {
    RunStream(state, 16, EveryMonochromeStep);
}

// Anchor: copying one frame of each depth.
void BM_MemcpyFrame(benchmark::State& state) {
    const size_t bytes = static_cast<size_t>(kW) * kH * state.range(0);
    std::vector<uint8_t> src(bytes, 7), dst(bytes);
    for (auto _ : state) {
        std::memcpy(dst.data(), src.data(), bytes);
        benchmark::DoNotOptimize(dst.data());
    }
    state.counters["frames/s"] =
        benchmark::Counter(static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
}

BENCHMARK(BM_MemcpyFrame)->Arg(1)->Arg(2);
BENCHMARK(BM_Mode0Neutral)->UseRealTime()->Unit(benchmark::kMillisecond)->Iterations(5);
BENCHMARK(BM_Mode1FlatFieldDots)->UseRealTime()->Unit(benchmark::kMillisecond)->Iterations(5);
BENCHMARK(BM_Mode0EveryStep)->UseRealTime()->Unit(benchmark::kMillisecond)->Iterations(5);
BENCHMARK(BM_Mode1EveryStep)->UseRealTime()->Unit(benchmark::kMillisecond)->Iterations(5);

}  // namespace

namespace {

uint32_t AviFrames(const std::string& path) {
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (file == nullptr) return 0;
    uint8_t header[64] = {};
    const size_t got = std::fread(header, 1, sizeof header, file);
    std::fclose(file);
    // "RIFF" size "AVI " "LIST" size "hdrl" "avih" size, then the main header: total frames
    // is its fifth word.
    if (got < 64) return 0;
    const size_t at = 32 + 16;
    return header[at] | header[at + 1] << 8 | header[at + 2] << 16 |
           static_cast<uint32_t>(header[at + 3]) << 24;
}

// A 5 s recording of 1280 x 1024 frames from the unpaced camera into the working directory:
// the recorder writes the newest frame once per 10 ms round, so 500 frames is its limit.
void BM_Recording5s(benchmark::State& state) {
    constexpr int kDurationMs = 5000;
    constexpr double kRounds = kDurationMs / 10.0;
    const std::string path = "bench-recording.avi";
    double frames = 0;
    for (auto _ : state) {
        Stream stream(8, Neutral);
        if (!stream.ok()) return state.SkipWithError("preview did not start");
        stream.Record(path.c_str(), kDurationMs);
        frames = AviFrames(path);
    }
    std::remove(path.c_str());
    state.counters["frames_written"] = frames;
    state.counters["rounds"] = kRounds;
    state.counters["frames/round"] = frames / kRounds;
}

BENCHMARK(BM_Recording5s)->UseRealTime()->Unit(benchmark::kMillisecond)->Iterations(1);

}  // namespace

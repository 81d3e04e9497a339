// The recorder at the camera's own rate: frames written against frames the preview processed,
// on an idle machine and with both cores kept busy by other processes; and its 8 -> 24-bit
// expansion next to OpenCV's cvtColor GRAY2BGR on the same 1280 x 1024 frame.
#include <benchmark/benchmark.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include <opencv2/imgproc.hpp>

#include "KelvraSdk.h"
#include "imaging/CDibImage.h"
#include "output/CAviFrameConverter.h"
#include "sim/SimCamera.h"
#include "sim/Simulator.h"
#include "support/ScratchSettingsStore.h"

namespace {

constexpr int kW = 1280, kH = 1024;

// Busy loops in child processes, one per core asked for, ended with the object.
class BusyLoad {
  public:
    explicit BusyLoad(int processes) {
        for (int i = 0; i < processes; ++i) {
            const pid_t pid = fork();
            if (pid == 0) {
                for (uint64_t n = 0;; ++n) benchmark::DoNotOptimize(n);
            }
            if (pid > 0) children_.push_back(pid);
        }
    }
    ~BusyLoad() {
        for (pid_t pid : children_) kill(pid, SIGKILL);
        for (pid_t pid : children_) waitpid(pid, nullptr, 0);
    }

  private:
    std::vector<pid_t> children_;
};

// "00db" chunks in an AVI file: the frames it holds.
uint64_t AviFrameChunks(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    const std::vector<char> file{std::istreambuf_iterator<char>(in),
                                 std::istreambuf_iterator<char>()};
    uint64_t frames = 0;
    const char* movi = static_cast<const char*>(memmem(file.data(), file.size(), "movi", 4));
    if (movi == nullptr) return 0;
    for (size_t at = static_cast<size_t>(movi - file.data()) + 4; at + 8 <= file.size();) {
        uint32_t size = 0;
        std::memcpy(&size, &file[at + 4], 4);
        if (std::memcmp(&file[at], "00db", 4) != 0) break;
        ++frames;
        at += 8 + size + (size & 1);
    }
    return frames;
}

// Records 3 s from the paced camera (71.5 frames/s at full frame) in 8 or 16 bits, with
// `busy` busy-loop processes beside it; counts the frames the preview processed and those in
// the file.
void BM_RecordingPaced(benchmark::State& state) {
    const int bits = static_cast<int>(state.range(0));
    const int busy = static_cast<int>(state.range(1));
    const std::string path = "bench-recording-paced.avi";
    double written = 0, processed = 0;
    for (auto _ : state) {
        BusyLoad load(busy);
        kelvra::bench::ScratchSettingsStore settings;
        auto camera = kelvra::sim::attachCamera(kelvra::sim::CameraConfig{});
        const int handle = Kelvra_Initialize(nullptr);
        Kelvra_SetDeviceNumber(handle, 0);
        Kelvra_SetPreviewWindow(handle, nullptr, 0, 0, 0, 0);
        Kelvra_SetColorMode(handle, bits);
        if (Kelvra_Record(handle, path.c_str(), 60000, 0) != 1) {
            state.SkipWithError("recording did not start");
            break;
        }
        std::this_thread::sleep_for(std::chrono::seconds(3));
        Kelvra_StopPreview(handle);
        KELVRA_STREAM_STATS stats{};
        stats.size = sizeof stats;
        Kelvra_GetStreamStatistics(handle, &stats);
        Kelvra_Release(handle);
        kelvra::sim::detachAllCameras();
        processed = static_cast<double>(stats.framesProcessed);
        written = static_cast<double>(AviFrameChunks(path));
    }
    std::remove(path.c_str());
    state.counters["processed"] = processed;
    state.counters["written"] = written;
    state.counters["written/processed"] = processed > 0 ? written / processed : 0;
}

BENCHMARK(BM_RecordingPaced)
    ->ArgNames({"bits", "busy"})
    ->Args({8, 0})
    ->Args({8, 2})
    ->Args({16, 0})
    ->Args({16, 2})
    ->Iterations(1)
    ->UseRealTime()
    ->Unit(benchmark::kMillisecond);

// The preview alone from the paced camera for 3 s beside `busy` busy-loop processes: run on one
// core (taskset -c 0), it shows whether the transfer thread still takes every frame the camera
// makes (lost_in_camera) while the busy loops compete with it.
void BM_PreviewPacedBesideBusyLoops(benchmark::State& state) {
    const int busy = static_cast<int>(state.range(0));
    KELVRA_STREAM_STATS stats{};
    stats.size = sizeof stats;
    for (auto _ : state) {
        BusyLoad load(busy);
        kelvra::bench::ScratchSettingsStore settings;
        auto camera = kelvra::sim::attachCamera(kelvra::sim::CameraConfig{});
        const int handle = Kelvra_Initialize(nullptr);
        Kelvra_SetDeviceNumber(handle, 0);
        Kelvra_SetPreviewWindow(handle, nullptr, 0, 0, 0, 0);
        std::vector<uint8_t> buffer(static_cast<size_t>(kW) * kH);
        if (Kelvra_CallBackPreview(handle, nullptr, buffer.data(), static_cast<int>(buffer.size()),
                                   1) != 1) {
            state.SkipWithError("preview did not start");
            break;
        }
        std::this_thread::sleep_for(std::chrono::seconds(3));
        Kelvra_GetStreamStatistics(handle, &stats);
        Kelvra_Release(handle);
        kelvra::sim::detachAllCameras();
    }
    state.counters["processed/s"] = static_cast<double>(stats.framesProcessed) / 3.0;
    state.counters["lost_in_camera"] = static_cast<double>(stats.lostInCamera);
    state.counters["dropped_in_ring"] = static_cast<double>(stats.droppedInRing);
}

BENCHMARK(BM_PreviewPacedBesideBusyLoops)
    ->ArgName("busy")
    ->Arg(0)
    ->Arg(2)
    ->Iterations(1)
    ->UseRealTime()
    ->Unit(benchmark::kMillisecond);

// A grey frame with every value in every row.
void FillGrey(uint8_t* p, size_t rows, size_t stride) {
    for (size_t y = 0; y < rows; ++y) {
        for (size_t x = 0; x < stride; ++x) p[y * stride + x] = static_cast<uint8_t>(x * 3 + y);
    }
}

void BM_RecorderExpand8(benchmark::State& state) {
    kelvra::CDibImage image;
    image.Create(kW, kH, 8);
    FillGrey(image.Bits(), kH, static_cast<size_t>(image.Stride()));
    kelvra::CAviFrameConverter converter;
    converter.Prepare(kW, kH, 8);
    for (auto _ : state) benchmark::DoNotOptimize(converter.Convert(image));
    state.SetItemsProcessed(state.iterations());
}

void BM_RecorderReduceExpand16(benchmark::State& state) {
    kelvra::CDibImage image;
    image.Create(kW, kH, 16);
    FillGrey(image.Bits(), kH, static_cast<size_t>(image.Stride()));
    kelvra::CAviFrameConverter converter;
    converter.Prepare(kW, kH, 16);
    for (auto _ : state) benchmark::DoNotOptimize(converter.Convert(image));
    state.SetItemsProcessed(state.iterations());
}

// Anchor: OpenCV's grey to BGR expansion of the same frame (without the row flip).
void BM_CvtColorGray2Bgr(benchmark::State& state) {
    cv::Mat grey(kH, kW, CV_8UC1), bgr(kH, kW, CV_8UC3);
    FillGrey(grey.data, kH, kW);
    for (auto _ : state) {
        cv::cvtColor(grey, bgr, cv::COLOR_GRAY2BGR);
        benchmark::DoNotOptimize(bgr.data);
    }
    state.SetItemsProcessed(state.iterations());
}

BENCHMARK(BM_RecorderExpand8)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_RecorderReduceExpand16)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_CvtColorGray2Bgr)->Unit(benchmark::kMicrosecond);

}  // namespace

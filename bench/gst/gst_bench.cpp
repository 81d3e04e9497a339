// Frames through kelvrasrc ! fakesink against the plain C loop over the frame queue
// (Kelvra_WaitFrame / Kelvra_ReleaseFrame), end to end on the unpaced simulated camera, 1280 x
// 1024 at 8 and 16 bits. Frames/s is wall time; CPU ms/frame is the whole process (camera
// simulation, transfer and acquisition threads, consumer or streaming thread). The element's own
// per-pixel step, left-justify, is measured against memcpy of the same bytes. On a shared machine
// run with --benchmark_repetitions=3 and compare the medians.
#include <benchmark/benchmark.h>
#include <gst/gst.h>
#include <time.h>

#include <atomic>
#include <condition_variable>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <mutex>
#include <string>
#include <vector>

#include "KelvraSdk.h"
#include "kelvraloan.h"
#include "support/StreamRate.h"

namespace {

constexpr int kW = 1280, kH = 1024;
constexpr int kFramesPerRound = 60;
constexpr int kQueueBuffers = 8;  // the element's default
constexpr int kWaitMs = 5000;

class Path {
  public:
    virtual ~Path() = default;
    // Takes `count` frames the path's way; false on a stall.
    virtual bool Frames(int count) = 0;
    bool ok() const { return ok_; }

  protected:
    bool ok_ = false;
};

// What kelvrasrc does without GStreamer: one queue, each frame waited for and given back.
class QueueLoop : public Path {
  public:
    explicit QueueLoop(int bits) {
        handle_ = Kelvra_Initialize(nullptr);
        Kelvra_SetDeviceNumber(handle_, 0);
        Kelvra_SetPreviewWindow(handle_, nullptr, 0, 0, 0, 0);
        Kelvra_SetColorMode(handle_, bits);
        ok_ = Kelvra_OpenFrameQueue(handle_, kQueueBuffers) == 1 && Kelvra_Preview(handle_) == 1 &&
              Frames(5);
    }
    ~QueueLoop() override {
        Kelvra_Close(handle_);
        Kelvra_CloseFrameQueue(handle_);
        Kelvra_Release(handle_);
    }
    bool Frames(int count) override {
        KELVRA_FRAME frame{};
        frame.size = sizeof frame;
        for (int got = 0; got < count; ++got) {
            if (Kelvra_WaitFrame(handle_, &frame, kWaitMs) != 1) return false;
            benchmark::DoNotOptimize(*static_cast<const uint8_t*>(frame.data));
            Kelvra_ReleaseFrame(handle_, &frame);
        }
        return true;
    }

  private:
    int handle_ = 0;
};

// kelvrasrc ! fakesink; a probe counts the buffers.
class ElementPipeline : public Path {
  public:
    explicit ElementPipeline(int bits) {
        const std::string description = "kelvrasrc name=src color-mode=" + std::to_string(bits) +
                                        " ! fakesink name=sink sync=false";
        pipeline_ = gst_parse_launch(description.c_str(), nullptr);
        GstElement* sink = gst_bin_get_by_name(GST_BIN(pipeline_), "sink");
        GstPad* pad = gst_element_get_static_pad(sink, "sink");
        gst_pad_add_probe(pad, GST_PAD_PROBE_TYPE_BUFFER, &ElementPipeline::Count, this, nullptr);
        gst_object_unref(pad);
        gst_object_unref(sink);
        ok_ = gst_element_set_state(pipeline_, GST_STATE_PLAYING) != GST_STATE_CHANGE_FAILURE &&
              Frames(5);
    }
    ~ElementPipeline() override {
        gst_element_set_state(pipeline_, GST_STATE_NULL);
        gst_object_unref(pipeline_);
    }
    bool Frames(int count) override {
        std::unique_lock<std::mutex> lock(mutex_);
        const uint64_t target = seen_ + uint64_t(count);
        return changed_.wait_for(lock, std::chrono::milliseconds(kWaitMs),
                                 [&] { return seen_ >= target; });
    }

  private:
    static GstPadProbeReturn Count(GstPad*, GstPadProbeInfo*, gpointer data) {
        auto* self = static_cast<ElementPipeline*>(data);
        {
            std::lock_guard<std::mutex> lock(self->mutex_);
            ++self->seen_;
        }
        self->changed_.notify_one();
        return GST_PAD_PROBE_OK;
    }
    GstElement* pipeline_ = nullptr;
    std::mutex mutex_;
    std::condition_variable changed_;
    uint64_t seen_ = 0;
};

template <typename P>
void RunPath(benchmark::State& state) {
    P path(int(state.range(0)));
    if (!path.ok()) return state.SkipWithError("the stream did not start");
    kelvra::bench::MeasureStreamRate(state, path, kFramesPerRound);
}

void BM_QueueLoop(benchmark::State& state) {
    RunPath<QueueLoop>(state);
}
void BM_KelvraSrcFakesink(benchmark::State& state) {
    RunPath<ElementPipeline>(state);
}

void BM_LeftJustify(benchmark::State& state) {
    std::vector<uint16_t> frame(size_t(kW) * kH, 0x0ABC);
    for (auto _ : state) {
        kelvra_left_justify(frame.data(), kW, kH, kW * 2);
        benchmark::DoNotOptimize(frame.data());
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * kW * kH * 2);
}

void BM_MemcpyFrame16(benchmark::State& state) {
    const size_t bytes = size_t(kW) * kH * 2;
    std::vector<uint8_t> src(bytes, 7), dst(bytes);
    for (auto _ : state) {
        std::memcpy(dst.data(), src.data(), bytes);
        benchmark::DoNotOptimize(dst.data());
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(bytes));
}

BENCHMARK(BM_LeftJustify);
BENCHMARK(BM_MemcpyFrame16);
BENCHMARK(BM_QueueLoop)
    ->Arg(8)
    ->Arg(16)
    ->UseRealTime()
    ->Unit(benchmark::kMillisecond)
    ->Iterations(20);
BENCHMARK(BM_KelvraSrcFakesink)
    ->Arg(8)
    ->Arg(16)
    ->UseRealTime()
    ->Unit(benchmark::kMillisecond)
    ->Iterations(20);

// Both paths on one unpaced simulated camera with settings of their own, no pause before each
// frame (the preview's wait time, saved with the camera's settings).
std::filesystem::path Prepare() {
    const std::filesystem::path dir =
        std::filesystem::temp_directory_path() / ("kelvra-gst-bench-" + std::to_string(getpid()));
    std::filesystem::create_directories(dir);
    setenv("XDG_CONFIG_HOME", dir.c_str(), 1);
    setenv("KELVRA_SIMULATED_CAMERAS", "1", 1);
    setenv("KELVRA_SIMULATED_UNPACED", "1", 1);
    setenv("GST_PLUGIN_PATH", KELVRA_GST_PLUGIN_DIR, 1);
    setenv("GST_REGISTRY", (dir / "registry.bin").c_str(), 1);
    const int handle = Kelvra_Initialize(nullptr);
    Kelvra_SetDeviceNumber(handle, 0);
    Kelvra_SetWaitTime(handle, 0);
    Kelvra_Release(handle);
    return dir;
}

}  // namespace

int main(int argc, char** argv) {
    const std::filesystem::path dir = Prepare();
    gst_init(&argc, &argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    std::filesystem::remove_all(dir);
    return 0;
}

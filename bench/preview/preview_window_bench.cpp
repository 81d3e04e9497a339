// The preview window's cost end to end: the unpaced simulated camera through the preview loop,
// 1280 x 1024, without a window, painting with XPutImage and painting with XShmPutImage, 8- and
// 16-bit grey, in the same run. Needs an X server with a screen of at least 1280 x 1024:
//   xvfb-run -s "-screen 0 1600x1200x24" build/bench/preview/bench_preview_window
// Frames/s is wall time; CPU ms/frame is the whole process (camera, transfer, acquisition and
// painting), not the X server's share.
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <memory>

#include "KelvraSdk.h"
#include "sim/SimCamera.h"
#include "sim/Simulator.h"
#include "support/FrameMessages.h"
#include "support/ScratchSettingsStore.h"
#include "support/StreamRate.h"

namespace {

constexpr int kW = 1280, kH = 1024;
constexpr int kFramesPerRound = 120;
constexpr char kNoSharedMemory[] = "KELVRA_PREVIEW_NO_SHM";

enum class Window { None, PutImage, SharedMemory };

// One handle on an unpaced camera in grey mode `colorMode`, previewing into its own centred
// window (client area the frame's size, so frames are shown 1:1) or into none.
class PreviewStream {
  public:
    PreviewStream(int colorMode, Window window) {
        kelvra::sim::CameraConfig config;
        config.paced = false;
        camera_ = kelvra::sim::attachCamera(config);
        messages_ = Kelvra_CreateMessageWindow();
        handle_ = Kelvra_Initialize(nullptr);
        Kelvra_SetDeviceNumber(handle_, 0);
        const int right = window == Window::None ? 0 : kW;
        const int bottom = window == Window::None ? 0 : kH;
        Kelvra_SetPreviewWindow(handle_, nullptr, 0, 0, right, bottom);
        Kelvra_SetColorMode(handle_, colorMode);
        Kelvra_SetWaitTime(handle_, 0);
        // Read when the window is made.
        if (window == Window::PutImage) {
            setenv(kNoSharedMemory, "1", 1);
        } else {
            unsetenv(kNoSharedMemory);
        }
        ok_ = Kelvra_CallBackPreview(handle_, messages_, nullptr, 0, 1) == 1 && Frames(10);
        unsetenv(kNoSharedMemory);
    }
    ~PreviewStream() {
        Kelvra_Release(handle_);
        Kelvra_DestroyMessageWindow(messages_);
        kelvra::sim::detachAllCameras();
    }
    bool ok() const { return ok_; }

    bool Frames(int count) { return kelvra::bench::WaitFrameMessages(messages_, count, 5000); }

  private:
    kelvra::bench::ScratchSettingsStore settings_;
    std::shared_ptr<kelvra::sim::SimCamera> camera_;
    HWND messages_ = nullptr;
    int handle_ = 0;
    bool ok_ = false;
};

void BM_Preview(benchmark::State& state, int colorMode, Window window) {
    if (window != Window::None && std::getenv("DISPLAY") == nullptr) {
        return state.SkipWithError("no DISPLAY: run under xvfb-run");
    }
    PreviewStream stream(colorMode, window);
    if (!stream.ok()) return state.SkipWithError("preview did not start");
    kelvra::bench::MeasureStreamRate(state, stream, kFramesPerRound);
}

BENCHMARK_CAPTURE(BM_Preview, 8bit_no_window, 0, Window::None)->UseRealTime();
BENCHMARK_CAPTURE(BM_Preview, 8bit_XPutImage, 0, Window::PutImage)->UseRealTime();
BENCHMARK_CAPTURE(BM_Preview, 8bit_XShmPutImage, 0, Window::SharedMemory)->UseRealTime();
BENCHMARK_CAPTURE(BM_Preview, 16bit_no_window, 1, Window::None)->UseRealTime();
BENCHMARK_CAPTURE(BM_Preview, 16bit_XPutImage, 1, Window::PutImage)->UseRealTime();
BENCHMARK_CAPTURE(BM_Preview, 16bit_XShmPutImage, 1, Window::SharedMemory)->UseRealTime();

}  // namespace

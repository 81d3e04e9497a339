// Frame processing at full frame (1280 x 1024) against OpenCV anchors in the same run.
#include <benchmark/benchmark.h>

#include <opencv2/core.hpp>
#include <opencv2/imgproc.hpp>

#include <cstring>
#include <mutex>
#include <vector>

#include "bench_scene.h"
#include "device/CKelvraU3Q6Base.h"
#include "front/processing/DotFilter.h"
#include "front/processing/FlatField.h"
#include "front/processing/FrameProcessor.h"
#include "imaging/ToneCurve.h"
#include "imaging/ToneTables.h"

namespace kelvra::bench {

namespace {

// A device that mirrors nothing itself, so software mirroring runs.
class BenchDevice : public CKelvraU3Q6Base {
  public:
    int32_t IsFlipSupported() override { return 0; }
    int32_t IsMirrorSupported() override { return 0; }
};

// The anchors run on one core, as the processing does.
void OneOpenCvThread() {
    cv::setNumThreads(1);
}

void CountFrames(benchmark::State& state) {
    state.counters["frames/s"] =
        benchmark::Counter(static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
}

// Restores a frame outside the timed part, for steps that change the frame they correct.
class FrameRestore {
  public:
    explicit FrameRestore(const CDibImage& image)
        : pristine_(image.Bits(), image.Bits() + image.ImageBytes()) {}
    void Into(CDibImage& image) const {
        std::memcpy(image.Bits(), pristine_.data(), pristine_.size());
    }

  private:
    std::vector<uint8_t> pristine_;
};

// The corrector is kept from frame to frame, as frame processing keeps it: the references'
// reciprocals are made before the first frame and reused.
void BM_FlatField8(benchmark::State& state) {
    Scene scene(8);
    const processing::FlatFieldWindow window{kFrameWidth, kFrameHeight, 0, 0};
    processing::FlatField corrector;
    for (auto _ : state) {
        corrector.Correct8(*scene.raw8, *scene.darkRef8, *scene.whiteRef8, window);
        benchmark::ClobberMemory();
    }
    CountFrames(state);
}

void BM_FlatField16(benchmark::State& state) {
    Scene scene(16);
    const processing::FlatFieldWindow window{kFrameWidth, kFrameHeight, 0, 0};
    processing::FlatField corrector;
    for (auto _ : state) {
        corrector.Correct16(*scene.raw16, *scene.darkRef16, *scene.whiteRef16, window);
        benchmark::ClobberMemory();
    }
    CountFrames(state);
}

// Anchor: the same correction in OpenCV, one subtraction and one scaled division (the span
// W - D is fixed with the references and computed once).
void FlatFieldAnchor(benchmark::State& state, bool wide) {
    OneOpenCvThread();
    Scene scene(8);
    cv::Mat raw = MatOf(wide ? *scene.raw16 : *scene.raw8);
    cv::Mat dark = MatOf(wide ? *scene.darkRef16 : *scene.darkRef8);
    cv::Mat white = MatOf(wide ? *scene.whiteRef16 : *scene.whiteRef8);
    cv::Mat span;
    cv::subtract(white, dark, span);
    cv::Mat diff;
    cv::Mat out;
    const double scale = wide ? 4096.0 : 256.0;
    for (auto _ : state) {
        cv::subtract(raw, dark, diff);
        cv::divide(diff, span, out, scale);
        benchmark::DoNotOptimize(out.data);
    }
    CountFrames(state);
}

void BM_OpenCvFlatField8(benchmark::State& state) {
    FlatFieldAnchor(state, false);
}
void BM_OpenCvFlatField16(benchmark::State& state) {
    FlatFieldAnchor(state, true);
}

// Gamma 120, contrast 10, brightness 20 folded into one table (built before the first frame,
// as frame processing builds it when a setting changes) and applied in one pass.
constexpr int32_t kBenchGamma = 120;
constexpr int32_t kBenchContrast = 10;
constexpr int32_t kBenchBrightness = 20;

void ToneTableRun(benchmark::State& state, bool wide) {
    Scene scene(8);
    CDibImage& frame = wide ? *scene.raw16 : *scene.raw8;
    ToneCurve curve;
    curve.Prepare(wide, {kBenchGamma, kBenchContrast, kBenchBrightness});
    for (auto _ : state) {
        curve.ApplyInPlace(frame);
        benchmark::ClobberMemory();
    }
    CountFrames(state);
}

void BM_ToneTable8(benchmark::State& state) {
    ToneTableRun(state, false);
}
void BM_ToneTable16(benchmark::State& state) {
    ToneTableRun(state, true);
}

// Anchor, 8 bits: OpenCV's table lookup with the same 256-entry table.
void BM_OpenCvLut8(benchmark::State& state) {
    OneOpenCvThread();
    Scene scene(8);
    cv::Mat raw = MatOf(*scene.raw8);
    cv::Mat table(1, 256, CV_8U);
    const tone::ContrastLine line = tone::MakeContrastLine(kBenchContrast, 255);
    const double exponent = tone::GammaExponent(kBenchGamma);
    const float factor = tone::BrightnessFactor(kBenchBrightness);
    for (int v = 0; v < 256; ++v) {
        table.at<uint8_t>(v) = static_cast<uint8_t>(tone::Brightness(
            factor, 255, tone::Contrast(line, 255, tone::Gamma(exponent, 255, v))));
    }
    cv::Mat out;
    for (auto _ : state) {
        cv::LUT(raw, table, out);
        benchmark::DoNotOptimize(out.data);
    }
    CountFrames(state);
}

// Anchor, 16 bits (OpenCV has no 16-bit table lookup): the same steps as OpenCV computes them,
// gamma through a power of the normalised frame, then contrast and brightness as one linear map
// back to 16 bits (saturating).
void BM_OpenCvToneChain16(benchmark::State& state) {
    OneOpenCvThread();
    Scene scene(8);
    cv::Mat raw = MatOf(*scene.raw16);
    const tone::ContrastLine line = tone::MakeContrastLine(kBenchContrast, 4095);
    const double gain = line.factor * tone::BrightnessFactor(kBenchBrightness);
    cv::Mat normalised;
    cv::Mat powered;
    cv::Mat out;
    for (auto _ : state) {
        raw.convertTo(normalised, CV_32F, 1.0 / 4095.0);
        cv::pow(normalised, tone::GammaExponent(kBenchGamma), powered);
        powered.convertTo(out, CV_16U, 4095.0 * gain, -line.threshold * gain);
        benchmark::DoNotOptimize(out.data);
    }
    CountFrames(state);
}

void DotFilterRun(benchmark::State& state, bool wide) {
    Scene scene(8);
    CDibImage& frame = wide ? *scene.raw16 : *scene.raw8;
    const FrameRestore restore(frame);
    const processing::DotFilterImages images =
        wide ? processing::DotFilterImages{&frame, scene.darkDefects16.get(),
                                           scene.whiteDefects16.get(), scene.dotMap16.get()}
             : processing::DotFilterImages{&frame, scene.darkDefects8.get(),
                                           scene.whiteDefects8.get(), scene.dotMap8.get()};
    processing::DotFilter filter;
    int64_t marked = 0;
    for (auto _ : state) {
        state.PauseTiming();
        restore.Into(frame);
        state.ResumeTiming();
        marked =
            filter.Apply(images, wide ? processing::kDotThreshold16 : processing::kDotThreshold8);
        benchmark::ClobberMemory();
    }
    state.counters["marked"] = static_cast<double>(marked);
    CountFrames(state);
}

void BM_DotFilter8(benchmark::State& state) {
    DotFilterRun(state, false);
}
void BM_DotFilter16(benchmark::State& state) {
    DotFilterRun(state, true);
}

void MedianAnchor(benchmark::State& state, bool wide) {
    OneOpenCvThread();
    Scene scene(8);
    cv::Mat raw = MatOf(wide ? *scene.raw16 : *scene.raw8);
    cv::Mat out;
    for (auto _ : state) {
        cv::medianBlur(raw, out, 3);
        benchmark::DoNotOptimize(out.data);
    }
    CountFrames(state);
}

void BM_OpenCvMedian3x3_8(benchmark::State& state) {
    MedianAnchor(state, false);
}
void BM_OpenCvMedian3x3_16(benchmark::State& state) {
    MedianAnchor(state, true);
}

// Colour mode 2: demosaic, hue and saturation, gamma, contrast, sharpness.
void BM_ProcessFrameColour24(benchmark::State& state) {
    Scene scene(24);
    BenchDevice device;
    std::recursive_mutex maskLock;
    processing::FrameProcessor processor;
    processing::FrameSettings s;
    s.colourMode = processing::kColour24;
    s.bayerMode = 3;
    s.redGain = 130;
    s.blueGain = 115;
    s.hue = 12;
    s.saturation = 40;
    s.gamma = 120;
    s.contrast = 10;
    s.sharpness = 4;
    const processing::FrameImages views = scene.Views();
    for (auto _ : state) {
        benchmark::DoNotOptimize(processor.ProcessFrame(views, s, device, maskLock));
        benchmark::ClobberMemory();
    }
    CountFrames(state);
}

// Monochrome modes with every step that changes the frame: flat-field, dot filter, grey gain
// and offset, software mirroring, gamma, contrast, sharpness, brightness.
void MonochromeFrame(benchmark::State& state, bool wide) {
    Scene scene(wide ? 16 : 8);
    BenchDevice device;
    std::recursive_mutex maskLock;
    processing::FrameProcessor processor;
    processing::FrameSettings s;
    s.colourMode = wide ? processing::kMono16 : processing::kMono8;
    s.maskFilter = 1;
    s.dotFilter = 1;
    s.grayMode = 1;
    s.grayGainR = 140;
    s.grayGainB = 120;
    s.grayOffsetR = 0;
    s.grayOffsetG1 = 0;
    s.grayOffsetG2 = 0;
    s.grayOffsetB = 0;
    s.horizontalMirror = 1;
    s.verticalMirror = 1;
    s.gamma = 120;
    s.contrast = 10;
    s.sharpness = 4;
    s.brightness = 20;
    CDibImage& frame = wide ? *scene.raw16 : *scene.raw8;
    const FrameRestore restore(frame);
    const processing::FrameImages views = scene.Views();
    for (auto _ : state) {
        state.PauseTiming();
        restore.Into(frame);
        state.ResumeTiming();
        benchmark::DoNotOptimize(processor.ProcessFrame(views, s, device, maskLock));
        benchmark::ClobberMemory();
    }
    CountFrames(state);
}

void BM_ProcessFrameMono8(benchmark::State& state) {
    MonochromeFrame(state, false);
}
void BM_ProcessFrameMono16(benchmark::State& state) {
    MonochromeFrame(state, true);
}

}  // namespace

BENCHMARK(BM_FlatField8)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_OpenCvFlatField8)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_FlatField16)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_OpenCvFlatField16)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ToneTable8)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_OpenCvLut8)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ToneTable16)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_OpenCvToneChain16)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DotFilter8)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_OpenCvMedian3x3_8)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DotFilter16)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_OpenCvMedian3x3_16)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ProcessFrameColour24)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ProcessFrameMono8)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ProcessFrameMono16)->Unit(benchmark::kMillisecond);

}  // namespace kelvra::bench

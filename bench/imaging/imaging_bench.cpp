// Each pixel kernel on a 1280 x 1024 frame next to its public anchor (OpenCV, or memcpy of
// the same bytes), on one thread; a summary table with the ratios follows the benchmark
// output.
#include <benchmark/benchmark.h>
#include <opencv2/core.hpp>
#include <opencv2/imgproc.hpp>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "bench_frames.h"
#include "imaging/ConversionKernels.h"
#include "imaging/CopyKernels.h"
#include "imaging/DemosaicKernels.h"
#include "imaging/GrayGainKernels.h"
#include "imaging/HueSaturationKernels.h"
#include "imaging/KernelRunner.h"
#include "imaging/ScaleKernels.h"
#include "imaging/SharpnessKernels.h"
#include "imaging/ToneKernels.h"

namespace kelvra::bench {
namespace {

struct Frames {
    CDibImage raw8, raw16, c24, c32, c48, c64;
    CDibImage out8, out16, out24, out32, out48, out64, half24, odd24, half8;
    CDibImage spread8, spread16;
    cv::Mat m8, m16, m24, m48;
    cv::Mat o8, o16, o24, o48, o24b;
    cv::Mat lut8;

    Frames() {
        FillFrame(raw8, kFrameWidth, kFrameHeight, 8);
        FillFrame(raw16, kFrameWidth, kFrameHeight, 16);
        FillFrame(c24, kFrameWidth, kFrameHeight, 24);
        FillFrame(c32, kFrameWidth, kFrameHeight, 32);
        FillFrame(c48, kFrameWidth, kFrameHeight, 48);
        FillFrame(c64, kFrameWidth, kFrameHeight, 64);
        for (auto [image, bits] : {std::pair{&out8, 8},
                                   {&out16, 16},
                                   {&out24, 24},
                                   {&out32, 32},
                                   {&out48, 48},
                                   {&out64, 64}}) {
            image->Create(kFrameWidth, kFrameHeight, bits);
        }
        half24.Create(kFrameWidth / 2, kFrameHeight / 2, 24);
        half8.Create(kFrameWidth / 2, kFrameHeight / 2, 8);
        odd24.Create(1000, 800, 24);
        // Spreading needs rows whose packed width differs from the stride.
        FillFrame(spread8, kFrameWidth - 2, kFrameHeight, 8);
        FillFrame(spread16, kFrameWidth - 1, kFrameHeight, 16);
        m8 = ToMat(raw8);
        m16 = ToMat(raw16);
        m24 = ToMat(c24);
        m48 = ToMat(c48);
        lut8 = cv::Mat(1, 256, CV_8U);
        for (int i = 0; i < 256; ++i) lut8.at<uint8_t>(i) = static_cast<uint8_t>(255 - i);
    }
};

Frames& F() {
    static Frames frames;
    return frames;
}

BayerGains g_bayer{0, 120, 100, 90};
GrayGainOffset g_grey{0, 130, 128, 126, 140, 2, 0, 1, -3, 12};
HueSaturation g_hue{40, 0, 30, 16};

struct Pair {
    std::string name;
    std::string anchorName;
    double goal;
    std::function<void()> ours;
    std::function<void()> anchor;
    // A second anchor where either of two OpenCV calls may serve; the faster one counts.
    std::string otherAnchorName = {};
    std::function<void()> otherAnchor = {};
};

void Run(CDibImage& dst, PixelKernel kernel, const CDibImage& src, void* param) {
    RunKernel(dst, kernel, src, nullptr, 0, 0, param);
}

std::function<void()> Kernel(CDibImage& dst, PixelKernel kernel, CDibImage& src, void* param) {
    return [&dst, kernel, &src, param] { Run(dst, kernel, src, param); };
}

std::function<void()> Kernel(CDibImage& dst, PixelKernel kernel, CDibImage& src, int32_t value) {
    return [&dst, kernel, &src, value] {
        int32_t v = value;
        Run(dst, kernel, src, &v);
    };
}

// memcpy of the source frame's bytes: the floor for a pass over the data.
std::function<void()> Memcpy(const CDibImage& src, CDibImage& scratch) {
    return [&src, &scratch] {
        std::memcpy(scratch.Bits(), src.Bits(), std::min(src.ImageBytes(), scratch.ImageBytes()));
        benchmark::ClobberMemory();
    };
}

std::vector<Pair> Pairs() {
    Frames& f = F();
    std::vector<Pair> pairs;
    auto add = [&](std::string name, std::string anchorName, double goal,
                   std::function<void()> ours, std::function<void()> anchor) {
        pairs.push_back(
            Pair{std::move(name), std::move(anchorName), goal, std::move(ours), std::move(anchor)});
    };
    // Demosaic: interior then edges, as the front runs them.
    add(
        "Demosaic8 -> 24", "cvtColor BayerBG2BGR 8U", 1.0,
        [&f] {
            Run(f.out24, Demosaic8, f.raw8, &g_bayer);
            Run(f.out24, Demosaic8Edges, f.raw8, &g_bayer);
        },
        [&f] { cv::cvtColor(f.m8, f.o24, cv::COLOR_BayerBG2BGR); });
    add(
        "Demosaic8 -> 32", "cvtColor BayerBG2BGRA 8U", 1.0,
        [&f] {
            Run(f.out32, Demosaic8, f.raw8, &g_bayer);
            Run(f.out32, Demosaic8Edges, f.raw8, &g_bayer);
        },
        [&f] { cv::cvtColor(f.m8, f.o24b, cv::COLOR_BayerBG2BGRA); });
    add(
        "Demosaic16 -> 48", "cvtColor BayerBG2BGR 16U", 1.0,
        [&f] {
            Run(f.out48, Demosaic16, f.raw16, &g_bayer);
            Run(f.out48, Demosaic16Edges, f.raw16, &g_bayer);
        },
        [&f] { cv::cvtColor(f.m16, f.o48, cv::COLOR_BayerBG2BGR); });
    // Lookup-table kernels against LUT.
    add("GammaMono8", "LUT 8UC1", 1.0, Kernel(f.out8, GammaMono8, f.raw8, 80),
        [&f] { cv::LUT(f.m8, f.lut8, f.o8); });
    add("GammaColour8 (24)", "LUT 8UC3", 1.0, Kernel(f.out24, GammaColour8, f.c24, 80),
        [&f] { cv::LUT(f.m24, f.lut8, f.o24); });
    add("ContrastMono8", "LUT 8UC1", 1.0, Kernel(f.out8, ContrastMono8, f.raw8, 30),
        [&f] { cv::LUT(f.m8, f.lut8, f.o8); });
    add("ContrastColour8 (24)", "LUT 8UC3", 1.0, Kernel(f.out24, ContrastColour8, f.c24, 30),
        [&f] { cv::LUT(f.m24, f.lut8, f.o24); });
    // Per-sample arithmetic against the faster of convertScaleAbs and LUT.
    auto withLut = [&pairs](const cv::Mat* in, cv::Mat* out, const char* name) {
        pairs.back().otherAnchorName = name;
        pairs.back().otherAnchor = [in, out] { cv::LUT(*in, F().lut8, *out); };
    };
    add("BrightnessMono8", "convertScaleAbs 8UC1", 1.5, Kernel(f.out8, BrightnessMono8, f.raw8, 40),
        [&f] { cv::convertScaleAbs(f.m8, f.o8, 1.3, 0.0); });
    withLut(&f.m8, &f.o8, "LUT 8UC1");
    add("BrightnessColour8 (24)", "convertScaleAbs 8UC3", 1.5,
        Kernel(f.out24, BrightnessColour8, f.c24, 40),
        [&f] { cv::convertScaleAbs(f.m24, f.o24, 1.3, 0.0); });
    withLut(&f.m24, &f.o24, "LUT 8UC3");
    add("GrayGainOffset8", "convertScaleAbs 8UC1", 1.5,
        Kernel(f.out8, GrayGainOffset8, f.raw8, &g_grey),
        [&f] { cv::convertScaleAbs(f.m8, f.o8, 1.3, 0.0); });
    withLut(&f.m8, &f.o8, "LUT 8UC1");
    // 16-bit point operations: OpenCV has no 16-bit LUT; convertTo is its 16-bit scaling.
    add("BrightnessMono16", "convertTo 16UC1", 1.5, Kernel(f.out16, BrightnessMono16, f.raw16, 40),
        [&f] { f.m16.convertTo(f.o16, CV_16U, 1.3, 0.0); });
    add("BrightnessColour16 (48)", "convertTo 16UC3", 1.5,
        Kernel(f.out48, BrightnessColour16, f.c48, 40),
        [&f] { f.m48.convertTo(f.o48, CV_16U, 1.3, 0.0); });
    add("GrayGainOffset16", "convertTo 16UC1", 1.5,
        Kernel(f.out16, GrayGainOffset16, f.raw16, &g_grey),
        [&f] { f.m16.convertTo(f.o16, CV_16U, 1.3, 0.0); });
    add("ContrastMono16", "convertTo 16UC1 (no 16-bit LUT)", 0.0,
        Kernel(f.out16, ContrastMono16, f.raw16, 30),
        [&f] { f.m16.convertTo(f.o16, CV_16U, 1.3, 0.0); });
    add("GammaMono16", "convertTo 16UC1 (no 16-bit LUT)", 0.0,
        Kernel(f.out16, GammaMono16, f.raw16, 80),
        [&f] { f.m16.convertTo(f.o16, CV_16U, 1.3, 0.0); });
    add("GammaColour16 (48)", "convertTo 16UC3 (no 16-bit LUT)", 0.0,
        Kernel(f.out48, GammaColour16, f.c48, 80),
        [&f] { f.m48.convertTo(f.o48, CV_16U, 1.3, 0.0); });
    // Sharpness against a 4 x 4 box blur plus addWeighted.
    add("SharpnessMono8", "blur 4x4 + addWeighted 8UC1", 1.5,
        Kernel(f.out8, SharpnessMono8, f.raw8, 12), [&f] {
            cv::blur(f.m8, f.o8, cv::Size(4, 4));
            cv::addWeighted(f.m8, 2.2, f.o8, -1.2, 0.0, f.o8);
        });
    add("SharpnessColour8 (24)", "blur 4x4 + addWeighted 8UC3", 1.5,
        Kernel(f.out24, SharpnessColour8, f.c24, 12), [&f] {
            cv::blur(f.m24, f.o24, cv::Size(4, 4));
            cv::addWeighted(f.m24, 2.2, f.o24, -1.2, 0.0, f.o24);
        });
    add("SharpnessMono16", "blur 4x4 + addWeighted 16UC1", 1.5,
        Kernel(f.out16, SharpnessMono16, f.raw16, 12), [&f] {
            cv::blur(f.m16, f.o16, cv::Size(4, 4));
            cv::addWeighted(f.m16, 2.2, f.o16, -1.2, 0.0, f.o16);
        });
    // Hue and saturation against a round trip through HSV.
    add("HueSaturation24", "cvtColor BGR->HSV->BGR", 1.5,
        Kernel(f.out24, HueSaturation24, f.c24, &g_hue), [&f] {
            cv::cvtColor(f.m24, f.o24b, cv::COLOR_BGR2HSV);
            cv::cvtColor(f.o24b, f.o24, cv::COLOR_HSV2BGR);
        });
    add("HueSaturation32", "cvtColor BGR->HSV->BGR", 1.5,
        Kernel(f.out32, HueSaturation24, f.c32, &g_hue), [&f] {
            cv::cvtColor(f.m24, f.o24b, cv::COLOR_BGR2HSV);
            cv::cvtColor(f.o24b, f.o24, cv::COLOR_HSV2BGR);
        });
    add("HueSaturation48", "cvtColor BGR->HSV->BGR", 1.5,
        Kernel(f.out48, HueSaturation48, f.c48, &g_hue), [&f] {
            cv::cvtColor(f.m24, f.o24b, cv::COLOR_BGR2HSV);
            cv::cvtColor(f.o24b, f.o24, cv::COLOR_HSV2BGR);
        });
    // Flips against cv::flip.
    add("CopyBgr24Flip", "flip 8UC3", 1.5, Kernel(f.out24, CopyBgr24Flip, f.c24, nullptr),
        [&f] { cv::flip(f.m24, f.o24, 0); });
    add("CopyRowsFlip (8)", "flip 8UC1", 1.5, Kernel(f.out8, CopyRowsFlip, f.raw8, nullptr),
        [&f] { cv::flip(f.m8, f.o8, 0); });
    // Conversions and spreads against memcpy of the source bytes.
    struct Conversion {
        const char* name;
        PixelKernel kernel;
        CDibImage* dst;
        CDibImage* src;
    };
    for (const Conversion& c : {
             Conversion{"Mono16To8", Mono16To8, &f.out8, &f.raw16},
             Conversion{"Mono16To8Flip", Mono16To8Flip, &f.out8, &f.raw16},
             Conversion{"Mono10To8Flip", Mono10To8Flip, &f.out8, &f.raw16},
             Conversion{"Mono12To8Flip", Mono12To8Flip, &f.out8, &f.raw16},
             Conversion{"Mono12To16", Mono12To16, &f.out16, &f.raw16},
             Conversion{"Mono10To16", Mono10To16, &f.out16, &f.raw16},
             Conversion{"Bgr48To24From12", Bgr48To24From12, &f.out24, &f.c48},
             Conversion{"Bgr48To24From12 (64->32)", Bgr48To24From12, &f.out32, &f.c64},
             Conversion{"Bgr48To24Flip", Bgr48To24Flip, &f.out24, &f.c48},
             Conversion{"Rgb16Shift4", Rgb16Shift4, &f.out48, &f.c48},
             Conversion{"Rgb16Shift6Swap", Rgb16Shift6Swap, &f.out48, &f.c48},
             Conversion{"Rgba16Shift4", Rgba16Shift4, &f.out64, &f.c48},
             Conversion{"Rgba16Shift6Swap (64)", Rgba16Shift6Swap, &f.out64, &f.c64},
             Conversion{"CopyBgr24 (32->24)", CopyBgr24, &f.out24, &f.c32},
             Conversion{"CopyBgr24Flip (32->32)", CopyBgr24Flip, &f.out32, &f.c32},
             Conversion{"SwapBgr24", SwapBgr24, &f.out24, &f.c24},
             Conversion{"CopyBgra32InvertAlpha", CopyBgra32InvertAlpha, &f.out32, &f.c32},
             Conversion{"BgrToGray8", BgrToGray8, &f.out8, &f.c24},
         }) {
        add(c.name, "memcpy of the source", 3.0, Kernel(*c.dst, c.kernel, *c.src, nullptr),
            Memcpy(*c.src, f.out64));
    }
    add("SpreadRows8 (1278 wide)", "memcpy of the source", 3.0,
        Kernel(f.spread8, SpreadRows8, f.spread8, nullptr), Memcpy(f.spread8, f.out64));
    add("SpreadRows16 (1279 wide)", "memcpy of the source", 3.0,
        Kernel(f.spread16, SpreadRows16, f.spread16, nullptr), Memcpy(f.spread16, f.out64));
    // Nearest-neighbour scaling against resize.
    add(
        "ScaleBgr24 -> 640x512", "resize nearest 8UC3", 1.5,
        [&f] { RunScaleKernel(f.half24, ScaleBgr24, f.c24, nullptr, nullptr, nullptr); },
        [&f] { cv::resize(f.m24, f.o24b, cv::Size(640, 512), 0, 0, cv::INTER_NEAREST); });
    add(
        "ScaleBgr24 -> 1000x800", "resize nearest 8UC3", 1.5,
        [&f] { RunScaleKernel(f.odd24, ScaleBgr24, f.c24, nullptr, nullptr, nullptr); },
        [&f] { cv::resize(f.m24, f.o24b, cv::Size(1000, 800), 0, 0, cv::INTER_NEAREST); });
    add(
        "ScaleMono8 -> 640x512", "resize nearest 8UC1", 1.5,
        [&f] { RunScaleKernel(f.half8, ScaleMono8, f.raw8, nullptr, nullptr, nullptr); },
        [&f] { cv::resize(f.m8, f.o8, cv::Size(640, 512), 0, 0, cv::INTER_NEAREST); });
    return pairs;
}

// Collects the time per iteration of every run for the summary.
class SummaryReporter : public benchmark::ConsoleReporter {
  public:
    void ReportRuns(const std::vector<Run>& runs) override {
        ConsoleReporter::ReportRuns(runs);
        for (const Run& run : runs) {
            if (run.run_type != Run::RT_Iteration || run.iterations == 0) continue;
            const double ms = run.real_accumulated_time * 1e3 / static_cast<double>(run.iterations);
            times_[run.benchmark_name()] = ms;
        }
    }
    double Time(const std::string& name) const {
        const auto it = times_.find(name);
        return it == times_.end() ? 0.0 : it->second;
    }

  private:
    std::map<std::string, double> times_;
};

}  // namespace
}  // namespace kelvra::bench

int main(int argc, char** argv) {
    using namespace kelvra::bench;
    cv::setNumThreads(1);
    benchmark::Initialize(&argc, argv);
    const std::vector<Pair> pairs = Pairs();
    for (const Pair& p : pairs) {
        benchmark::RegisterBenchmark((p.name + "/ours").c_str(), [&p](benchmark::State& state) {
            for (auto _ : state) p.ours();
        })->Unit(benchmark::kMillisecond);
        benchmark::RegisterBenchmark((p.name + "/anchor").c_str(), [&p](benchmark::State& state) {
            for (auto _ : state) p.anchor();
        })->Unit(benchmark::kMillisecond);
        if (p.otherAnchor) {
            benchmark::RegisterBenchmark((p.name + "/anchor2").c_str(),
                                         [&p](benchmark::State& state) {
                                             for (auto _ : state) p.otherAnchor();
                                         })
                ->Unit(benchmark::kMillisecond);
        }
    }
    SummaryReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    std::printf("\n%-28s %10s %10s %7s %6s  %s\n", "kernel (1280 x 1024)", "ours ms", "anchor ms",
                "ratio", "goal", "anchor");
    for (const Pair& p : pairs) {
        const double ours = reporter.Time(p.name + "/ours");
        double anchor = reporter.Time(p.name + "/anchor");
        std::string anchorName = p.anchorName;
        const double other = reporter.Time(p.name + "/anchor2");
        if (other > 0.0 && (anchor == 0.0 || other < anchor)) {
            anchor = other;
            anchorName = p.otherAnchorName;
        }
        if (ours == 0.0 || anchor == 0.0) continue;
        const double ratio = ours / anchor;
        char goal[16] = "-";  // no goal where OpenCV has no like-for-like call
        if (p.goal > 0.0) std::snprintf(goal, sizeof(goal), "%.1f", p.goal);
        const bool over = p.goal > 0.0 && ratio > p.goal;
        std::printf("%-28s %10.3f %10.3f %7.2f %6s  %s%s\n", p.name.c_str(), ours, anchor, ratio,
                    goal, anchorName.c_str(), over ? "  (over goal)" : "");
    }
    benchmark::Shutdown();
    return 0;
}

// Converting one full frame (1280 × 1024) into the X server's 32-bit pixels, as each preview
// paint does, against OpenCV's colour conversion into BGRA as the anchor (for 12-bit grey, its
// scaled conversion to 8 bits first). The end-to-end cost of the window is bench_preview_window.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <opencv2/core.hpp>
#include <opencv2/imgproc.hpp>
#include <vector>

#include "platform/preview/PixelLayout.h"

namespace kelvra::platform::preview {
namespace {

constexpr int kWidth = 1280;
constexpr int kHeight = 1024;

std::vector<uint8_t> Frame(int channels) {
    std::vector<uint8_t> bits(static_cast<size_t>(kWidth) * kHeight * channels);
    for (size_t i = 0; i < bits.size(); ++i) bits[i] = static_cast<uint8_t>(i * 31 + i / 977);
    return bits;
}

template <void (*Pack)(const PixelLayout&, const uint8_t*, uint8_t*, int)>
void BM_Pack(benchmark::State& state, int channels) {
    const PixelLayout layout = *PixelLayout::FromMasks(0xff0000, 0xff00, 0xff, 32, false);
    const std::vector<uint8_t> source = Frame(channels);
    std::vector<uint8_t> out(static_cast<size_t>(kWidth) * kHeight * 4);
    for (auto _ : state) {
        for (int y = 0; y < kHeight; ++y) {
            Pack(layout, source.data() + static_cast<size_t>(y) * kWidth * channels,
                 out.data() + static_cast<size_t>(y) * kWidth * 4, kWidth);
        }
        benchmark::DoNotOptimize(out.data());
    }
}

void BM_PackGray8(benchmark::State& state) {
    BM_Pack<PackGray8Row>(state, 1);
}
void BM_PackBgr24(benchmark::State& state) {
    BM_Pack<PackBgr24Row>(state, 3);
}

void BM_PackGray12(benchmark::State& state) {
    BM_Pack<PackGray12Row>(state, 2);
}

void BM_OpenCvToBgra(benchmark::State& state, int channels, int code) {
    std::vector<uint8_t> source = Frame(channels);
    const cv::Mat in(kHeight, kWidth, channels == 1 ? CV_8UC1 : CV_8UC3, source.data());
    cv::Mat out(kHeight, kWidth, CV_8UC4);
    for (auto _ : state) {
        cv::cvtColor(in, out, code);
        benchmark::DoNotOptimize(out.data);
    }
}

void BM_OpenCvGrayToBgra(benchmark::State& state) {
    BM_OpenCvToBgra(state, 1, cv::COLOR_GRAY2BGRA);
}
void BM_OpenCvBgrToBgra(benchmark::State& state) {
    BM_OpenCvToBgra(state, 3, cv::COLOR_BGR2BGRA);
}

// 12-bit grey in 16-bit samples: OpenCV's scaled conversion to 8 bits, then GRAY2BGRA.
void BM_OpenCvGray12ToBgra(benchmark::State& state) {
    std::vector<uint8_t> source = Frame(2);
    for (size_t i = 1; i < source.size(); i += 2) source[i] &= 0x0f;  // 12-bit samples
    const cv::Mat in(kHeight, kWidth, CV_16UC1, source.data());
    cv::Mat grey(kHeight, kWidth, CV_8UC1);
    cv::Mat out(kHeight, kWidth, CV_8UC4);
    for (auto _ : state) {
        in.convertTo(grey, CV_8U, 1.0 / 16.0);
        cv::cvtColor(grey, out, cv::COLOR_GRAY2BGRA);
        benchmark::DoNotOptimize(out.data);
    }
}

BENCHMARK(BM_PackGray8)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_OpenCvGrayToBgra)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_PackBgr24)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_OpenCvBgrToBgra)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_PackGray12)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_OpenCvGray12ToBgra)->Unit(benchmark::kMicrosecond);

}  // namespace
}  // namespace kelvra::platform::preview

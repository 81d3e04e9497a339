#include "imaging/MeasureKernels.h"

#include <cmath>
#include <cstdint>
#include <limits>

#include "imaging/BayerPhase.h"
#include "imaging/KernelRows.h"
#include "imaging/SampleDepth.h"

namespace kelvra {

namespace {

using rows::KernelArgs;

constexpr int kMean16Shift = 4;
constexpr double kPercent = 100.0;
constexpr int32_t kUnityPercent = 100;
constexpr float kGreyGainScale = 128.0f;
constexpr int32_t kUnityGreyGain = 128;

// Sample j of a row: the first byte of the pixel, or its 16-bit little-endian sample.
template <bool Wide>
uint32_t SampleAt(const uint8_t* row, int32_t j, int32_t bpp) {
    const uint8_t* p = row + int64_t{j} * bpp;
    if constexpr (Wide) {
        return rows::Load16(p);
    } else {
        return p[0];
    }
}

// Sums of the even-numbered and odd-numbered samples of one row.
struct PairSums {
    uint64_t even = 0;
    uint64_t odd = 0;
};

template <bool Wide>
PairSums SumAlternate(const uint8_t* row, int32_t cols, int32_t bpp) {
    PairSums sums;
    for (int32_t j = 0; j + 1 < cols; j += 2) {
        sums.even += SampleAt<Wide>(row, j, bpp);
        sums.odd += SampleAt<Wide>(row, j + 1, bpp);
    }
    if (cols % 2 != 0) sums.even += SampleAt<Wide>(row, cols - 1, bpp);
    return sums;
}

// Integer mean of the region's samples (16-bit ones shifted right by 4), 0 when empty.
template <bool Wide>
int MeanKernel(uint8_t*, const uint8_t* srcBits, const Rect& region, int32_t, int32_t, uint16_t,
               uint16_t srcBpp, int32_t, int32_t srcStride, void*) {
    const int32_t minBytes = Wide ? 2 : 1;
    if (srcBpp < minBytes) return 0;
    const KernelArgs a = rows::MakeArgs(nullptr, srcBits, region, 0, 0, 0, srcBpp, 0, srcStride);
    const int64_t count = int64_t{a.Rows()} * a.Cols();
    if (count <= 0) return 0;
    uint64_t sum = 0;
    for (int32_t i = 0; i < a.Rows(); ++i) {
        const uint8_t* row = a.SrcRow(i);
        for (int32_t j = 0; j < a.Cols(); ++j) {
            sum += SampleAt<Wide>(row, j, srcBpp) >> (Wide ? kMean16Shift : 0);
        }
    }
    return static_cast<int>(sum / static_cast<uint64_t>(count));
}

// trunc(100 * green / colour) in percent. A colour with no light (mean 0) keeps unity gain
// instead of dividing by zero; a ratio beyond int32 saturates.
int32_t PercentGain(double green, double colour) {
    if (!(colour > 0.0)) return kUnityPercent;
    const double gain = std::trunc(kPercent * green / colour);
    if (gain >= static_cast<double>(std::numeric_limits<int32_t>::max())) {
        return std::numeric_limits<int32_t>::max();
    }
    return static_cast<int32_t>(gain);
}

struct ColourSums {
    uint64_t sum[3] = {0, 0, 0};
    uint64_t count[3] = {0, 0, 0};

    void Add(bayer::Colour c, uint64_t s, uint64_t n) {
        sum[static_cast<int>(c)] += s;
        count[static_cast<int>(c)] += n;
    }
    double Mean(bayer::Colour c) const {
        const int k = static_cast<int>(c);
        return count[k] == 0 ? 0.0 : static_cast<double>(sum[k]) / static_cast<double>(count[k]);
    }
};

// Sums green (both positions), red and blue over the region and writes red and blue gains
// that bring their means to green's, green 100. Returns 1 (0 without a parameter record).
template <bool Wide>
int WhiteBalanceKernel(uint8_t*, const uint8_t* srcBits, const Rect& region, int32_t, int32_t,
                       uint16_t, uint16_t srcBpp, int32_t, int32_t srcStride, void* param) {
    auto* gains = static_cast<BayerGains*>(param);
    if (gains == nullptr || srcBpp < (Wide ? 2 : 1)) return 0;
    const KernelArgs a = rows::MakeArgs(nullptr, srcBits, region, 0, 0, 0, srcBpp, 0, srcStride);
    const int32_t phase = gains->phase;
    const uint64_t evenCount = static_cast<uint64_t>(a.Cols() + 1) / 2;
    const uint64_t oddCount = static_cast<uint64_t>(a.Cols()) / 2;
    ColourSums sums;
    for (int32_t i = 0; i < a.Rows(); ++i) {
        const PairSums row = SumAlternate<Wide>(a.SrcRow(i), a.Cols(), srcBpp);
        sums.Add(bayer::ColourAt(phase, 0, i), row.even, evenCount);
        sums.Add(bayer::ColourAt(phase, 1, i), row.odd, oddCount);
    }
    const double green = sums.Mean(bayer::Colour::kGreen);
    gains->redGain = PercentGain(green, sums.Mean(bayer::Colour::kRed));
    gains->greenGain = kUnityPercent;
    gains->blueGain = PercentGain(green, sums.Mean(bayer::Colour::kBlue));
    return 1;
}

// Sums the four grey positions, counting only samples strictly between 0 and `saturated`
// (black and saturated pixels say nothing about the gain), and writes gain(P) =
// trunc(m(G1) / m(P) * 128) for R1, G2, B1 and 128 for G1, with float means. A position without
// counted samples keeps 128; without G1 samples all four are 128. Returns 1 (0 without a
// parameter record).
template <bool Wide>
int GreyGainsKernel(uint8_t*, const uint8_t* srcBits, const Rect& region, int32_t, int32_t,
                    uint16_t, uint16_t srcBpp, int32_t, int32_t srcStride, void* param) {
    auto* record = static_cast<GrayGainOffset*>(param);
    if (record == nullptr || srcBpp < (Wide ? 2 : 1)) return 0;
    const KernelArgs a = rows::MakeArgs(nullptr, srcBits, region, 0, 0, 0, srcBpp, 0, srcStride);
    const uint32_t saturated =
        Wide ? static_cast<uint32_t>(MaxForBits(record->bits)) : uint32_t{kMax8};
    uint64_t sum[4] = {0, 0, 0, 0};
    uint64_t count[4] = {0, 0, 0, 0};
    for (int32_t i = 0; i < a.Rows(); ++i) {
        const uint8_t* row = a.SrcRow(i);
        for (int32_t j = 0; j < a.Cols(); ++j) {
            const uint32_t v = SampleAt<Wide>(row, j, srcBpp);
            if (v == 0 || v >= saturated) continue;
            const int p = static_cast<int>(bayer::GreyPositionAt(record->bayerMode, j, i));
            sum[p] += v;
            ++count[p];
        }
    }
    auto mean = [&](bayer::GreyPosition p) {
        const int k = static_cast<int>(p);
        return count[k] == 0 ? 0.0f : static_cast<float>(sum[k]) / static_cast<float>(count[k]);
    };
    const float reference = mean(bayer::GreyPosition::kG1);
    auto gain = [&](bayer::GreyPosition p) {
        const float m = mean(p);
        if (reference == 0.0f || m == 0.0f) return kUnityGreyGain;
        return static_cast<int32_t>(reference / m * kGreyGainScale);
    };
    record->gainR1 = gain(bayer::GreyPosition::kR1);
    record->gainG1 = kUnityGreyGain;
    record->gainG2 = gain(bayer::GreyPosition::kG2);
    record->gainB1 = gain(bayer::GreyPosition::kB1);
    return 1;
}

}  // namespace

const PixelKernel MeanMono8 = &MeanKernel<false>;
const PixelKernel MeanMono16 = &MeanKernel<true>;
const PixelKernel MeasureWhiteBalance8 = &WhiteBalanceKernel<false>;
const PixelKernel MeasureWhiteBalance16 = &WhiteBalanceKernel<true>;
const PixelKernel MeasureGrayGains = &GreyGainsKernel<false>;
const PixelKernel MeasureGrayGains16 = &GreyGainsKernel<true>;

}  // namespace kelvra

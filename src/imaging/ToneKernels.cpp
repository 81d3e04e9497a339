#include "imaging/ToneKernels.h"

#include <algorithm>

#include "imaging/KernelRows.h"
#include "imaging/LutRows.h"
#include "imaging/PointAvx2.h"
#include "imaging/SampleDepth.h"
#include "imaging/SampleRows.h"
#include "imaging/SimdLevel.h"
#include "imaging/ToneTables.h"

namespace kelvra {

namespace {

using rows::KernelArgs;

constexpr int32_t kTableSize8 = kMax8 + 1;

template <typename T>
struct ScaleOp {
    float factor;  // never negative, so neither is the product
    uint32_t max;
    T operator()(T v) const {
        const auto r = static_cast<uint32_t>(static_cast<int32_t>(static_cast<float>(v) * factor));
        return static_cast<T>(r < max ? r : max);
    }
};

// 16-bit contrast computed directly: the very double arithmetic of the definition, which
// vectorises where a 65536-entry table could only be gathered. Written without branches after
// the conversion (clamp first, then OR in the saturation) so the vectoriser accepts it: a
// sample below the threshold clamps to it and gives 0, one above the top gives 0xFFFF.
struct Contrast16Op {
    tone::ContrastLine line;
    uint16_t operator()(uint16_t v) const {
        const int32_t x = v;
        const int32_t inside = std::min(std::max(x, line.threshold), line.top);
        const auto mapped =
            static_cast<int32_t>(line.factor * static_cast<double>(inside - line.threshold));
        const int32_t over = -static_cast<int32_t>(x > line.top) & kMax16;
        return static_cast<uint16_t>(mapped | over);
    }
};

KernelArgs Args(uint8_t* dstBits, const uint8_t* srcBits, const Rect& region, int32_t dstX,
                int32_t dstY, uint16_t dstBpp, uint16_t srcBpp, int32_t dstStride,
                int32_t srcStride) {
    return rows::MakeArgs(dstBits, srcBits, region, dstX, dstY, dstBpp, srcBpp, dstStride,
                          srcStride);
}

// Each sample becomes trunc(sample * f) limited to the sample range.
template <typename T, int Channels>
int BrightnessKernel(uint8_t* dstBits, const uint8_t* srcBits, const Rect& region, int32_t dstX,
                     int32_t dstY, uint16_t dstBpp, uint16_t srcBpp, int32_t dstStride,
                     int32_t srcStride, void* param) {
    if (param == nullptr) return 0;
    const ScaleOp<T> op{tone::BrightnessFactor(*static_cast<const int32_t*>(param)),
                        static_cast<uint32_t>(sizeof(T) == 1 ? kMax8 : kMax16)};
    const KernelArgs a =
        Args(dstBits, srcBits, region, dstX, dstY, dstBpp, srcBpp, dstStride, srcStride);
    const auto vector = [factor = op.factor](T* d, const T* s, int32_t n, bool keepFourth) {
        if constexpr (sizeof(T) == 1) {
            return point::ScaleRun8Avx2(d, s, n, factor, keepFourth);
        } else {
            return point::ScaleRun16Avx2(d, s, n, factor, keepFourth);
        }
    };
    return rows::ApplySamples<T, Channels>(a, op, UseAvx2(), vector);
}

// Largest 16-bit sample of the region's pixels (a fourth sample counts too: that can only
// make the table longer than needed).
KELVRA_ALWAYS_INLINE uint16_t MaxRun(const uint16_t* s, int32_t n) {
    uint16_t max = 0;
    for (int32_t j = 0; j < n; ++j) max = s[j] > max ? s[j] : max;
    return max;
}
uint16_t MaxRunBaseline(const uint16_t* s, int32_t n) {
    return MaxRun(s, n);
}
KELVRA_TARGET_AVX2 uint16_t MaxRunAvx2(const uint16_t* s, int32_t n) {
    return MaxRun(s, n);
}

int32_t MaxSample16(const KernelArgs& a, int32_t channels) {
    if (a.srcBpp < 2 * channels) return 0;
    const bool avx2 = UseAvx2();
    uint16_t max = 0;
    for (int32_t i = 0; i < a.Rows(); ++i) {
        const uint8_t* s = a.SrcRow(i);
        uint16_t rowMax;
        if (a.srcBpp % 2 == 0) {
            // Whole pixels of 16-bit samples: one run over the row.
            const auto* run = reinterpret_cast<const uint16_t*>(s);
            const int32_t n = a.Cols() * (a.srcBpp / 2);
            rowMax = avx2 ? MaxRunAvx2(run, n) : MaxRunBaseline(run, n);
        } else {
            rowMax = 0;
            for (int32_t j = 0; j < a.Cols(); ++j) {
                for (int32_t c = 0; c < channels; ++c) {
                    rowMax = std::max(rowMax, rows::Load16(s + int64_t{j} * a.srcBpp + 2 * c));
                }
            }
        }
        max = std::max(max, rowMax);
    }
    return max;
}

// Tables are built per call on the stack. The 16-bit gamma table only up to the largest
// sample present (each entry costs a pow; 12-bit frames need a sixteenth of the table) and the
// spare entry after it that the vector lookup reads; 16-bit contrast needs no table.
enum class Curve { kContrast, kGamma };

template <typename T, int Channels, Curve C>
int TableKernel(uint8_t* dstBits, const uint8_t* srcBits, const Rect& region, int32_t dstX,
                int32_t dstY, uint16_t dstBpp, uint16_t srcBpp, int32_t dstStride,
                int32_t srcStride, void* param) {
    if (param == nullptr) return 0;
    const int32_t value = *static_cast<const int32_t*>(param);
    const KernelArgs a =
        Args(dstBits, srcBits, region, dstX, dstY, dstBpp, srcBpp, dstStride, srcStride);
    if constexpr (sizeof(T) == 1) {
        uint8_t table[kTableSize8];
        if constexpr (C == Curve::kContrast) {
            tone::BuildContrastTable8(value, table);
        } else {
            tone::BuildGammaTable8(value, table);
        }
        return lut::ApplyTable8(a, Channels, table);
    } else {
        if constexpr (C == Curve::kContrast) {
            const Contrast16Op op{tone::ContrastLine16(value)};
            return rows::ApplySamples<uint16_t, Channels>(a, op, UseAvx2());
        } else {
            uint16_t table[lut::kTable16Entries];
            const int32_t last = MaxSample16(a, Channels);
            tone::BuildGammaTable16(value, table, last);
            table[last + 1] = 0;
            return lut::ApplyTable16(a, Channels, table);
        }
    }
}

}  // namespace

const PixelKernel BrightnessMono8 = &BrightnessKernel<uint8_t, 1>;
const PixelKernel BrightnessMono16 = &BrightnessKernel<uint16_t, 1>;
const PixelKernel BrightnessColour8 = &BrightnessKernel<uint8_t, 3>;
const PixelKernel BrightnessColour16 = &BrightnessKernel<uint16_t, 3>;
const PixelKernel ContrastMono8 = &TableKernel<uint8_t, 1, Curve::kContrast>;
const PixelKernel ContrastMono16 = &TableKernel<uint16_t, 1, Curve::kContrast>;
const PixelKernel ContrastColour8 = &TableKernel<uint8_t, 3, Curve::kContrast>;
const PixelKernel ContrastColour16 = &TableKernel<uint16_t, 3, Curve::kContrast>;
const PixelKernel GammaMono8 = &TableKernel<uint8_t, 1, Curve::kGamma>;
const PixelKernel GammaMono16 = &TableKernel<uint16_t, 1, Curve::kGamma>;
const PixelKernel GammaColour8 = &TableKernel<uint8_t, 3, Curve::kGamma>;
const PixelKernel GammaColour16 = &TableKernel<uint16_t, 3, Curve::kGamma>;

}  // namespace kelvra

#include "imaging/ToneKernels.h"

#include "imaging/KernelRows.h"
#include "imaging/PointAvx2.h"
#include "imaging/SampleDepth.h"
#include "imaging/SampleRows.h"
#include "imaging/SimdLevel.h"
#include "imaging/ToneCurve.h"
#include "imaging/ToneTables.h"

namespace kelvra {

namespace {

using rows::KernelArgs;

template <typename T>
constexpr int32_t kSampleMax = sizeof(T) == 1 ? kMax8 : kMax12;

// trunc(min(sample, max) * f) limited to max, in the single precision of the definition.
template <typename T>
struct ScaleOp {
    float factor;
    int32_t max;
    T operator()(T v) const { return static_cast<T>(tone::Brightness(factor, max, v)); }
};

KernelArgs Args(uint8_t* dstBits, const uint8_t* srcBits, const Rect& region, int32_t dstX,
                int32_t dstY, uint16_t dstBpp, uint16_t srcBpp, int32_t dstStride,
                int32_t srcStride) {
    return rows::MakeArgs(dstBits, srcBits, region, dstX, dstY, dstBpp, srcBpp, dstStride,
                          srcStride);
}

template <typename T, int Channels>
int BrightnessKernel(uint8_t* dstBits, const uint8_t* srcBits, const Rect& region, int32_t dstX,
                     int32_t dstY, uint16_t dstBpp, uint16_t srcBpp, int32_t dstStride,
                     int32_t srcStride, void* param) {
    if (param == nullptr) return 0;
    const ScaleOp<T> op{tone::BrightnessFactor(*static_cast<const int32_t*>(param)), kSampleMax<T>};
    const KernelArgs a =
        Args(dstBits, srcBits, region, dstX, dstY, dstBpp, srcBpp, dstStride, srcStride);
    const auto vector = [factor = op.factor](T* d, const T* s, int32_t n, bool keepFourth) {
        if constexpr (sizeof(T) == 1) {
            return point::ScaleRun8Avx2(d, s, n, factor, keepFourth);
        } else {
            return point::ScaleRun16Avx2(d, s, n, factor, kMax12, keepFourth);
        }
    };
    return rows::ApplySamples<T, Channels>(a, op, UseAvx2(), vector);
}

// Gamma and contrast go through a table of the step. Each thread keeps its own, on the heap
// (no 16-bit table on a caller's stack), built again only when the step or depth changes.
enum class Curve { kContrast, kGamma };

template <typename T, int Channels, Curve C>
int TableKernel(uint8_t* dstBits, const uint8_t* srcBits, const Rect& region, int32_t dstX,
                int32_t dstY, uint16_t dstBpp, uint16_t srcBpp, int32_t dstStride,
                int32_t srcStride, void* param) {
    if (param == nullptr) return 0;
    const int32_t value = *static_cast<const int32_t*>(param);
    ToneCurve::Steps steps;
    if constexpr (C == Curve::kContrast) {
        steps.contrast = value;
    } else {
        steps.gamma = value;
    }
    thread_local ToneCurve curve;
    curve.Prepare(sizeof(T) == 2, steps);
    const KernelArgs a =
        Args(dstBits, srcBits, region, dstX, dstY, dstBpp, srcBpp, dstStride, srcStride);
    return curve.Apply(a, Channels);
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

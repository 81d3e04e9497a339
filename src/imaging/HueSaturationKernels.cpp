#include "imaging/HueSaturationKernels.h"

#include <algorithm>

#include "imaging/HueMath.h"
#include "imaging/HueSaturationAvx2.h"
#include "imaging/KernelRows.h"
#include "imaging/SampleDepth.h"
#include "imaging/SimdLevel.h"

namespace kelvra {

namespace {

using rows::KernelArgs;

constexpr int32_t kBytePixel = 3;
constexpr int32_t kWidePixel = 6;
constexpr int32_t kWidePixelWithFourth = 8;

// 8-bit samples; a fourth byte is left alone.
void ShiftRow8(uint8_t* d, const uint8_t* s, int32_t n, int32_t dstBpp, int32_t srcBpp,
               const hue::HueTables& tables) {
    for (int32_t j = 0; j < n; ++j) {
        const uint8_t* p = s + int64_t{j} * srcBpp;
        const uint32_t v = hue::ShiftPixel(p[0], p[1], p[2], tables);
        uint8_t* q = d + int64_t{j} * dstBpp;
        q[0] = static_cast<uint8_t>(v);
        q[1] = static_cast<uint8_t>(v >> 8);
        q[2] = static_cast<uint8_t>(v >> 16);
    }
}

// The top 8 of a 12-bit sample, a sample above 4095 counting as 4095.
int32_t TopByte(const uint8_t* p) {
    return std::min<int32_t>(rows::Load16(p), kMax12) >> hue::kWideShift;
}

uint16_t Widened(uint32_t v, int byte) {
    return static_cast<uint16_t>(((v >> (8 * byte)) & 0xFF) << hue::kWideShift);
}

// 16-bit samples through their top bytes; ZeroFourth clears the fourth sample.
template <bool ZeroFourth>
void ShiftRow16(uint8_t* d, const uint8_t* s, int32_t n, int32_t dstBpp, int32_t srcBpp,
                const hue::HueTables& tables) {
    for (int32_t j = 0; j < n; ++j) {
        const uint8_t* p = s + int64_t{j} * srcBpp;
        const uint32_t v = hue::ShiftPixel(TopByte(p), TopByte(p + 2), TopByte(p + 4), tables);
        uint8_t* q = d + int64_t{j} * dstBpp;
        rows::Store16(q, Widened(v, 0));
        rows::Store16(q + 2, Widened(v, 1));
        rows::Store16(q + 4, Widened(v, 2));
        if constexpr (ZeroFourth) rows::Store16(q + 6, 0);
    }
}

enum class Depth { k24, k48, k64 };

template <Depth D>
int HueKernel(uint8_t* dstBits, const uint8_t* srcBits, const Rect& region, int32_t dstX,
              int32_t dstY, uint16_t dstBpp, uint16_t srcBpp, int32_t dstStride, int32_t srcStride,
              void* param) {
    const int32_t minBytes =
        D == Depth::k24 ? kBytePixel : (D == Depth::k48 ? kWidePixel : kWidePixelWithFourth);
    const auto* record = static_cast<const HueSaturation*>(param);
    if (record == nullptr || dstBpp < minBytes || srcBpp < minBytes) return 0;
    hue::HueTables tables;
    hue::BuildHueTables(record->hue, record->saturation, tables);
    const KernelArgs a =
        rows::MakeArgs(dstBits, srcBits, region, dstX, dstY, dstBpp, srcBpp, dstStride, srcStride);
    const bool avx2 = UseAvx2();
    for (int32_t i = 0; i < a.Rows(); ++i) {
        uint8_t* d = a.DstRow(i);
        const uint8_t* s = a.SrcRow(i);
        int32_t done = 0;
        if constexpr (D == Depth::k24) {
            if (avx2) done = hue::ShiftRow8Avx2(d, s, a.Cols(), dstBpp, srcBpp, tables);
            ShiftRow8(d + int64_t{done} * dstBpp, s + int64_t{done} * srcBpp, a.Cols() - done,
                      dstBpp, srcBpp, tables);
        } else {
            constexpr bool kZeroFourth = D == Depth::k64;
            if (avx2) {
                done = hue::ShiftRow16Avx2(d, s, a.Cols(), dstBpp, srcBpp, kZeroFourth, tables);
            }
            ShiftRow16<kZeroFourth>(d + int64_t{done} * dstBpp, s + int64_t{done} * srcBpp,
                                    a.Cols() - done, dstBpp, srcBpp, tables);
        }
    }
    return 1;
}

}  // namespace

const PixelKernel HueSaturation24 = &HueKernel<Depth::k24>;
const PixelKernel HueSaturation48 = &HueKernel<Depth::k48>;
const PixelKernel HueSaturation64 = &HueKernel<Depth::k64>;

}  // namespace kelvra

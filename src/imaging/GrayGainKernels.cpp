#include "imaging/GrayGainKernels.h"

#include "imaging/BayerPhase.h"
#include "imaging/KernelRows.h"
#include "imaging/PointAvx2.h"
#include "imaging/SampleDepth.h"
#include "imaging/SimdLevel.h"

namespace kelvra {

namespace {

using rows::KernelArgs;

constexpr int32_t kGainOne = 128;
constexpr int kGainShift = 7;
// Offsets are centred on 128, the value the settings store and the dialogs default to and the
// front's skip rule treats as neutral: an offset of 128 adds nothing, so gains and offsets of
// 128 are the identity and moving one gain does not lift every pixel.
constexpr int64_t kNeutralOffset = 128;
// Within these bounds gain * v and offset + product fit int32 for any 16-bit sample, and
// (gain * v) >> 7 equals the truncating division.
constexpr int32_t kFastGainMax = 32767;
constexpr int32_t kFastOffsetLimit = 65535;

// The offset is the one added, already less kNeutralOffset (64-bit: any int32 record is valid).
struct PositionGain {
    int32_t gain;
    int64_t offset;
};

PositionGain Centred(int32_t gain, int32_t offset) {
    return {gain, int64_t{offset} - kNeutralOffset};
}

PositionGain GainOf(const GrayGainOffset& r, bayer::GreyPosition p) {
    switch (p) {
        case bayer::GreyPosition::kG1:
            return Centred(r.gainG1, r.offsetG1);
        case bayer::GreyPosition::kR1:
            return Centred(r.gainR1, r.offsetR1);
        case bayer::GreyPosition::kB1:
            return Centred(r.gainB1, r.offsetB1);
        case bayer::GreyPosition::kG2:
        default:
            return Centred(r.gainG2, r.offsetG2);
    }
}

bool FitsFastPath(PositionGain g) {
    return g.gain >= 0 && g.gain <= kFastGainMax && g.offset >= -kFastOffsetLimit &&
           g.offset <= kFastOffsetLimit;
}

template <typename T>
KELVRA_ALWAYS_INLINE T GainFast(T v, PositionGain g, int32_t max) {
    const int32_t out = static_cast<int32_t>(g.offset) + ((g.gain * int32_t{v}) >> kGainShift);
    return static_cast<T>(rows::Clamp(out, 0, max));
}

// One row of packed samples (1 or 2 bytes), positions alternating even/odd.
template <typename T>
KELVRA_ALWAYS_INLINE void GainRowFast(T* d, const T* s, int32_t n, PositionGain even,
                                      PositionGain odd, int32_t max) {
    int32_t j = 0;
    for (; j + 1 < n; j += 2) {
        d[j] = GainFast(s[j], even, max);
        d[j + 1] = GainFast(s[j + 1], odd, max);
    }
    if (j < n) d[j] = GainFast(s[j], even, max);
}

template <typename T>
void GainRowBaseline(T* d, const T* s, int32_t n, PositionGain even, PositionGain odd,
                     int32_t max) {
    GainRowFast(d, s, n, even, odd, max);
}

template <typename T>
KELVRA_TARGET_AVX2 void GainRowAvx2(T* d, const T* s, int32_t n, PositionGain even,
                                    PositionGain odd, int32_t max) {
    GainRowFast(d, s, n, even, odd, max);
}

int32_t VectorGainRun(uint8_t* d, const uint8_t* s, int32_t n, PositionGain even, PositionGain odd,
                      int32_t) {
    return point::GainRun8Avx2(d, s, n, {even.gain, static_cast<int32_t>(even.offset)},
                               {odd.gain, static_cast<int32_t>(odd.offset)});
}

int32_t VectorGainRun(uint16_t* d, const uint16_t* s, int32_t n, PositionGain even,
                      PositionGain odd, int32_t max) {
    return point::GainRun16Avx2(d, s, n, {even.gain, static_cast<int32_t>(even.offset)},
                                {odd.gain, static_cast<int32_t>(odd.offset)}, max);
}

// Any gain, offset and pixel size: 64-bit arithmetic, division truncating toward zero.
template <typename T>
void GainRowGeneral(uint8_t* d, const uint8_t* s, int32_t n, int32_t dstBpp, int32_t srcBpp,
                    PositionGain even, PositionGain odd, int32_t max) {
    for (int32_t j = 0; j < n; ++j) {
        const PositionGain g = (j % 2 == 0) ? even : odd;
        const uint8_t* sp = s + int64_t{j} * srcBpp;
        const int64_t v = sizeof(T) == 1 ? sp[0] : rows::Load16(sp);
        const int64_t out = rows::Clamp<int64_t>(g.offset + int64_t{g.gain} * v / kGainOne, 0, max);
        uint8_t* dp = d + int64_t{j} * dstBpp;
        if constexpr (sizeof(T) == 1) {
            dp[0] = static_cast<uint8_t>(out);
        } else {
            rows::Store16(dp, static_cast<uint16_t>(out));
        }
    }
}

template <typename T>
int GainOffsetKernel(uint8_t* dstBits, const uint8_t* srcBits, const Rect& region, int32_t dstX,
                     int32_t dstY, uint16_t dstBpp, uint16_t srcBpp, int32_t dstStride,
                     int32_t srcStride, void* param) {
    const auto* record = static_cast<const GrayGainOffset*>(param);
    constexpr int32_t kBytes = sizeof(T);
    if (record == nullptr || dstBpp < kBytes || srcBpp < kBytes) return 0;
    const KernelArgs a =
        rows::MakeArgs(dstBits, srcBits, region, dstX, dstY, dstBpp, srcBpp, dstStride, srcStride);
    const int32_t max = kBytes == 1 ? kMax8 : MaxForBits(record->bits);
    const bool avx2 = UseAvx2();
    for (int32_t i = 0; i < a.Rows(); ++i) {
        const PositionGain even = GainOf(*record, bayer::GreyPositionAt(record->bayerMode, 0, i));
        const PositionGain odd = GainOf(*record, bayer::GreyPositionAt(record->bayerMode, 1, i));
        const bool packed = dstBpp == kBytes && srcBpp == kBytes;
        if (packed && FitsFastPath(even) && FitsFastPath(odd)) {
            // Row starts of 16-bit images are 2-byte aligned: strides are multiples of 4.
            T* d = reinterpret_cast<T*>(a.DstRow(i));
            const T* s = reinterpret_cast<const T*>(a.SrcRow(i));
            if (avx2) {
                // The vector run does an even number of samples, so parities carry on.
                const int32_t done = VectorGainRun(d, s, a.Cols(), even, odd, max);
                GainRowAvx2<T>(d + done, s + done, a.Cols() - done, even, odd, max);
            } else {
                GainRowBaseline<T>(d, s, a.Cols(), even, odd, max);
            }
        } else {
            GainRowGeneral<T>(a.DstRow(i), a.SrcRow(i), a.Cols(), dstBpp, srcBpp, even, odd, max);
        }
    }
    return 1;
}

}  // namespace

const PixelKernel GrayGainOffset8 = &GainOffsetKernel<uint8_t>;
const PixelKernel GrayGainOffset16 = &GainOffsetKernel<uint16_t>;

}  // namespace kelvra

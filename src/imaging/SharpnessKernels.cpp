#include "imaging/SharpnessKernels.h"

#include <algorithm>
#include <type_traits>

#include "imaging/KernelRows.h"
#include "imaging/SampleDepth.h"
#include "imaging/SampleRows.h"
#include "imaging/SimdLevel.h"

namespace kelvra {

namespace {

using rows::KernelArgs;

constexpr int32_t kBorder = 2;     // untouched pixels at each edge
constexpr int32_t kBlockRows = 4;  // the mean's block is 4 x 4
constexpr int kMeanShift = 4;      // sum of 16 samples >> 4
constexpr int32_t kDivisor = 10;   // T(d) = d * s / 10
// Output pixels per pass; their column sums live on the stack, at most 4 KiB of them (a caller
// may run on a small thread stack).
constexpr int32_t kChunkPixels = 252;
constexpr int32_t kMaxSamplesPerPixel = 4;
constexpr int32_t kSumEntries = (kChunkPixels + kBlockRows) * kMaxSamplesPerPixel;

// Narrow arithmetic for the vectoriser where it cannot overflow: 8-bit samples give
// |d * s| <= 255 * 128 in int16; 16-bit samples give |d * s| <= 65535 * 32767 in int32.
template <typename T>
struct Arith;
template <>
struct Arith<uint8_t> {
    using Sum = uint16_t;
    using Diff = int16_t;
    static constexpr int32_t kMaxFastStrength = 128;
};
template <>
struct Arith<uint16_t> {
    using Sum = uint32_t;
    using Diff = int32_t;
    static constexpr int32_t kMaxFastStrength = 32767;
};

template <typename T>
KELVRA_ALWAYS_INLINE void ColumnSums(typename Arith<T>::Sum* sums, const T* const* rowPtrs,
                                     int32_t n) {
    using Sum = typename Arith<T>::Sum;
    const T* r0 = rowPtrs[0];
    const T* r1 = rowPtrs[1];
    const T* r2 = rowPtrs[2];
    const T* r3 = rowPtrs[3];
    for (int32_t k = 0; k < n; ++k) {
        sums[k] = static_cast<Sum>(Sum{r0[k]} + Sum{r1[k]} + Sum{r2[k]} + Sum{r3[k]});
    }
}

// Sharpens npix pixels of Spp samples (3 of them when Spp is 4). sums and centre point at the
// first output pixel; its left neighbours lie before them.
template <typename T, int Spp, int Channels>
KELVRA_ALWAYS_INLINE void SharpenPixels(T* d, const T* centre, const typename Arith<T>::Sum* sums,
                                        int32_t npix, int32_t strength, int32_t max) {
    using Sum = typename Arith<T>::Sum;
    using Diff = typename Arith<T>::Diff;
    for (int32_t x = 0; x < npix; ++x) {
        for (int32_t ch = 0; ch < Channels; ++ch) {
            const int32_t k = x * Spp + ch;
            const Sum m = static_cast<Sum>(
                (sums[k - 2 * Spp] + sums[k - Spp] + sums[k] + sums[k + Spp]) >> kMeanShift);
            const auto diff = static_cast<Diff>(Diff(centre[k]) - Diff(m));
            const auto change = static_cast<Diff>(Diff(diff * strength) / kDivisor);
            const int32_t out = int32_t{centre[k]} + change;
            d[k] = static_cast<T>(rows::Clamp(out, 0, max));
        }
    }
}

template <typename T, int Spp, int Channels>
KELVRA_ALWAYS_INLINE void SharpenChunk(T* d, const T* const* rowPtrs, int32_t x0, int32_t npix,
                                       int32_t strength, int32_t max) {
    typename Arith<T>::Sum sums[kSumEntries];
    const int32_t first = (x0 - kBorder) * Spp;
    const T* window[kBlockRows];
    for (int r = 0; r < kBlockRows; ++r) window[r] = rowPtrs[r] + first;
    ColumnSums<T>(sums, window, (npix + kBlockRows - 1) * Spp);
    SharpenPixels<T, Spp, Channels>(d + x0 * Spp, rowPtrs[2] + x0 * Spp, sums + kBorder * Spp, npix,
                                    strength, max);
}

// 16-bit images carry 12-bit samples, and the settable strengths are 0..30: then everything
// fits 16-bit lanes, twice as many per register. Column sums of four samples and the sum of four
// of them stay below 2^16; T(d) for |d| <= 4095 is sign(d) (|d| whole + trunc(|d| tenths / 10))
// with s = 10 whole + tenths, the division a multiply-high (exact below 2^16), and every term
// stays within int16. A chunk whose samples turn out wider than 12 bits is not written; the
// caller then takes the 32-bit path.
constexpr int32_t kMaxNarrowStrength = 39;
constexpr uint32_t kTenthMultiplier = 52429;  // trunc(v / 10) = (v * 52429) >> 19 below 2^16
constexpr int kTenthShift = 19;

template <int Spp, int Channels>
KELVRA_ALWAYS_INLINE bool SharpenChunk12(uint16_t* d, const uint16_t* const* rowPtrs, int32_t x0,
                                         int32_t npix, int32_t strength) {
    uint16_t sums[kSumEntries];
    const int32_t first = (x0 - kBorder) * Spp;
    const uint16_t* r0 = rowPtrs[0] + first;
    const uint16_t* r1 = rowPtrs[1] + first;
    const uint16_t* r2 = rowPtrs[2] + first;
    const uint16_t* r3 = rowPtrs[3] + first;
    const int32_t n = (npix + kBlockRows - 1) * Spp;
    uint16_t seen = 0;
    for (int32_t k = 0; k < n; ++k) {
        seen = static_cast<uint16_t>(seen | r0[k] | r1[k] | r2[k] | r3[k]);
        sums[k] = static_cast<uint16_t>(r0[k] + r1[k] + r2[k] + r3[k]);
    }
    if (seen > kMax12) return false;
    const auto whole = static_cast<uint16_t>(strength / kDivisor);
    const auto tenths = static_cast<uint16_t>(strength % kDivisor);
    const uint16_t* centre = rowPtrs[2] + x0 * Spp;
    const uint16_t* at = sums + kBorder * Spp;
    uint16_t* out = d + x0 * Spp;
    for (int32_t x = 0; x < npix; ++x) {
        for (int32_t ch = 0; ch < Channels; ++ch) {
            const int32_t k = x * Spp + ch;
            const auto m = static_cast<uint16_t>(
                static_cast<uint16_t>(at[k - 2 * Spp] + at[k - Spp] + at[k] + at[k + Spp]) >>
                kMeanShift);
            const auto diff = static_cast<int16_t>(centre[k] - m);
            const auto size = static_cast<uint16_t>(diff < 0 ? -diff : diff);
            const auto part = static_cast<uint16_t>(size * tenths);
            const auto change = static_cast<int16_t>(
                size * whole + ((uint32_t{part} * kTenthMultiplier) >> kTenthShift));
            const auto v = static_cast<int16_t>(centre[k] + (diff < 0 ? -change : change));
            out[k] = static_cast<uint16_t>(v < 0 ? 0 : (v > kMax12 ? kMax12 : v));
        }
    }
    return true;
}

// One output row: pixels kBorder .. cols - kBorder - 1, in chunks.
template <typename T, int Spp, int Channels>
KELVRA_ALWAYS_INLINE void SharpenRow(T* d, const T* const* rowPtrs, int32_t cols, int32_t strength,
                                     int32_t max) {
    for (int32_t x0 = kBorder; x0 < cols - kBorder; x0 += kChunkPixels) {
        const int32_t npix = std::min(kChunkPixels, cols - kBorder - x0);
        if constexpr (std::is_same_v<T, uint16_t>) {
            if (strength <= kMaxNarrowStrength &&
                SharpenChunk12<Spp, Channels>(d, rowPtrs, x0, npix, strength)) {
                continue;
            }
        }
        SharpenChunk<T, Spp, Channels>(d, rowPtrs, x0, npix, strength, max);
    }
}

template <typename T, int Spp, int Channels>
void SharpenRowBaseline(T* d, const T* const* rowPtrs, int32_t cols, int32_t strength,
                        int32_t max) {
    SharpenRow<T, Spp, Channels>(d, rowPtrs, cols, strength, max);
}

template <typename T, int Spp, int Channels>
KELVRA_TARGET_AVX2 void SharpenRowAvx2(T* d, const T* const* rowPtrs, int32_t cols,
                                       int32_t strength, int32_t max) {
    SharpenRow<T, Spp, Channels>(d, rowPtrs, cols, strength, max);
}

// Any pixel sizes and strength: 64-bit arithmetic straight from the definition.
template <typename T, int Channels>
void SharpenRowGeneral(const KernelArgs& a, int32_t i, int64_t strength, int32_t max) {
    uint8_t* d = a.DstRow(i);
    for (int32_t x = kBorder; x < a.Cols() - kBorder; ++x) {
        for (int32_t ch = 0; ch < Channels; ++ch) {
            const int64_t offset = int64_t{ch} * int32_t{sizeof(T)};
            int64_t sum = 0;
            for (int32_t r = i - kBorder; r < i + kBlockRows - kBorder; ++r) {
                for (int32_t c = x - kBorder; c < x + kBlockRows - kBorder; ++c) {
                    sum += rows::LoadSample<T>(a.SrcRow(r) + int64_t{c} * a.srcBpp + offset);
                }
            }
            const int64_t centre =
                rows::LoadSample<T>(a.SrcRow(i) + int64_t{x} * a.srcBpp + offset);
            const int64_t diff = centre - (sum >> kMeanShift);
            const int64_t out = rows::Clamp<int64_t>(centre + diff * strength / kDivisor, 0, max);
            rows::StoreSample<T>(d + int64_t{x} * a.dstBpp + offset, static_cast<T>(out));
        }
    }
}

template <typename T, int Spp, int Channels>
void SharpenRows(const KernelArgs& a, int32_t strength, int32_t max, bool avx2) {
    for (int32_t i = kBorder; i < a.Rows() - kBorder; ++i) {
        const T* rowPtrs[kBlockRows];
        for (int r = 0; r < kBlockRows; ++r) {
            rowPtrs[r] = reinterpret_cast<const T*>(a.SrcRow(i - kBorder + r));
        }
        T* d = reinterpret_cast<T*>(a.DstRow(i));
        if (avx2) {
            SharpenRowAvx2<T, Spp, Channels>(d, rowPtrs, a.Cols(), strength, max);
        } else {
            SharpenRowBaseline<T, Spp, Channels>(d, rowPtrs, a.Cols(), strength, max);
        }
    }
}

template <typename T, int Channels>
int SharpnessKernel(uint8_t* dstBits, const uint8_t* srcBits, const Rect& region, int32_t dstX,
                    int32_t dstY, uint16_t dstBpp, uint16_t srcBpp, int32_t dstStride,
                    int32_t srcStride, void* param) {
    constexpr int32_t kPixelBytes = Channels * int32_t{sizeof(T)};
    if (param == nullptr || dstBpp < kPixelBytes || srcBpp < kPixelBytes) return 0;
    const int32_t strength = *static_cast<const int32_t*>(param);
    const KernelArgs a =
        rows::MakeArgs(dstBits, srcBits, region, dstX, dstY, dstBpp, srcBpp, dstStride, srcStride);
    // 16-bit images carry 12-bit samples: the result never leaves that range.
    const int32_t max = sizeof(T) == 1 ? kMax8 : kMax12;
    const bool fast = strength >= 0 && strength <= Arith<T>::kMaxFastStrength && dstBpp == srcBpp;
    const bool avx2 = UseAvx2();
    if (fast && srcBpp == kPixelBytes) {
        SharpenRows<T, Channels, Channels>(a, strength, max, avx2);
    } else if (fast && Channels == 3 && srcBpp == 4 * int32_t{sizeof(T)}) {
        SharpenRows<T, 4, 3>(a, strength, max, avx2);
    } else {
        for (int32_t i = kBorder; i < a.Rows() - kBorder; ++i) {
            SharpenRowGeneral<T, Channels>(a, i, strength, max);
        }
    }
    return 1;
}

}  // namespace

const PixelKernel SharpnessMono8 = &SharpnessKernel<uint8_t, 1>;
const PixelKernel SharpnessMono16 = &SharpnessKernel<uint16_t, 1>;
const PixelKernel SharpnessColour8 = &SharpnessKernel<uint8_t, 3>;
const PixelKernel SharpnessColour16 = &SharpnessKernel<uint16_t, 3>;

}  // namespace kelvra

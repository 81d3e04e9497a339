// Row drivers for per-sample point operations on mono and colour images (internal to the
// imaging layer). A colour pixel's first three samples are processed; a fourth is left alone.
#pragma once

#include <cstdint>

#include "imaging/KernelRows.h"

namespace kelvra::rows {

// n samples in a row, no gaps.
template <typename T, class Op>
KELVRA_ALWAYS_INLINE void PackedSamples(T* d, const T* s, int32_t n, const Op& op) {
    for (int32_t j = 0; j < n; ++j) d[j] = op(s[j]);
}

// n pixels of four samples, the first three processed.
template <typename T, class Op>
KELVRA_ALWAYS_INLINE void QuadSamples(T* d, const T* s, int32_t n, const Op& op) {
    for (int32_t j = 0; j < n; ++j) {
        d[4 * j] = op(s[4 * j]);
        d[4 * j + 1] = op(s[4 * j + 1]);
        d[4 * j + 2] = op(s[4 * j + 2]);
    }
}

template <typename T, class Op>
void PackedSamplesBaseline(T* d, const T* s, int32_t n, const Op& op) {
    PackedSamples(d, s, n, op);
}

template <typename T, class Op>
KELVRA_TARGET_AVX2 void PackedSamplesAvx2(T* d, const T* s, int32_t n, const Op& op) {
    PackedSamples(d, s, n, op);
}

template <typename T, class Op>
void QuadSamplesBaseline(T* d, const T* s, int32_t n, const Op& op) {
    QuadSamples(d, s, n, op);
}

template <typename T, class Op>
KELVRA_TARGET_AVX2 void QuadSamplesAvx2(T* d, const T* s, int32_t n, const Op& op) {
    QuadSamples(d, s, n, op);
}

template <typename T>
T LoadSample(const uint8_t* p) {
    if constexpr (sizeof(T) == 1) {
        return p[0];
    } else {
        return Load16(p);
    }
}

template <typename T>
void StoreSample(uint8_t* p, T v) {
    if constexpr (sizeof(T) == 1) {
        p[0] = v;
    } else {
        Store16(p, v);
    }
}

// No vector run: ApplySamples relies on the compiler's vectorisation alone.
struct NoVectorRun {
    template <typename T>
    int32_t operator()(T*, const T*, int32_t, bool) const {
        return 0;
    }
};

// Applies op to Channels samples (1 or 3) of every pixel of the region, each sample of type T.
// With AVX2, vector(d, s, n, keepFourth) may first do a leading part of each run of n samples
// (returning how many, a multiple of 4). Returns 0 when a pixel is too small for its samples,
// else 1. Safe in place.
template <typename T, int Channels, class Op, class Vector = NoVectorRun>
int ApplySamples(const KernelArgs& a, const Op& op, bool avx2, const Vector& vector = Vector{}) {
    constexpr int32_t kPixelBytes = Channels * int32_t{sizeof(T)};
    if (a.dstBpp < kPixelBytes || a.srcBpp < kPixelBytes) return 0;
    const bool packed = a.dstBpp == kPixelBytes && a.srcBpp == kPixelBytes;
    const bool quad = Channels == 3 && a.dstBpp == 4 * int32_t{sizeof(T)} && a.srcBpp == a.dstBpp;
    for (int32_t i = 0; i < a.Rows(); ++i) {
        uint8_t* d = a.DstRow(i);
        const uint8_t* s = a.SrcRow(i);
        // Row starts are sample-aligned: strides are multiples of 4.
        T* dt = reinterpret_cast<T*>(d);
        const T* st = reinterpret_cast<const T*>(s);
        if (packed) {
            const int32_t n = a.Cols() * Channels;
            const int32_t done = avx2 ? vector(dt, st, n, false) : 0;
            avx2 ? PackedSamplesAvx2(dt + done, st + done, n - done, op)
                 : PackedSamplesBaseline(dt, st, n, op);
        } else if (quad) {
            const int32_t done = avx2 ? vector(dt, st, 4 * a.Cols(), true) / 4 : 0;
            avx2 ? QuadSamplesAvx2(dt + 4 * done, st + 4 * done, a.Cols() - done, op)
                 : QuadSamplesBaseline(dt, st, a.Cols(), op);
        } else {
            for (int32_t j = 0; j < a.Cols(); ++j) {
                for (int32_t c = 0; c < Channels; ++c) {
                    const int64_t offset = int64_t{c} * int32_t{sizeof(T)};
                    const T v = LoadSample<T>(s + int64_t{j} * a.srcBpp + offset);
                    StoreSample<T>(d + int64_t{j} * a.dstBpp + offset, op(v));
                }
            }
        }
    }
    return 1;
}

}  // namespace kelvra::rows

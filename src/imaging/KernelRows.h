// Row addressing shared by the kernels (internal to the imaging layer).
#pragma once

#include <cstdint>
#include <cstring>

#include "imaging/PixelKernel.h"

// Marks a function compiled for AVX2; it is only called after a run-time check (UseAvx2).
#define KELVRA_TARGET_AVX2 __attribute__((target("avx2")))
// Forces a row body into each of its baseline and AVX2 wrappers so that each is vectorised for
// its own instruction set.
#define KELVRA_ALWAYS_INLINE inline __attribute__((always_inline))

namespace kelvra::rows {

// Kernel arguments gathered once, so row loops can be written once.
struct KernelArgs {
    uint8_t* dst;
    const uint8_t* src;
    Rect region;
    int32_t dstX;
    int32_t dstY;
    int32_t dstBpp;
    int32_t srcBpp;
    int32_t dstStride;
    int32_t srcStride;

    int32_t Rows() const { return region.bottom - region.top; }
    int32_t Cols() const { return region.right - region.left; }
    // Source row i of the region (i counted from its first row), bottom-up when flipped.
    const uint8_t* SrcRow(int32_t i, bool flip = false) const {
        const int64_t y = flip ? int64_t{region.bottom} - 1 - i : int64_t{region.top} + i;
        return src + y * srcStride + int64_t{region.left} * srcBpp;
    }
    uint8_t* DstRow(int32_t i) const {
        return dst + (int64_t{dstY} + i) * dstStride + int64_t{dstX} * dstBpp;
    }
};

inline KernelArgs MakeArgs(uint8_t* dst, const uint8_t* src, const Rect& region, int32_t dstX,
                           int32_t dstY, uint16_t dstBpp, uint16_t srcBpp, int32_t dstStride,
                           int32_t srcStride) {
    return KernelArgs{dst, src, region, dstX, dstY, dstBpp, srcBpp, dstStride, srcStride};
}

inline uint16_t Load16(const uint8_t* p) {
    uint16_t v;
    std::memcpy(&v, p, sizeof(v));
    return v;
}

inline void Store16(uint8_t* p, uint16_t v) {
    std::memcpy(p, &v, sizeof(v));
}

inline uint32_t Load32(const uint8_t* p) {
    uint32_t v;
    std::memcpy(&v, p, sizeof(v));
    return v;
}

inline void Store32(uint8_t* p, uint32_t v) {
    std::memcpy(p, &v, sizeof(v));
}

template <typename T>
constexpr T Clamp(T v, T lo, T hi) {
    return v < lo ? lo : (v > hi ? hi : v);
}

}  // namespace kelvra::rows

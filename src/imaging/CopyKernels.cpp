#include "imaging/CopyKernels.h"

#include <algorithm>
#include <cstring>

#include "imaging/ConversionAvx2.h"
#include "imaging/KernelRows.h"
#include "imaging/PixelOps.h"
#include "imaging/SimdLevel.h"

namespace kelvra {

namespace {

using rows::KernelArgs;

constexpr int kBgrBytes = 3;
constexpr int kBgraBytes = 4;

struct CopyBgr {
    static constexpr int kDstBytes = kBgrBytes;
    static constexpr int kSrcBytes = kBgrBytes;
    static void Apply(uint8_t* d, const uint8_t* s) {
        d[0] = s[0];
        d[1] = s[1];
        d[2] = s[2];
    }
    static int32_t VectorRun(uint8_t* d, const uint8_t* s, int32_t n, int32_t dstBpp,
                             int32_t srcBpp) {
        return convert::CopyBgrAvx2(d, s, n, dstBpp, srcBpp);
    }
};

// Reads all three samples before writing, so it also works in place.
struct SwapBgr {
    static constexpr int kDstBytes = kBgrBytes;
    static constexpr int kSrcBytes = kBgrBytes;
    static void Apply(uint8_t* d, const uint8_t* s) {
        const uint8_t blue = s[0];
        const uint8_t green = s[1];
        const uint8_t red = s[2];
        d[0] = red;
        d[1] = green;
        d[2] = blue;
    }
    static int32_t VectorRun(uint8_t* d, const uint8_t* s, int32_t n, int32_t dstBpp,
                             int32_t srcBpp) {
        return convert::SwapBgrAvx2(d, s, n, dstBpp, srcBpp);
    }
};

struct CopyInvertAlpha {
    static constexpr int kDstBytes = kBgraBytes;
    static constexpr int kSrcBytes = kBgraBytes;
    static void Apply(uint8_t* d, const uint8_t* s) {
        const uint32_t v = rows::Load32(s);
        rows::Store32(d, v ^ 0xFF000000u);
    }
};

// Copies three bytes per pixel; packed 24-bit rows are copied whole.
template <bool Flip>
int CopyBgrKernel(uint8_t* dstBits, const uint8_t* srcBits, const Rect& region, int32_t dstX,
                  int32_t dstY, uint16_t dstBpp, uint16_t srcBpp, int32_t dstStride,
                  int32_t srcStride, void*) {
    const KernelArgs a =
        rows::MakeArgs(dstBits, srcBits, region, dstX, dstY, dstBpp, srcBpp, dstStride, srcStride);
    if (dstBpp == kBgrBytes && srcBpp == kBgrBytes) {
        for (int32_t i = 0; i < a.Rows(); ++i) {
            std::memmove(a.DstRow(i), a.SrcRow(i, Flip), size_t{3} * size_t(a.Cols()));
        }
        return 1;
    }
    return rows::RunPixelOp<CopyBgr, 4, 4, 3, 4, 4, 3>(a, Flip, UseAvx2());
}

// Copies min(dstStride, srcStride) bytes per row, counted from the region's first pixel and cut
// at the end of either row: a region off column 0 must not run past the row (or the buffer).
int CopyRowsFlipKernel(uint8_t* dstBits, const uint8_t* srcBits, const Rect& region, int32_t dstX,
                       int32_t dstY, uint16_t dstBpp, uint16_t srcBpp, int32_t dstStride,
                       int32_t srcStride, void*) {
    const KernelArgs a =
        rows::MakeArgs(dstBits, srcBits, region, dstX, dstY, dstBpp, srcBpp, dstStride, srcStride);
    const int64_t dstRoom = int64_t{dstStride} - int64_t{dstX} * dstBpp;
    const int64_t srcRoom = int64_t{srcStride} - int64_t{region.left} * srcBpp;
    const int64_t bytes = std::min(dstRoom, srcRoom);
    if (bytes <= 0) return 1;
    for (int32_t i = 0; i < a.Rows(); ++i) {
        std::memmove(a.DstRow(i), a.SrcRow(i, true), static_cast<size_t>(bytes));
    }
    return 1;
}

template <class Op, int... Sizes>
int OpKernel(uint8_t* dstBits, const uint8_t* srcBits, const Rect& region, int32_t dstX,
             int32_t dstY, uint16_t dstBpp, uint16_t srcBpp, int32_t dstStride, int32_t srcStride,
             void*) {
    const KernelArgs a =
        rows::MakeArgs(dstBits, srcBits, region, dstX, dstY, dstBpp, srcBpp, dstStride, srcStride);
    return rows::RunPixelOp<Op, Sizes...>(a, false, UseAvx2());
}

// The device wrote the frame packed, PixelBytes per pixel; rows move to their place at the
// stride. Rows move from the last backwards (memmove covers the overlap inside a row), so no
// row is overwritten before it moved; a destination stride below the packed width (another
// image) is walked forwards instead.
template <int PixelBytes>
int SpreadRowsKernel(uint8_t* dstBits, const uint8_t* srcBits, const Rect& region, int32_t dstX,
                     int32_t dstY, uint16_t dstBpp, uint16_t srcBpp, int32_t dstStride, int32_t,
                     void*) {
    if (dstBpp < PixelBytes || srcBpp < PixelBytes) return 0;
    const int64_t packed = int64_t{region.right - region.left} * PixelBytes;
    const int32_t rowCount = region.bottom - region.top;
    auto move = [&](int32_t i) {
        const uint8_t* from = srcBits + (int64_t{region.top} + i) * packed;
        uint8_t* to = dstBits + (int64_t{dstY} + i) * dstStride + int64_t{dstX} * PixelBytes;
        std::memmove(to, from, static_cast<size_t>(packed));
    };
    if (dstStride >= packed) {
        for (int32_t i = rowCount - 1; i >= 0; --i) move(i);
    } else {
        for (int32_t i = 0; i < rowCount; ++i) move(i);
    }
    return 1;
}

}  // namespace

const PixelKernel CopyBgr24 = &CopyBgrKernel<false>;
const PixelKernel CopyBgr24Flip = &CopyBgrKernel<true>;
const PixelKernel CopyRowsFlip = &CopyRowsFlipKernel;
const PixelKernel SwapBgr24 = &OpKernel<SwapBgr, 3, 3, 4, 4>;
const PixelKernel CopyBgra32InvertAlpha = &OpKernel<CopyInvertAlpha, 4, 4>;
const PixelKernel SpreadRows8 = &SpreadRowsKernel<1>;
const PixelKernel SpreadRows16 = &SpreadRowsKernel<2>;

}  // namespace kelvra

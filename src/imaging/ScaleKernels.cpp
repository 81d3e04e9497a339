#include "imaging/ScaleKernels.h"

#include <algorithm>
#include <cstring>

#include "imaging/KernelRows.h"

namespace kelvra {

namespace {

// Columns whose source offsets are worked out at once (4 KiB of stack); wider pictures go in
// strips.
constexpr int32_t kColumnBlock = 1024;
constexpr float kInt32Limit = 2147483648.0f;

// trunc(v) for the scale positions; NaN and values outside int32 count as 0.
int32_t TruncOrZero(float v) {
    if (!(v > -kInt32Limit && v < kInt32Limit)) return 0;
    return static_cast<int32_t>(v);
}

int32_t SourceIndex(int32_t k, float scale, int32_t limit) {
    return std::clamp(TruncOrZero(static_cast<float>(k) * scale), 0, limit - 1);
}

template <int Bytes>
void CopyPixel(uint8_t* d, const uint8_t* s) {
    if constexpr (Bytes == 1) {
        d[0] = s[0];
    } else {
        d[0] = s[0];
        d[1] = s[1];
        d[2] = s[2];
    }
}

// One byte per pixel: eight lookups make one 8-byte store.
void GatherBytes(uint8_t* d, const uint8_t* s, const int32_t* offsets, int32_t n) {
    int32_t j = 0;
    for (; j + 8 <= n; j += 8) {
        uint64_t eight = 0;
        for (int k = 0; k < 8; ++k) eight |= uint64_t{s[offsets[j + k]]} << (8 * k);
        std::memcpy(d + j, &eight, sizeof(eight));
    }
    for (; j < n; ++j) d[j] = s[offsets[j]];
}

template <int Bytes>
int ScaleKernelImpl(uint8_t* dstBits, const uint8_t* srcBits, const Rect& dstRect,
                    const Rect& srcRect, Size32 /*dstSize*/, Size32 srcSize, uint16_t dstBpp,
                    uint16_t srcBpp, int32_t dstStride, int32_t srcStride, void*) {
    const int32_t dstWidth = dstRect.right - dstRect.left;
    const int32_t dstHeight = dstRect.bottom - dstRect.top;
    if (dstWidth <= 0 || dstHeight <= 0 || srcSize.width <= 0 || srcSize.height <= 0 ||
        dstBpp < Bytes || srcBpp < Bytes) {
        return 0;
    }
    const float sx =
        static_cast<float>(srcRect.right - srcRect.left) / static_cast<float>(dstWidth);
    const float sy =
        static_cast<float>(srcRect.bottom - srcRect.top) / static_cast<float>(dstHeight);
    // Whole-row copies (repeated rows, one-to-one strips) are only right when a pixel is
    // exactly the copied samples; otherwise a fourth byte must be left alone.
    const bool packedPixels = dstBpp == Bytes && srcBpp == Bytes;
    int32_t offsets[kColumnBlock];
    for (int32_t j0 = 0; j0 < dstWidth; j0 += kColumnBlock) {
        const int32_t n = std::min(kColumnBlock, dstWidth - j0);
        const int32_t firstColumn = SourceIndex(j0, sx, srcSize.width);
        bool consecutive = packedPixels;
        for (int32_t j = 0; j < n; ++j) {
            const int32_t column = SourceIndex(j0 + j, sx, srcSize.width);
            offsets[j] = column * srcBpp;
            consecutive = consecutive && column == firstColumn + j;
        }
        const size_t stripBytes = size_t(n) * Bytes;
        int32_t previousRow = -1;
        for (int32_t i = 0; i < dstHeight; ++i) {
            // Clamped into the image as well, so that no float rounding can leave the buffer.
            const int32_t row = std::clamp(srcRect.bottom - 1 - SourceIndex(i, sy, srcSize.height),
                                           0, srcSize.height - 1);
            uint8_t* d = dstBits + (int64_t{dstRect.top} + i) * dstStride +
                         (int64_t{dstRect.left} + j0) * dstBpp;
            const uint8_t* s = srcBits + int64_t{row} * srcStride;
            if (packedPixels && row == previousRow) {
                std::memcpy(d, d - dstStride, stripBytes);
            } else if (consecutive) {
                std::memcpy(d, s + offsets[0], stripBytes);
            } else if (Bytes == 1 && dstBpp == 1) {
                GatherBytes(d, s, offsets, n);
            } else {
                for (int32_t j = 0; j < n; ++j) {
                    CopyPixel<Bytes>(d + int64_t{j} * dstBpp, s + offsets[j]);
                }
            }
            previousRow = row;
        }
    }
    return 1;
}

}  // namespace

const ScaleKernel ScaleBgr24 = &ScaleKernelImpl<3>;
const ScaleKernel ScaleMono8 = &ScaleKernelImpl<1>;

}  // namespace kelvra

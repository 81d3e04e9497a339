// The one shape of every per-pixel loop, and the parameter records the kernels read.
#pragma once

#include <cstdint>

namespace kelvra {

// Region record: right and bottom are exclusive.
struct Rect {
    int32_t left;
    int32_t top;
    int32_t right;
    int32_t bottom;
};

struct Size32 {
    int32_t width;
    int32_t height;
};

// Walks `region` of the source (row top + i, column left + j) and writes the pixel that lands at
// (dstX + j, dstY + i) of the destination. Pixels are stepped by the given bytes per pixel and
// rows by the strides; region and origin are already clipped to both buffers. `param` points
// to the kernel's parameter record (or is unused). Returns 1, or the measured value.
using PixelKernel = int (*)(uint8_t* dstBits, const uint8_t* srcBits, const Rect& region,
                            int32_t dstX, int32_t dstY, uint16_t dstBytesPerPixel,
                            uint16_t srcBytesPerPixel, int32_t dstStride, int32_t srcStride,
                            void* param);

// Kernel shape of the scaling runner: both rectangles, both image sizes.
using ScaleKernel = int (*)(uint8_t* dstBits, const uint8_t* srcBits, const Rect& dstRect,
                            const Rect& srcRect, Size32 dstSize, Size32 srcSize,
                            uint16_t dstBytesPerPixel, uint16_t srcBytesPerPixel, int32_t dstStride,
                            int32_t srcStride, void* param);

// Demosaic and white balance: mosaic phase 0-3 and gains in percent (100 = unity). The
// demosaic reads the red and blue gains (the green gain is kept but not used); the
// white-balance measurement writes all three.
struct BayerGains {
    int32_t phase;
    int32_t redGain;
    int32_t greenGain;
    int32_t blueGain;
};

// Grey gain and offset per mosaic position (gains ×128), and the data depth in bits.
struct GrayGainOffset {
    int32_t bayerMode;
    int32_t gainR1;
    int32_t gainG1;
    int32_t gainG2;
    int32_t gainB1;
    int32_t offsetR1;
    int32_t offsetG1;
    int32_t offsetG2;
    int32_t offsetB1;
    int32_t bits;
};

// Hue in degrees and saturation; the front fills the two other words with 0 and 16, which the
// kernels do not read.
struct HueSaturation {
    int32_t hue;
    int32_t reserved0;
    int32_t saturation;
    int32_t reserved1;
};

// Brightness, contrast, gamma and sharpness kernels take a pointer to one int32_t value.

}  // namespace kelvra

// Pixel kernels that change sample depth (PixelKernel shape). Samples wider than a byte are
// 16-bit little-endian; pixels are stepped by the runner's bytes per pixel, so a three-sample
// kernel serves 24- and 32-bit (48- and 64-bit) images and leaves a fourth sample alone unless
// said otherwise. "Flip" kernels read the source rows bottom-up. Widening shifts keep the low
// 16 bits: nothing is clamped. Each returns 1, or 0 without touching anything when a pixel is
// too small for the kernel's samples.
#pragma once

#include "imaging/PixelKernel.h"

namespace kelvra {

extern const PixelKernel Mono10To8Flip;     // mono16 -> mono8: (v >> 2) & 0xFF, flipped
extern const PixelKernel Mono16To8;         // mono16 -> mono8: high byte
extern const PixelKernel Mono12To8Flip;     // mono16 -> mono8: (v >> 4) & 0xFF, flipped
extern const PixelKernel Mono12To16;        // mono16 -> mono16: v << 4
extern const PixelKernel Mono10To16;        // mono16 -> mono16: v << 6
extern const PixelKernel Mono16To8Flip;     // mono16 -> mono8: high byte, flipped
extern const PixelKernel Bgr48To24From12;   // colour16 -> colour8: (v >> 4) & 0xFF
extern const PixelKernel Rgb16Shift4;       // colour16 -> colour16: v << 4
extern const PixelKernel Rgb16Shift4Swap;   // ... first and third samples exchanged
extern const PixelKernel Rgb16Shift6;       // colour16 -> colour16: v << 6
extern const PixelKernel Rgb16Shift6Swap;   // ... first and third samples exchanged
extern const PixelKernel Bgr48To24Flip;     // colour16 -> colour8: high byte, flipped
extern const PixelKernel Rgba16Shift4;      // colour16 -> 4 x 16-bit: v << 4, fourth 0xFFFF
extern const PixelKernel Rgba16Shift4Swap;  // ... first and third samples exchanged
extern const PixelKernel Rgba16Shift6;      // colour16 -> 4 x 16-bit: v << 6, fourth 0xFFFF
extern const PixelKernel Rgba16Shift6Swap;  // ... first and third samples exchanged
extern const PixelKernel BgrToGray8;        // colour8 -> mono8: (30 R + 59 G + 11 B) / 100

}  // namespace kelvra

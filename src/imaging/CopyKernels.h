// Pixel kernels that copy, flip, reorder or spread pixels without changing sample depth
// (PixelKernel shape). Conventions as in ConversionKernels.h.
#pragma once

#include "imaging/PixelKernel.h"

namespace kelvra {

extern const PixelKernel CopyBgr24;              // 3 bytes -> 3 bytes: copy
extern const PixelKernel CopyBgr24Flip;          // 3 bytes -> 3 bytes: copy, flipped
extern const PixelKernel CopyRowsFlip;           // any format: whole rows, flipped
extern const PixelKernel SwapBgr24;              // 3 bytes: blue and red exchanged
extern const PixelKernel CopyBgra32InvertAlpha;  // 4 bytes: copy, fourth byte inverted
extern const PixelKernel SpreadRows8;            // packed 1-byte rows to the stride, in place
extern const PixelKernel SpreadRows16;           // packed 2-byte rows to the stride, in place

}  // namespace kelvra

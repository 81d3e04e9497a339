// The two runners that apply a pixel kernel to a region of two image buffers.
#pragma once

#include <cstdint>

#include "imaging/CDibImage.h"
#include "imaging/PixelKernel.h"

namespace kelvra {

// Clips `region` (source rectangle) placed at (dstX, dstY) to both images and converts the
// result to bottom-up row numbering (row 0 = last row in memory), as Windows counts rows in a
// bottom-up bitmap. Returns true with the clipped region and origin, or false with the region
// set empty and the origin at (0, 0) when nothing is left.
bool ClipKernelRegion(Size32 dstSize, Size32 srcSize, Rect& region, int32_t& dstX, int32_t& dstY);

// Runs `kernel` over srcRect of src (the whole of src when srcRect is null) landing at
// (dstX, dstY) of dst. dst and src may be the same image. Returns 0 without calling the kernel
// when the kernel is absent or nothing is left after clipping, else the kernel's result.
int RunKernel(CDibImage& dst, PixelKernel kernel, const CDibImage& src, const Rect* srcRect,
              int32_t dstX, int32_t dstY, void* param);

// Runs a scaling kernel from srcRect of src to dstRect of dst (null: the whole image). The
// rectangles are not clipped; one that is empty or not inside its image is refused (result 0,
// kernel not called) rather than read or written out of bounds.
int RunScaleKernel(CDibImage& dst, ScaleKernel kernel, const CDibImage& src, const Rect* srcRect,
                   const Rect* dstRect, void* param);

}  // namespace kelvra

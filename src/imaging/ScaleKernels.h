// Nearest-neighbour scaling kernels for the preview (ScaleKernel shape, RunScaleKernel).
#pragma once

#include "imaging/PixelKernel.h"

namespace kelvra {

// With sx = srcRect width / dstRect width and sy likewise (single precision), destination
// pixel (j, i) of dstRect takes source column clamp(trunc(j * sx), 0, srcWidth - 1), counted
// from the image's left edge, and source row srcRect.bottom - 1 - clamp(trunc(i * sy), 0,
// srcHeight - 1): the picture is flipped vertically. A product outside int32 counts as 0.
extern const ScaleKernel ScaleBgr24;  // 3 bytes per pixel (a fourth byte is left alone)
extern const ScaleKernel ScaleMono8;  // 1 byte per pixel

}  // namespace kelvra

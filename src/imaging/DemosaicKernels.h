// Demosaic of the raw colour-filter mosaic (PixelKernel shape, param: BayerGains).
#pragma once

#include "imaging/PixelKernel.h"

namespace kelvra {

// Output pixel (x, y) of the region comes from the 2 x 2 mosaic block with corners (x - 1,
// y - 1) and (x, y): green is the mean (>> 1) of its two greens; red and blue are bilinear at
// the block centre, S = 9 centre + 3 horizontal + 3 vertical + 1 diagonal of the same colour,
// times k = trunc(gain * 1.28), >> 11, saturated. Written blue, green, red; a fourth sample is
// left alone. The interior kernels cover rows and columns 2 .. size - 3 of the region; the
// edge kernels the rest, where a sample outside the region is taken from 4 rows (columns)
// further in, which keeps its colour. Run the interior kernel, then the edge kernel.
// Returns 1, or 0 without a record or with pixels too small for the samples.
extern const PixelKernel Demosaic8;  // mono8 mosaic -> colour8 (24 or 32 bits)
extern const PixelKernel Demosaic8Edges;
extern const PixelKernel Demosaic16;  // mono16 mosaic -> colour16 (48 or 64 bits)
extern const PixelKernel Demosaic16Edges;

}  // namespace kelvra

// Grey gain and offset per mosaic position (PixelKernel shape, param: GrayGainOffset).
#pragma once

#include "imaging/PixelKernel.h"

namespace kelvra {

// Each sample v at position P becomes (offset(P) - 128) + trunc(gain(P) * v / 128), limited to
// 0..255 (8-bit) or 0..MaxForBits(bits) (16-bit): gains and offsets of 128 are the identity.
// Safe in place. Returns 1, or 0 without a record or with pixels too small for the samples.
extern const PixelKernel GrayGainOffset8;
extern const PixelKernel GrayGainOffset16;

}  // namespace kelvra

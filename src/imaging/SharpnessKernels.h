// Unsharp mask of the image processing (PixelKernel shape, param: pointer to the sharpness
// s as int32_t). The source is a copy of the image and the destination the image itself;
// they must not be the same buffer. For every pixel at least 2 from each border of the region,
// each sample becomes c + T(c - m), limited to the sample range, where c is the copy's sample,
// m the mean (sum >> 4) of the copy's 4 x 4 block from (x - 2, y - 2) to (x + 1, y + 1), and
// T(d) = (d * s) / 10 truncating toward zero; the limit is 255, or 4095 for the 12-bit samples
// of 16-bit images. The border is left as it is. Returns 1, or 0
// without a value or with pixels too small for the samples.
#pragma once

#include "imaging/PixelKernel.h"

namespace kelvra {

extern const PixelKernel SharpnessMono8;
extern const PixelKernel SharpnessMono16;
extern const PixelKernel SharpnessColour8;
extern const PixelKernel SharpnessColour16;

}  // namespace kelvra

// Hue and saturation of the image processing (PixelKernel shape, param: HueSaturation).
#pragma once

#include "imaging/PixelKernel.h"

namespace kelvra {

// Rotates the hue by `hue` degrees and scales the chroma by (saturation + 256) / 256 with the
// integer arithmetic of the HSL-like model in HueMath.h; grey pixels stay as they are. Usually
// run in place. HueSaturation24 serves 24- and 32-bit images (the fourth byte is left alone);
// HueSaturation48 and HueSaturation64 work on the top 8 bits of the 12-bit samples that 16-bit
// images carry (a sample above 4095 counts as 4095) and write them back shifted left by 4, so
// that results stay 12-bit; HueSaturation64 sets the fourth sample to 0. The tables are built
// on the stack per call, so any number of threads may run the kernels at once. Returns 1, or 0
// without a record or with pixels too small for the samples.
extern const PixelKernel HueSaturation24;
extern const PixelKernel HueSaturation48;
extern const PixelKernel HueSaturation64;

}  // namespace kelvra

// Point operations of the image processing: brightness, contrast and gamma (PixelKernel shape,
// param: pointer to one int32_t value). Mono8 and Mono16 change the one sample of a pixel,
// Colour8 and Colour16 the first three (a fourth is left alone). Usually run in place. Each
// returns 1, or 0 without a value or with pixels too small for the samples. The 16-bit mono
// kernels address rows by their strides like the others, so odd widths are processed right.
#pragma once

#include "imaging/PixelKernel.h"

namespace kelvra {

// Brightness B (-255..255): f = 1 - |B| / 255 for B < 0, 1 + 10 B / 255 for B > 0, in single
// precision; each sample becomes trunc(sample * f) limited to the sample range.
extern const PixelKernel BrightnessMono8;
extern const PixelKernel BrightnessMono16;
extern const PixelKernel BrightnessColour8;
extern const PixelKernel BrightnessColour16;

// Contrast C (-127..127): table entry i is 0 below C, the maximum above max - C, else
// trunc(range / (range - 2C) * (i - C)) with C scaled by 256 for 16-bit samples.
extern const PixelKernel ContrastMono8;
extern const PixelKernel ContrastMono16;
extern const PixelKernel ContrastColour8;
extern const PixelKernel ContrastColour16;

// Gamma g (0..200, 100 neutral): with e = 1 / (g / 100), entry 0 is 0 and entry i is
// trunc(max * (i / max)^e) limited to max.
extern const PixelKernel GammaMono8;
extern const PixelKernel GammaMono16;
extern const PixelKernel GammaColour8;
extern const PixelKernel GammaColour16;

}  // namespace kelvra

// Point operations of the image processing: brightness, contrast and gamma (PixelKernel shape,
// param: pointer to one int32_t value). Mono8 and Mono16 change the one sample of a pixel,
// Colour8 and Colour16 the first three (a fourth is left alone). Usually run in place. Each
// returns 1, or 0 without a value or with pixels too small for the samples. The 16-bit mono
// kernels address rows by their strides like the others, so odd widths are processed right.
// 16-bit images carry 12-bit samples: the 16-bit kernels work on 0..4095 (max below), take a
// sample above 4095 as 4095, and never leave one above 4095. Frame processing uses ToneCurve,
// which folds the three into one table; these kernels give the same results one step at a time.
#pragma once

#include "imaging/PixelKernel.h"

namespace kelvra {

// Brightness B (-255..255): f = 1 - |B| / 255 for B < 0, 1 + 10 B / 255 for B > 0, in single
// precision; each sample becomes trunc(sample * f) limited to max (255 or 4095).
extern const PixelKernel BrightnessMono8;
extern const PixelKernel BrightnessMono16;
extern const PixelKernel BrightnessColour8;
extern const PixelKernel BrightnessColour16;

// Contrast C (-127..127) with t = C (8-bit) or 16 C (12-bit): entry i is 0 below t, max above
// max - t, else trunc((max + 1) / (max + 1 - 2t) * (i - t)) in double precision.
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

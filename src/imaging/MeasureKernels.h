// Measuring kernels (PixelKernel shape): they read the source region only; run them with the
// image as both destination and source.
#pragma once

#include "imaging/PixelKernel.h"

namespace kelvra {

extern const PixelKernel MeanMono8;              // integer mean of the samples; 0 if empty
extern const PixelKernel MeanMono16;             // integer mean of (sample >> 4); 0 if empty
extern const PixelKernel MeasureWhiteBalance8;   // BayerGains: red, green, blue gains
extern const PixelKernel MeasureWhiteBalance16;  // BayerGains: red, green, blue gains
extern const PixelKernel MeasureGrayGains;       // GrayGainOffset: four gains x128 (bytes)
extern const PixelKernel MeasureGrayGains16;     // GrayGainOffset: four gains x128 (16-bit)

}  // namespace kelvra

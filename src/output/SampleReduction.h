// Reductions of 16-bit samples to 8 bits for the encoders and the recorder that keep 8 bits
// per sample (JPEG, AVI).
#pragma once

#include <cstdint>

namespace kelvra {

// No reduction for these significant bits: the picture is left black.
constexpr int kNoReduction = -1;

// Right shift that brings samples of `significantBits` to 8 bits: 2 for 10 bits, 4 for 12 and
// for 16 (see SampleReduction.cpp), kNoReduction for anything else.
int ReductionShift(int32_t significantBits);

// Order of the three output bytes of a colour reduction.
enum class ColourOrder { kBgr, kRgb };

// width 16-bit grey samples -> width bytes: min(sample >> shift, 255).
void ReduceMono16Row(uint8_t* dst, const uint8_t* src, int32_t width, int shift);

// width pixels of three 16-bit samples (blue, green, red; srcBytesPerPixel 6 or 8, a fourth
// sample is skipped) -> width × 3 bytes in `order`, each min(sample >> shift, 255).
void ReduceColour16Row(uint8_t* dst, const uint8_t* src, int32_t width, int32_t srcBytesPerPixel,
                       int shift, ColourOrder order);

}  // namespace kelvra

// The point operations of the image processing as functions of one sample (internal to the
// imaging layer): brightness, contrast and gamma over a sample range 0..max, where max is 255
// for 8-bit images and 4095 for 16-bit images, whose samples are 12-bit.
#pragma once

#include <cstdint>

namespace kelvra::tone {

constexpr int32_t kBrightnessLimit = 255;
constexpr int32_t kContrastLimit = 127;
constexpr int32_t kNeutralGamma = 100;

// Brightness factor for B (clamped to -255..255 so the products stay in int range).
float BrightnessFactor(int32_t brightness);

// Contrast for C (clamped to -127..127) over 0..max: samples below `threshold` map to 0, above
// `top` to max, the others to trunc(factor * (sample - threshold)). The threshold is C in
// 1/256 of the range (C for 8-bit samples, 16 C for 12-bit ones) and factor is
// (max + 1) / (max + 1 - 2 threshold) in double precision.
struct ContrastLine {
    double factor;
    int32_t threshold;
    int32_t top;
};
ContrastLine MakeContrastLine(int32_t contrast, int32_t max);

// One step on one sample; every result lies within 0..max. A sample above max (a 16-bit colour
// sample that white-balance gains lifted beyond 12 bits) is first taken as max, so that a step
// gives the same result whether it is computed or looked up in a table of 0..max.
int32_t Brightness(float factor, int32_t max, int32_t sample);
int32_t Contrast(const ContrastLine& line, int32_t max, int32_t sample);
// Gamma g (100 neutral): with e = 1 / (g / 100), 0 stays 0 and v becomes
// trunc(max * (v / max)^e) limited to max.
double GammaExponent(int32_t gamma);
int32_t Gamma(double exponent, int32_t max, int32_t sample);

}  // namespace kelvra::tone

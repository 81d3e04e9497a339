// Lookup tables and factors of the point operations (internal to the imaging layer).
#pragma once

#include <cstdint>

namespace kelvra::tone {

constexpr int32_t kBrightnessLimit = 255;
constexpr int32_t kContrastLimit = 127;

// Brightness factor for B (clamped to -255..255 so the products stay in int range).
float BrightnessFactor(int32_t brightness);

// Contrast for C (clamped to -127..127) over 0..max: samples below `threshold` map to 0,
// above `top` to max, the others to trunc(factor * (sample - threshold)).
struct ContrastLine {
    double factor;
    int32_t threshold;
    int32_t top;
};
ContrastLine ContrastLine8(int32_t contrast);
ContrastLine ContrastLine16(int32_t contrast);

// The 8-bit contrast as a table of 256 entries.
void BuildContrastTable8(int32_t contrast, uint8_t* table);

// Gamma table: entries 0..255, or 0..last of the 16-bit range.
void BuildGammaTable8(int32_t gamma, uint8_t* table);
void BuildGammaTable16(int32_t gamma, uint16_t* table, int32_t last);

}  // namespace kelvra::tone

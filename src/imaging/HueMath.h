// Integer hue rotation and chroma scaling of one pixel (internal to the imaging layer).
#pragma once

#include <cstdint>

namespace kelvra::hue {

constexpr int32_t kTurn = 1530;  // hue units per turn (6 sectors of 255)
constexpr int32_t kSectorWidth = 255;
constexpr int32_t kSaturationLimit = 255;
// 16-bit images carry 12-bit samples: their top 8 bits go through the 8-bit arithmetic.
constexpr int kWideShift = 4;

// Per-call state: the hue shift and the tables for one saturation.
struct HueTables {
    int32_t shift;            // H, 0 .. 1529
    int32_t shiftSector;      // H / 255
    int32_t shiftRemainder;   // H % 255
    int32_t chromaFactor;     // (saturation + 256) * 256
    int32_t chroma[256];      // S(c) = (c * ((saturation + 256) * 256) + 0x8000) >> 16
    int32_t reciprocal[256];  // R(c) = 0xFF0000 / c, R(0) = 0 (unused: grey pixels)
};

// Hue in degrees to H in 1/1530 of a turn.
int32_t HueShift(int32_t hueDegrees);

// Fills the tables for a hue and a saturation (clamped to -255..255).
void BuildHueTables(int32_t hueDegrees, int32_t saturation, HueTables& tables);

// Per sector j mod 6: the samples that get the full amplitude, as a packed 0x00RRGGBB
// multiplier, and the signed multiplier that places the ramp on its sample.
struct SectorMasks {
    uint32_t full[6];
    int32_t ramp[6];
};
extern const SectorMasks kSectors;

// The pixel (samples 0-255) as 0x00RRGGBB after rotation and scaling; the arithmetic wraps
// modulo 2^32.
uint32_t ShiftPixel(int32_t blue, int32_t green, int32_t red, const HueTables& tables);

}  // namespace kelvra::hue

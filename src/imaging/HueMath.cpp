#include "imaging/HueMath.h"

#include <algorithm>

namespace kelvra::hue {

namespace {

constexpr int64_t kHueUnitsPerTurn16 = 65536;  // hue as a 16-bit fraction of a turn
constexpr int32_t kDegreesPerTurn = 360;
constexpr int32_t kSaturationOne = 256;
constexpr int32_t kRound16 = 0x8000;
constexpr int32_t kReciprocalNumerator = 0xFF0000;
constexpr int32_t kLightnessFold = 511;         // L(s) = s below 256, else 511 - s
constexpr uint32_t kGreyMultiplier = 0x010101;  // the same value in all three samples
constexpr int32_t kRampRound = 128;

}  // namespace

const SectorMasks kSectors = {
    {0x010001, 0x010000, 0x010100, 0x000100, 0x000101, 0x000001},
    {-0x000001, 0x000100, -0x010000, 0x000001, -0x000100, 0x010000},
};

// The turn as 16 bits (truncated toward zero, then taken modulo 2^16), scaled to six 256-wide
// sectors (t), then folded into thirds of a turn: a signed offset f within +-256 of the third
// k, H = f + 510 k. The odd widths (510 and 1530 rather than 512 and 1536) are the model's.
int32_t HueShift(int32_t hueDegrees) {
    const int64_t a = (int64_t{hueDegrees} * kHueUnitsPerTurn16 / kDegreesPerTurn) & 0xFFFF;
    const int64_t t = (a * 6) >> 8;
    int64_t f = t % 512;
    if (f >= 256) f -= 512;
    const int64_t k = ((t + 256) >> 9) % 3;
    int64_t h = f + 2 * kSectorWidth * k;
    if (h < 0) h += kTurn;
    if (h > kTurn - 1) h -= kTurn;
    return static_cast<int32_t>(h);
}

void BuildHueTables(int32_t hueDegrees, int32_t saturation, HueTables& tables) {
    tables.shift = HueShift(hueDegrees);
    tables.shiftSector = tables.shift / kSectorWidth;
    tables.shiftRemainder = tables.shift % kSectorWidth;
    const int32_t s = std::clamp(saturation, -kSaturationLimit, kSaturationLimit);
    const int32_t factor = (s + kSaturationOne) * kSaturationOne;
    tables.chromaFactor = factor;
    tables.reciprocal[0] = 0;
    for (int32_t c = 0; c < 256; ++c) {
        tables.chroma[c] = (c * factor + kRound16) >> 16;
        if (c > 0) tables.reciprocal[c] = kReciprocalNumerator / c;
    }
}

uint32_t ShiftPixel(int32_t blue, int32_t green, int32_t red, const HueTables& tables) {
    const int32_t mx = std::max({blue, green, red});
    const int32_t mn = std::min({blue, green, red});
    const int32_t chroma = mx - mn;
    const int32_t sum = mx + mn;
    int32_t base;
    int32_t n;
    if (blue > red && blue > green) {
        base = 5;
        n = red - green;
    } else if (red >= green) {
        base = 1;
        n = green - blue;
    } else {
        base = 3;
        n = blue - red;
    }
    if (n < 0) {
        base -= 1;
        n += chroma;
    }
    const int32_t lightnessLimit = std::min(sum, kLightnessFold - sum);
    const int32_t c2 = std::min(lightnessLimit, tables.chroma[chroma]);
    const int32_t low = (sum - c2) >> 1;
    uint32_t packed = static_cast<uint32_t>(low) * kGreyMultiplier;
    if (chroma == 0) return packed;
    int32_t w = ((n * tables.reciprocal[chroma] + kRound16) >> 16) + tables.shiftRemainder;
    int32_t j = base + tables.shiftSector;
    if (w >= kSectorWidth) {
        j += 1;
        w -= kSectorWidth;
    }
    const int32_t amplitude = ((sum + c2) >> 1) - low;
    const int32_t ramp = (amplitude * w + kRampRound) >> 8;
    const int32_t sector = j % 6;
    packed += static_cast<uint32_t>(amplitude) * kSectors.full[sector];
    packed += static_cast<uint32_t>(ramp) * static_cast<uint32_t>(kSectors.ramp[sector]);
    return packed;
}

}  // namespace kelvra::hue

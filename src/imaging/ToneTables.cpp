#include "imaging/ToneTables.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "imaging/SampleDepth.h"

namespace kelvra::tone {

namespace {

constexpr double kDarkenStep = 0.00392156862745098;   // 1 / 255
constexpr double kBrightenStep = 0.0392156862745098;  // 10 / 255
constexpr double kGammaNeutral = 100.0;
constexpr int32_t kContrastScale16 = 256;

// factor = (max + 1) / (max + 1 - 2t), in double precision.
ContrastLine MakeContrastLine(int32_t threshold, int32_t max) {
    const double range = static_cast<double>(max) + 1.0;
    return ContrastLine{range / (range - 2.0 * threshold), threshold, max - threshold};
}

template <typename T>
void BuildGamma(int32_t gamma, int32_t max, int32_t last, T* table) {
    // gamma 0 gives an infinite exponent: every sample below max goes to 0, max stays max.
    const double exponent = 1.0 / (gamma / kGammaNeutral);
    const double top = static_cast<double>(max);
    table[0] = 0;
    for (int32_t i = 1; i <= last; ++i) {
        // Limited in double before the conversion, which a negative gamma could overflow.
        const double v = std::min(top * std::pow(static_cast<double>(i) / top, exponent), top);
        table[i] = static_cast<T>(static_cast<int32_t>(v));
    }
}

}  // namespace

float BrightnessFactor(int32_t brightness) {
    const int32_t b = std::clamp(brightness, -kBrightnessLimit, kBrightnessLimit);
    if (b < 0) return static_cast<float>(1.0 - std::abs(b) * kDarkenStep);
    if (b > 0) return static_cast<float>(1.0 + b * kBrightenStep);
    return 1.0f;
}

ContrastLine ContrastLine8(int32_t contrast) {
    return MakeContrastLine(std::clamp(contrast, -kContrastLimit, kContrastLimit), kMax8);
}

ContrastLine ContrastLine16(int32_t contrast) {
    const int32_t c = std::clamp(contrast, -kContrastLimit, kContrastLimit);
    return MakeContrastLine(c * kContrastScale16, kMax16);
}

void BuildContrastTable8(int32_t contrast, uint8_t* table) {
    const ContrastLine line = ContrastLine8(contrast);
    for (int32_t i = 0; i <= kMax8; ++i) {
        int32_t v = kMax8;
        if (i < line.threshold) {
            v = 0;
        } else if (i <= line.top) {
            // Never above 255 for the clamped C; the limit is cheap insurance.
            v = static_cast<int32_t>(std::min(line.factor * (i - line.threshold), double{kMax8}));
        }
        table[i] = static_cast<uint8_t>(v);
    }
}

void BuildGammaTable8(int32_t gamma, uint8_t* table) {
    BuildGamma(gamma, kMax8, kMax8, table);
}

void BuildGammaTable16(int32_t gamma, uint16_t* table, int32_t last) {
    BuildGamma(gamma, kMax16, std::min(last, kMax16), table);
}

}  // namespace kelvra::tone

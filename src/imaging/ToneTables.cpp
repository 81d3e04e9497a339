#include "imaging/ToneTables.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace kelvra::tone {

namespace {

constexpr double kDarkenStep = 0.00392156862745098;   // 1 / 255
constexpr double kBrightenStep = 0.0392156862745098;  // 10 / 255
constexpr int32_t kContrastSteps = 256;               // C counts 1/256 of the range

}  // namespace

float BrightnessFactor(int32_t brightness) {
    const int32_t b = std::clamp(brightness, -kBrightnessLimit, kBrightnessLimit);
    if (b < 0) return static_cast<float>(1.0 - std::abs(b) * kDarkenStep);
    if (b > 0) return static_cast<float>(1.0 + b * kBrightenStep);
    return 1.0f;
}

ContrastLine MakeContrastLine(int32_t contrast, int32_t max) {
    const int32_t c = std::clamp(contrast, -kContrastLimit, kContrastLimit);
    const int32_t threshold = c * ((max + 1) / kContrastSteps);
    const double range = static_cast<double>(max) + 1.0;
    return ContrastLine{range / (range - 2.0 * threshold), threshold, max - threshold};
}

int32_t Brightness(float factor, int32_t max, int32_t sample) {
    // factor is never negative, so neither is the product.
    const auto v = static_cast<int32_t>(static_cast<float>(std::min(sample, max)) * factor);
    return std::min(v, max);
}

int32_t Contrast(const ContrastLine& line, int32_t max, int32_t sample) {
    sample = std::min(sample, max);
    if (sample < line.threshold) return 0;
    if (sample > line.top) return max;
    // Never above max for the clamped C; the limit is cheap insurance.
    return static_cast<int32_t>(
        std::min(line.factor * (sample - line.threshold), static_cast<double>(max)));
}

// gamma 0 gives an infinite exponent: every sample below max goes to 0, max stays max.
double GammaExponent(int32_t gamma) {
    return 1.0 / (gamma / static_cast<double>(kNeutralGamma));
}

int32_t Gamma(double exponent, int32_t max, int32_t sample) {
    if (sample <= 0) return 0;
    sample = std::min(sample, max);
    const double top = static_cast<double>(max);
    // Limited in double before the conversion, which a negative gamma could overflow.
    return static_cast<int32_t>(
        std::min(top * std::pow(static_cast<double>(sample) / top, exponent), top));
}

}  // namespace kelvra::tone

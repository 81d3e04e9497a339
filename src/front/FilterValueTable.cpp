#include "front/FilterValueTable.h"

#include <climits>

#include "KelvraSdk.h"

namespace kelvra {
namespace {

constexpr int32_t kByteMask = 0xFF;
constexpr int kGreenShift = 8;
constexpr int kBlueShift = 16;

// Captureless lambdas make the field accessors constant-initialised function pointers.
#define KELVRA_FIELD(expr) [](FilterFields& f) -> int32_t& { return f.expr; }

constexpr StoredValue kStoredValues[] = {
    {KELVRA_FILTER_BRIGHTNESS, -255, 255, KELVRA_FIELD(filter.brightness), false, true},
    {KELVRA_FILTER_CONTRAST, -127, 127, KELVRA_FIELD(filter.contrast), false, true},
    {KELVRA_FILTER_HUE, -360, 360, KELVRA_FIELD(filter.hue), false, true},
    {KELVRA_FILTER_SATURATION, -255, 255, KELVRA_FIELD(filter.saturation), false, true},
    {KELVRA_FILTER_SHARPNESS, 0, 30, KELVRA_FIELD(filter.sharpness), false, true},
    {KELVRA_FILTER_BAYER_GAIN_RED, 0, 400, KELVRA_FIELD(filter.redGain), false, true},
    {KELVRA_FILTER_BAYER_GAIN_GREEN, 0, 400, KELVRA_FIELD(filter.greenGain), false, true},
    {KELVRA_FILTER_BAYER_GAIN_BLUE, 0, 400, KELVRA_FIELD(filter.blueGain), false, true},
    {KELVRA_FILTER_BAYER_GAIN_AUTO, INT_MIN, INT_MAX, KELVRA_FIELD(flags.bayerGainAuto), true,
     true},
    {KELVRA_FILTER_GAMMA, 0, 200, KELVRA_FIELD(filter.gamma), false, true},
    {KELVRA_FILTER_BAYER_MODE, 0, 3, KELVRA_FIELD(filter.bayerMode), false, true},
    {KELVRA_FILTER_GRAY_MODE, 0, 2, KELVRA_FIELD(gray.mode), false, true},
    {KELVRA_FILTER_GRAY_GAIN_R, 0, 255, KELVRA_FIELD(gray.gainR1), false, true},
    {KELVRA_FILTER_GRAY_GAIN_G1, 0, 255, KELVRA_FIELD(gray.gainG1), false, true},
    {KELVRA_FILTER_GRAY_GAIN_G2, 0, 255, KELVRA_FIELD(gray.gainG2), false, true},
    {KELVRA_FILTER_GRAY_GAIN_B, 0, 255, KELVRA_FIELD(gray.gainB1), false, true},
    {KELVRA_FILTER_GRAY_OFFSET_R, -255, 255, KELVRA_FIELD(gray.offsetR1), false, true},
    {KELVRA_FILTER_GRAY_OFFSET_G1, -255, 255, KELVRA_FIELD(gray.offsetG1), false, true},
    {KELVRA_FILTER_GRAY_OFFSET_G2, -255, 255, KELVRA_FIELD(gray.offsetG2), false, true},
    {KELVRA_FILTER_GRAY_OFFSET_B, -255, 255, KELVRA_FIELD(gray.offsetB1), false, true},
    // The one-shot grey balance counts frames down; it can be started but not read.
    {KELVRA_FILTER_AUTO_GRAY_ONCE, 0, 1, KELVRA_FIELD(flags.autoGrayCount), false, false},
    {KELVRA_FILTER_DOT_FILTER, 0, 1, KELVRA_FIELD(flags.dotFilter), false, true},
    {KELVRA_FILTER_MASK_FILTER, 0, 1, KELVRA_FIELD(flags.maskFilter), false, true},
};

#undef KELVRA_FIELD

}  // namespace

const StoredValue* FindStoredValue(int32_t index) {
    for (const StoredValue& entry : kStoredValues) {
        if (entry.index == index) return &entry;
    }
    return nullptr;
}

void UnpackBayerGains(FilterFields& fields, int32_t packed) {
    fields.filter.redGain = packed & kByteMask;
    fields.filter.greenGain = (packed >> kGreenShift) & kByteMask;
    fields.filter.blueGain = (packed >> kBlueShift) & kByteMask;
}

int32_t PackBayerGains(const FilterFields& fields) {
    return (fields.filter.redGain & kByteMask) |
           ((fields.filter.greenGain & kByteMask) << kGreenShift) |
           ((fields.filter.blueGain & kByteMask) << kBlueShift);
}

}  // namespace kelvra

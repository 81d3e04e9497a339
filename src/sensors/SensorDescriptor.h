// The sensor descriptor: the fixed 92-word record of sensor geometry, limits, current values
// and capability words that each sensor driver owns and the device core copies out whole. Its
// layout is part of the interface between the two, so it is pinned word by word below.
#pragma once

#include <cstddef>
#include <cstdint>
#include <type_traits>

namespace kelvra {

// A limited setting: range, the value in force, the value InitSensor applies, and a step.
struct SensorRange {
    int32_t min;
    int32_t max;
    int32_t current;
    int32_t defaultValue;
    int32_t step;
};

// A limited setting whose fifth word says whether the sensor offers it at all (0 or 1).
struct SensorOptionalRange {
    int32_t min;
    int32_t max;
    int32_t current;
    int32_t defaultValue;
    int32_t supported;
};

// An on/off image reversal.
struct SensorSwitch {
    int32_t current;
    int32_t defaultValue;
    int32_t supported;
};

// Field comments give the 1-based word numbers of the record.
struct SensorDescriptor {
    int32_t maxWidth;  // 1-2: full pixel array
    int32_t maxHeight;
    int32_t defaultX;  // 3-6: window applied by InitSensor
    int32_t defaultY;
    int32_t defaultWidth;
    int32_t defaultHeight;
    int32_t windowFlagA;  // 7-8: set by the constructor only
    int32_t windowFlagB;
    int32_t x;  // 9-12: current readout window, sensor units after binning
    int32_t y;
    int32_t width;
    int32_t height;
    int32_t lineLength;   // 13: horizontal total, chip units
    int32_t frameLength;  // 14: vertical total, lines
    int32_t readoutMode;  // 15: 0 normal, 1 2x2 binning, 17 further binned mode
    int32_t windowFlagC;  // 16-17: set by the constructor only
    int32_t windowFlagD;
    int32_t reserved18[3];               // 18-20
    SensorRange gain;                    // 21-25: chip gain code
    SensorRange exposureLines;           // 26-30
    SensorRange colorGain[4];            // 31-50: red, green 1, green 2, blue
    SensorRange exposureTime;            // 51-55: 0.1 ms units
    SensorOptionalRange analogGainStep;  // 56-60
    SensorOptionalRange blackLevel;      // 61-65
    int32_t auxModeSupported;            // 66
    int32_t auxModeCurrent;              // 67
    int32_t reserved68;                  // 68
    double exposureSecondsMin;           // 69-76: four doubles, seconds
    double exposureSecondsMax;
    double exposureSecondsCurrent;
    double exposureSecondsDefault;
    int32_t exposureSecondsSupported;  // 77
    int32_t reserved78[5];             // 78-82
    SensorSwitch mirror;               // 83-85: SetMirror, the front's vertical mirror
    SensorSwitch flip;                 // 86-88: SetFlip, the front's horizontal mirror
    int32_t outputBits;                // 89: 8 or 16 (12 for sensors that always deliver 12)
    int32_t sensorClockKHz;            // 90
    int32_t orientation;               // 91: 3 and 4 count the vertical start from the bottom
    int32_t reserved92;                // 92
};

// Colour-gain blocks in record order.
enum SensorColorChannel : int { kColorRed = 0, kColorGreen1 = 1, kColorGreen2 = 2, kColorBlue = 3 };

inline constexpr size_t kSensorDescriptorWords = 92;
inline constexpr size_t kSensorDescriptorBytes = 368;

namespace descriptor_layout {
// Byte offset of a 1-based record word.
constexpr size_t Word(size_t number) {
    return (number - 1) * sizeof(int32_t);
}
}  // namespace descriptor_layout

static_assert(std::is_standard_layout_v<SensorDescriptor>);
static_assert(std::is_trivially_copyable_v<SensorDescriptor>);
static_assert(sizeof(SensorDescriptor) == kSensorDescriptorBytes);
static_assert(kSensorDescriptorWords * sizeof(int32_t) == kSensorDescriptorBytes);
static_assert(offsetof(SensorDescriptor, maxWidth) == descriptor_layout::Word(1));
static_assert(offsetof(SensorDescriptor, defaultX) == descriptor_layout::Word(3));
static_assert(offsetof(SensorDescriptor, windowFlagA) == descriptor_layout::Word(7));
static_assert(offsetof(SensorDescriptor, x) == descriptor_layout::Word(9));
static_assert(offsetof(SensorDescriptor, lineLength) == descriptor_layout::Word(13));
static_assert(offsetof(SensorDescriptor, frameLength) == descriptor_layout::Word(14));
static_assert(offsetof(SensorDescriptor, readoutMode) == descriptor_layout::Word(15));
static_assert(offsetof(SensorDescriptor, windowFlagC) == descriptor_layout::Word(16));
static_assert(offsetof(SensorDescriptor, reserved18) == descriptor_layout::Word(18));
static_assert(offsetof(SensorDescriptor, gain) == descriptor_layout::Word(21));
static_assert(offsetof(SensorDescriptor, exposureLines) == descriptor_layout::Word(26));
static_assert(offsetof(SensorDescriptor, colorGain) == descriptor_layout::Word(31));
static_assert(offsetof(SensorDescriptor, exposureTime) == descriptor_layout::Word(51));
static_assert(offsetof(SensorDescriptor, analogGainStep) == descriptor_layout::Word(56));
static_assert(offsetof(SensorDescriptor, blackLevel) == descriptor_layout::Word(61));
static_assert(offsetof(SensorDescriptor, auxModeSupported) == descriptor_layout::Word(66));
static_assert(offsetof(SensorDescriptor, auxModeCurrent) == descriptor_layout::Word(67));
static_assert(offsetof(SensorDescriptor, reserved68) == descriptor_layout::Word(68));
static_assert(offsetof(SensorDescriptor, exposureSecondsMin) == descriptor_layout::Word(69));
static_assert(offsetof(SensorDescriptor, exposureSecondsDefault) == descriptor_layout::Word(75));
static_assert(offsetof(SensorDescriptor, exposureSecondsSupported) == descriptor_layout::Word(77));
static_assert(offsetof(SensorDescriptor, reserved78) == descriptor_layout::Word(78));
static_assert(offsetof(SensorDescriptor, mirror) == descriptor_layout::Word(83));
static_assert(offsetof(SensorDescriptor, flip) == descriptor_layout::Word(86));
static_assert(offsetof(SensorDescriptor, outputBits) == descriptor_layout::Word(89));
static_assert(offsetof(SensorDescriptor, sensorClockKHz) == descriptor_layout::Word(90));
static_assert(offsetof(SensorDescriptor, orientation) == descriptor_layout::Word(91));
static_assert(offsetof(SensorDescriptor, reserved92) == descriptor_layout::Word(92));

}  // namespace kelvra

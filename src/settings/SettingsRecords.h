#pragma once

#include <cstdint>
#include <limits>

namespace kelvra::settings {

// Readout window and frame-buffer count; the names are those of the registry values.
struct ReadoutWindow {
    int32_t TH = 1280;
    int32_t TV = 1024;
    int32_t EH = 1280;
    int32_t EV = 1024;
    int32_t EHS = 0;
    int32_t EVS = 0;
    int32_t Buf = 4;
};

// Values directly under the camera key.
struct StreamFormat {
    int32_t color = 0;
    int32_t subSample = 0;
    int32_t waitTime = 10;
    int32_t clock = 0;
};

// "Filter" subkey: the first ten processing settings.
struct FilterSettings {
    int32_t brightness = 0;
    int32_t contrast = 0;
    int32_t hue = 0;
    int32_t saturation = 0;
    int32_t sharpness = 0;
    int32_t redGain = 0;
    int32_t greenGain = 0;
    int32_t blueGain = 0;
    int32_t gamma = 0;
    int32_t bayerMode = 0;
};

// "Gray" subkey.
struct GraySettings {
    int32_t mode = 0;
    int32_t gainR1 = 0;
    int32_t gainG1 = 0;
    int32_t gainG2 = 0;
    int32_t gainB1 = 0;
    int32_t offsetR1 = 0;
    int32_t offsetG1 = 0;
    int32_t offsetG2 = 0;
    int32_t offsetB1 = 0;
};

// "Gain" subkey: the analog settings last written to the camera.
struct CameraSettings {
    int32_t globalGain = 0;
    int32_t colorG1 = 0;
    int32_t colorR = 0;
    int32_t colorB = 0;
    int32_t colorG2 = 0;
    int32_t exposure = 0;
    int32_t vMirror = 0;
    int32_t hMirror = 0;
    int32_t autoIris = 0;
    int32_t blackLevel = 0;
    int32_t gainMode = 0;
    double exposureSeconds = 0.0;
};

// A closed range of accepted values.
struct ValueRange {
    int32_t min = std::numeric_limits<int32_t>::min();
    int32_t max = std::numeric_limits<int32_t>::max();
    bool Holds(int64_t v) const { return v >= min && v <= max; }
};

// The camera's own defaults, used where the "Gain" subkey has no usable value, and its limits,
// outside which a stored value is not used.
struct CameraDefaults {
    int32_t globalGain = 0;
    int32_t colorGain = 0;
    int32_t exposure = 0;
    int32_t vMirror = 0;
    int32_t hMirror = 0;
    int32_t blackLevel = 0;
    bool exposureSecondsSupported = false;
    double exposureSeconds = 0.0;

    ValueRange gainRange;
    ValueRange colorGainRange;
    ValueRange exposureRange;
    ValueRange blackLevelRange;
    double exposureSecondsMin = 0.0;
    double exposureSecondsMax = std::numeric_limits<double>::max();
};

// Which output formats the open camera offers.
struct FormatSupport {
    bool eightBit = true;
    bool sixteenBit = true;
    bool color = true;
};

}  // namespace kelvra::settings

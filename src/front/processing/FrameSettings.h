// The settings one frame is processed with: a snapshot the front takes under its settings lock,
// so application threads can change settings while a frame is processed.
#pragma once

#include <cstdint>

namespace kelvra::processing {

// Colour modes: 0 8-bit grey, 1 16-bit grey, 2 24-bit, 3 32-bit, 4 48-bit, 5 64-bit colour.
enum ColourMode : int32_t {
    kMono8 = 0,
    kMono16 = 1,
    kColour24 = 2,
    kColour32 = 3,
    kColour48 = 4,
    kColour64 = 5,
};

// Defaults are the neutral values: a frame processed with them is left as it came, apart from
// the colour conversion its mode requires.
struct FrameSettings {
    int32_t colourMode = kMono8;
    // Readout window (frame size and start on the sensor) and subsample mode.
    int32_t EH = 1280;
    int32_t EV = 1024;
    int32_t EHS = 0;
    int32_t EVS = 0;
    int32_t subsampleMode = 0;
    // 0 off, 1 automatic exposure, 2 automatic gain.
    int32_t autoIrisMode = 0;
    // Flat-field correction and dot (defect) filter switches.
    int32_t maskFilter = 0;
    int32_t dotFilter = 0;
    // Grey processing: 0 off, 1 gain/offset, 2 through colour. Gains are x128.
    int32_t grayMode = 0;
    int32_t grayGainR = 128;
    int32_t grayGainG1 = 128;
    int32_t grayGainG2 = 128;
    int32_t grayGainB = 128;
    int32_t grayOffsetR = 128;
    int32_t grayOffsetG1 = 128;
    int32_t grayOffsetG2 = 128;
    int32_t grayOffsetB = 128;
    // Pending automatic grey balances (negative: every frame).
    int32_t autoGrayCounter = 0;
    // Mosaic phase 0-3 and the colour gains in percent (green is stored, not applied).
    int32_t bayerMode = 0;
    int32_t redGain = 100;
    int32_t greenGain = 100;
    int32_t blueGain = 100;
    // Automatic white balance and its two once-flags (both set: measure one frame only).
    int32_t bayerGainAuto = 0;
    int32_t bayerAutoOnceA = 0;
    int32_t bayerAutoOnceB = 0;
    int32_t hue = 0;
    int32_t saturation = 0;
    int32_t gamma = 100;
    int32_t contrast = 0;
    int32_t sharpness = 0;
    int32_t brightness = 0;
    int32_t verticalMirror = 0;
    int32_t horizontalMirror = 0;
};

// Frame size after subsampling: EH x EV divided by 2 (modes 1, 17), 4 (2, 18) or 8 (3, 19).
struct OutputSize {
    int32_t width;
    int32_t height;
};
OutputSize SubsampledSize(const FrameSettings& s);

// True for the modes whose frames arrive in the 16-bit raw image (1, 4, 5).
inline bool IsWideMode(int32_t colourMode) {
    return colourMode == kMono16 || colourMode == kColour48 || colourMode == kColour64;
}

}  // namespace kelvra::processing

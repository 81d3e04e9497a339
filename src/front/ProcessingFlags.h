#pragma once

#include <cstdint>

namespace kelvra {

// Processing switches that are not saved with the camera's settings.
struct ProcessingFlags {
    int32_t maskFilter = 0;  // flat-field correction
    int32_t dotFilter = 0;   // defect-pixel correction
    int32_t bayerGainAuto = 0;
    // Set together by the image-filter dialog: measure the white balance once, then clear all
    // three flags.
    int32_t bayerAutoOnceA = 0;
    int32_t bayerAutoOnceB = 0;
    int32_t autoGrayCount = 0;  // frames left for the one-shot grey balance
};

}  // namespace kelvra

// What one frame's processing learned that the front must store back into its settings.
#pragma once

#include <cstdint>

namespace kelvra::processing {

// Each group is stored only when its flag is set, and only its own fields, so a setting an
// application changed meanwhile is not overwritten by the frame's older snapshot.
struct FrameFeedback {
    // Automatic gain: the new global gain, also to be stored as all four colour gains.
    bool gainChanged = false;
    int32_t gain = 0;
    // Automatic exposure: the new exposure in sensor units, and the seconds the device reports
    // for it when it supports exposure in seconds (exposureSecondsRead).
    bool exposureChanged = false;
    int32_t exposure = 0;
    bool exposureSecondsRead = false;
    double exposureSeconds = 0.0;
    // Automatic grey balance: the four new grey gains (offsets are unchanged), and one pending
    // balance used up (decrement the counter once).
    bool grayGainsChanged = false;
    int32_t grayGainR = 128;
    int32_t grayGainG1 = 128;
    int32_t grayGainG2 = 128;
    int32_t grayGainB = 128;
    bool autoGrayCounterDecrement = false;
    // Automatic white balance: the measured colour gains (each at most 400) ...
    bool bayerGainsChanged = false;
    int32_t redGain = 100;
    int32_t greenGain = 100;
    int32_t blueGain = 100;
    // ... and whether the flag and its two once-flags are to be cleared.
    bool bayerAutoCleared = false;
};

}  // namespace kelvra::processing

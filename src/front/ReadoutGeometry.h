#pragma once

#include <cstdint>

#include "front/ReadoutWindowRules.h"
#include "settings/SettingsRecords.h"

namespace kelvra {

struct FrameSize {
    int32_t width = 0;
    int32_t height = 0;
};

// Subsample modes that divide the frame by 2, 4 and 8.
inline int32_t SubsampleDivisor(int32_t mode) {
    switch (mode) {
        case 1:
        case 17:
            return 2;
        case 2:
        case 18:
            return 4;
        case 3:
        case 19:
            return 8;
        default:
            return 1;
    }
}

// Size of the frames the camera delivers for a window and subsample mode.
inline FrameSize OutputFrameSize(const settings::ReadoutWindow& w, int32_t subSample) {
    const int32_t divisor = SubsampleDivisor(subSample);
    return FrameSize{w.EH / divisor, w.EV / divisor};
}

}  // namespace kelvra

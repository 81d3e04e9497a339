// What makes a readout window usable: it lies inside the sensor area and the subsample mode is
// one the frame path can scale.
#pragma once

#include <cstdint>

#include "settings/SettingsRecords.h"

namespace kelvra {

inline constexpr int32_t kSensorAreaWidth = 1280;
inline constexpr int32_t kSensorAreaHeight = 1024;

// True when `EH`, `EV`, `EHS` and `EVS` are non-negative, the frame fits the sensor area and
// `subSample` is not one of the quarter or eighth modes (2, 3, 17, 18, 19). `TH`, `TV` and `Buf`
// are not examined. The sums are formed in 64 bits so that no pair of stored values can wrap.
inline bool IsReadoutWindowValid(const settings::ReadoutWindow& w, int32_t subSample) {
    if (w.EH < 0 || w.EV < 0 || w.EHS < 0 || w.EVS < 0) return false;
    if (w.EH > kSensorAreaWidth || w.EV > kSensorAreaHeight) return false;
    if (w.EHS > kSensorAreaWidth || w.EVS > kSensorAreaHeight) return false;
    if (int64_t{w.EH} + w.EHS > kSensorAreaWidth) return false;
    if (int64_t{w.EV} + w.EVS > kSensorAreaHeight) return false;
    switch (subSample) {
        case 2:
        case 3:
        case 17:
        case 18:
        case 19:
            return false;
        default:
            return true;
    }
}

// The full-sensor window a rejected preset falls back to; `Buf` is left as it was.
inline void ResetToFullSensor(settings::ReadoutWindow& w) {
    w.TH = w.EH = kSensorAreaWidth;
    w.TV = w.EV = kSensorAreaHeight;
    w.EHS = w.EVS = 0;
}

}  // namespace kelvra

// Automatic exposure and gain: a correction factor from five measured rectangles, then a new
// exposure or gain for the device.
#pragma once

#include <cstdint>

#include "device/CKelvraU3Q6Base.h"
#include "front/processing/FrameFeedback.h"
#include "imaging/CDibImage.h"

namespace kelvra::processing {

enum AutoIrisMode : int32_t { kAutoIrisOff = 0, kAutoIrisExposure = 1, kAutoIrisGain = 2 };

// The factor is kept in hundredths so that 0.6 and 1.2, the limits of the dead band, compare
// exactly: 100 is 1.0.
inline constexpr int32_t kFactorUnity = 100;

// Mean level (0-255 scale) in each of the five measuring rectangles of `raw`, first rectangle
// first. 16-bit samples are shifted right by 4. The rectangles are given to the kernel runner,
// which counts rows bottom-up, as every kernel region is.
struct IrisMeans {
    int32_t mean[5];
};
IrisMeans MeasureIrisMeans(CDibImage& raw);

// The correction factor in hundredths for five means: the first mean sets the start, each of
// the others moves it.
int32_t IrisFactor(const IrisMeans& means);

// True when the factor lies outside the dead band 0.6 < f < 1.2 and the device is adjusted.
inline bool IrisFactorActs(int32_t factor) {
    return factor <= 60 || factor >= 120;
}

// Runs automatic exposure (mode 1) or gain (mode 2) on `raw`: measures, and when the factor
// leaves the dead band sets the device's exposure or gain, reporting the stored values in
// `feedback`. Mode 0 or any other value does nothing. Runs on the acquisition thread.
void RunAutoIris(int32_t mode, CDibImage& raw, CKelvraU3Q6Base& device, FrameFeedback& feedback);

// The new gain for `factor`: trunc(max(current, 4) x factor), at least 4 when raising, then the
// device's minimum below it or its maximum at or above it.
int32_t NextGain(int32_t current, int32_t factor, int32_t gainMin, int32_t gainMax);

// The new exposure for `factor`: trunc(current x factor), at least 1, limited to min..max.
int32_t NextExposure(int32_t current, int32_t factor, int32_t exposureMin, int32_t exposureMax);

}  // namespace kelvra::processing

#include "front/processing/AutoIris.h"

#include <algorithm>

#include "imaging/KernelRunner.h"
#include "imaging/MeasureKernels.h"

namespace kelvra::processing {

namespace {

constexpr int32_t kGainFloor = 4;

// Corners of the measuring rectangles in percent of the image's width and height.
struct Corners {
    int32_t left, top, right, bottom;
};
constexpr Corners kRectangles[5] = {
    {10, 10, 20, 20}, {10, 80, 20, 90}, {45, 45, 55, 55}, {80, 10, 90, 20}, {80, 80, 90, 90},
};

// Level bands of a mean and how they move the factor (hundredths).
constexpr int32_t kVeryBright = 200;
constexpr int32_t kBright = 160;
constexpr int32_t kVeryDark = 50;
constexpr int32_t kDark = 100;

// Truncated corner coordinate: percent of a size, exact in integers.
int32_t At(int32_t percent, int32_t size) {
    return static_cast<int32_t>(int64_t{percent} * size / 100);
}

int32_t StartFactor(int32_t m) {
    if (m > kVeryBright) return 85;
    if (m > kBright) return 90;
    if (m < kVeryDark) return 110;
    if (m < kDark) return 105;
    return kFactorUnity;
}

int32_t FactorStep(int32_t m) {
    if (m > kVeryBright) return -15;
    if (m > kBright) return -10;
    if (m < kVeryDark) return 10;
    if (m < kDark) return 5;
    return 0;
}

int64_t Scale(int64_t value, int32_t factor) {
    return value * factor / kFactorUnity;
}

void AdjustGain(int32_t factor, CKelvraU3Q6Base& device, FrameFeedback& feedback) {
    const int32_t value =
        NextGain(device.GetGain(), factor, device.GetGainMin(), device.GetGainMax());
    // The mirror follows the device: a refused value is not stored.
    if (device.SetGain(value) == 0) return;
    feedback.gainChanged = true;
    feedback.gain = value;
}

void AdjustExposure(int32_t factor, CKelvraU3Q6Base& device, FrameFeedback& feedback) {
    const int32_t value = NextExposure(device.GetExposureTime(), factor,
                                       device.GetExposureTimeMin(), device.GetExposureTimeMax());
    if (device.SetExposureTime(value) == 0) return;
    feedback.exposureChanged = true;
    feedback.exposure = value;
    if (device.IsExposureSecondsSupported() != 0) {
        double seconds = 0.0;
        if (device.GetExposureSeconds(&seconds) != 0) {
            feedback.exposureSecondsRead = true;
            feedback.exposureSeconds = seconds;
        }
    }
}

}  // namespace

IrisMeans MeasureIrisMeans(CDibImage& raw) {
    IrisMeans means{};
    const PixelKernel mean = raw.BitCount() == 16 ? MeanMono16 : MeanMono8;
    const int32_t w = raw.Width();
    const int32_t h = raw.Height();
    for (int k = 0; k < 5; ++k) {
        const Corners& c = kRectangles[k];
        const Rect r{At(c.left, w), At(c.top, h), At(c.right, w), At(c.bottom, h)};
        // Measuring kernels only read; the image is its own destination.
        means.mean[k] = RunKernel(raw, mean, raw, &r, r.left, r.top, nullptr);
    }
    return means;
}

int32_t IrisFactor(const IrisMeans& means) {
    int32_t factor = StartFactor(means.mean[0]);
    for (int k = 1; k < 5; ++k) factor += FactorStep(means.mean[k]);
    return factor;
}

int32_t NextGain(int32_t current, int32_t factor, int32_t gainMin, int32_t gainMax) {
    int64_t value = Scale(std::max(current, kGainFloor), factor);
    if (factor > kFactorUnity) value = std::max<int64_t>(value, kGainFloor);
    if (value < gainMin) return gainMin;
    if (value >= gainMax) return gainMax;
    return static_cast<int32_t>(value);
}

// The value is not cut to 16 bits: wrapping would turn a long exposure into a short one; the
// device's own limits bound it instead.
int32_t NextExposure(int32_t current, int32_t factor, int32_t exposureMin, int32_t exposureMax) {
    int64_t value = std::max<int64_t>(Scale(current, factor), 1);
    if (value < exposureMin) value = exposureMin;
    if (value > exposureMax) value = exposureMax;
    return static_cast<int32_t>(value);
}

void RunAutoIris(int32_t mode, CDibImage& raw, CKelvraU3Q6Base& device, FrameFeedback& feedback) {
    if (mode != kAutoIrisExposure && mode != kAutoIrisGain) return;
    if (raw.Bits() == nullptr) return;
    const int32_t factor = IrisFactor(MeasureIrisMeans(raw));
    if (!IrisFactorActs(factor)) return;
    if (mode == kAutoIrisGain) {
        AdjustGain(factor, device, feedback);
    } else {
        AdjustExposure(factor, device, feedback);
    }
}

}  // namespace kelvra::processing

#include "front/processing/ColourStep.h"

#include <algorithm>

#include "imaging/DemosaicKernels.h"
#include "imaging/KernelRunner.h"
#include "imaging/MeasureKernels.h"

namespace kelvra::processing {

namespace {

constexpr int32_t kMaxMeasuredGain = 400;
constexpr int32_t kRowFlag = 1;     // phase bit toggled by reversing the row order
constexpr int32_t kColumnFlag = 2;  // phase bit toggled by reversing each row

// Measures the white balance of the mosaic and reports it; returns the gains to convert with.
BayerGains MeasureWhiteBalance(CDibImage& raw, int32_t phase, const FrameSettings& settings,
                               FrameFeedback& feedback) {
    BayerGains measured{phase, settings.redGain, settings.greenGain, settings.blueGain};
    const PixelKernel measure = raw.BitCount() == 16 ? MeasureWhiteBalance16 : MeasureWhiteBalance8;
    if (RunKernel(raw, measure, raw, nullptr, 0, 0, &measured) == 0) {
        return BayerGains{phase, settings.redGain, settings.greenGain, settings.blueGain};
    }
    measured.redGain = std::min(measured.redGain, kMaxMeasuredGain);
    measured.greenGain = std::min(measured.greenGain, kMaxMeasuredGain);
    measured.blueGain = std::min(measured.blueGain, kMaxMeasuredGain);
    feedback.bayerGainsChanged = true;
    feedback.redGain = measured.redGain;
    feedback.greenGain = measured.greenGain;
    feedback.blueGain = measured.blueGain;
    if (settings.bayerAutoOnceA != 0 && settings.bayerAutoOnceB != 0) {
        feedback.bayerAutoCleared = true;
    }
    return measured;
}

}  // namespace

int32_t EffectivePhase(int32_t bayerMode, bool verticalMirror, bool horizontalMirror) {
    int32_t phase = bayerMode;
    if (verticalMirror) phase ^= kRowFlag;
    if (horizontalMirror) phase ^= kColumnFlag;
    return phase;
}

bool ConvertColor(CDibImage& output, CDibImage& raw, const FrameSettings& settings,
                  FrameFeedback& feedback) {
    if (output.Bits() == nullptr || raw.Bits() == nullptr) return false;
    const int32_t phase = EffectivePhase(settings.bayerMode, settings.verticalMirror != 0,
                                         settings.horizontalMirror != 0);
    BayerGains gains{phase, settings.redGain, settings.greenGain, settings.blueGain};
    if (settings.bayerGainAuto != 0) gains = MeasureWhiteBalance(raw, phase, settings, feedback);
    const bool wide = raw.BitCount() == 16;
    RunKernel(output, wide ? Demosaic16 : Demosaic8, raw, nullptr, 0, 0, &gains);
    RunKernel(output, wide ? Demosaic16Edges : Demosaic8Edges, raw, nullptr, 0, 0, &gains);
    return true;
}

}  // namespace kelvra::processing

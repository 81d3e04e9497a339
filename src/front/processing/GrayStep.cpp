#include "front/processing/GrayStep.h"

#include "front/processing/ColourStep.h"
#include "front/processing/ImageSelection.h"
#include "imaging/ConversionKernels.h"
#include "imaging/GrayGainKernels.h"
#include "imaging/KernelRunner.h"
#include "imaging/MeasureKernels.h"

namespace kelvra::processing {

namespace {

constexpr int32_t kUnityGray = 128;
constexpr int32_t kBits8 = 8;
constexpr int32_t kBits12 = 12;

GrayGainOffset RecordOf(const FrameSettings& s, bool wide) {
    return GrayGainOffset{
        s.bayerMode,   s.grayGainR,    s.grayGainG1,   s.grayGainG2,  s.grayGainB,
        s.grayOffsetR, s.grayOffsetG1, s.grayOffsetG2, s.grayOffsetB, wide ? kBits12 : kBits8};
}

// The kernel is skipped at unity gains and offsets; the fourth offset is not looked at.
bool IsNeutral(const GrayGainOffset& r) {
    return r.gainR1 == kUnityGray && r.gainG1 == kUnityGray && r.gainG2 == kUnityGray &&
           r.gainB1 == kUnityGray && r.offsetR1 == kUnityGray && r.offsetG1 == kUnityGray &&
           r.offsetG2 == kUnityGray;
}

void MeasureGains(CDibImage& raw, bool wide, GrayGainOffset& record, FrameFeedback& feedback) {
    RunKernel(raw, wide ? MeasureGrayGains16 : MeasureGrayGains, raw, nullptr, 0, 0, &record);
    feedback.grayGainsChanged = true;
    feedback.grayGainR = record.gainR1;
    feedback.grayGainG1 = record.gainG1;
    feedback.grayGainG2 = record.gainG2;
    feedback.grayGainB = record.gainB1;
    feedback.autoGrayCounterDecrement = true;
}

void GainOffset(CDibImage& raw, bool wide, const FrameSettings& settings, FrameFeedback& feedback) {
    GrayGainOffset record = RecordOf(settings, wide);
    if (settings.autoGrayCounter != 0) MeasureGains(raw, wide, record, feedback);
    if (IsNeutral(record)) return;
    RunKernel(raw, wide ? GrayGainOffset16 : GrayGainOffset8, raw, nullptr, 0, 0, &record);
}

void ViaColour(const FrameImages& images, const FrameSettings& settings, FrameFeedback& feedback) {
    if (!HasPixels(images.raw8) || !HasPixels(images.out24)) return;
    if (!ConvertColor(*images.out24, *images.raw8, settings, feedback)) return;
    RunKernel(*images.raw8, BgrToGray8, *images.out24, nullptr, 0, 0, nullptr);
}

}  // namespace

void RunGrayStep(const FrameImages& images, const FrameSettings& settings,
                 FrameFeedback& feedback) {
    const int32_t mode = settings.colourMode;
    if (mode != kMono8 && mode != kMono16) return;
    CDibImage* raw = RawImageFor(images, mode);
    if (!HasPixels(raw)) return;
    if (settings.grayMode == kGrayGainOffset) {
        GainOffset(*raw, mode == kMono16, settings, feedback);
    } else if (settings.grayMode == kGrayViaColour && mode == kMono8) {
        ViaColour(images, settings, feedback);
    }
}

}  // namespace kelvra::processing

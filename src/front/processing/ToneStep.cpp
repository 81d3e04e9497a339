#include "front/processing/ToneStep.h"

#include <cstring>

#include "front/processing/ImageSelection.h"
#include "imaging/KernelRunner.h"
#include "imaging/SharpnessKernels.h"
#include "imaging/ToneKernels.h"

namespace kelvra::processing {

namespace {

// The kernels of one sample layout that do not fold into a table.
struct LayoutKernels {
    PixelKernel sharpness;
    PixelKernel brightness;
};

bool KernelsFor(int32_t colourMode, LayoutKernels& k) {
    switch (colourMode) {
        case kMono8:
            k = {SharpnessMono8, BrightnessMono8};
            return true;
        case kMono16:
            k = {SharpnessMono16, BrightnessMono16};
            return true;
        case kColour24:
        case kColour32:
            k = {SharpnessColour8, BrightnessColour8};
            return true;
        case kColour48:
        case kColour64:
            k = {SharpnessColour16, BrightnessColour16};
            return true;
        default:
            return false;
    }
}

void RunInPlace(CDibImage& image, PixelKernel kernel, int32_t value) {
    RunKernel(image, kernel, image, nullptr, 0, 0, &value);
}

// The scratch normally has the output's geometry (acquisition sizes both); it is only remade
// when it does not, so that the copy can never overrun it.
bool CopyToScratch(const CDibImage& output, CDibImage& scratch) {
    const bool same = scratch.Bits() != nullptr && scratch.Width() == output.Width() &&
                      scratch.Height() == output.Height() &&
                      scratch.BitCount() == output.BitCount();
    if (!same && scratch.CreateLike(&output) == 0) return false;
    std::memcpy(scratch.Bits(), output.Bits(), output.ImageBytes());
    return true;
}

}  // namespace

void ToneStep::Run(const FrameImages& images, const FrameSettings& settings) {
    LayoutKernels k{};
    if (!KernelsFor(settings.colourMode, k)) return;
    CDibImage* output = OutputImageFor(images, settings.colourMode);
    if (!HasPixels(output)) return;
    const bool sharpen = settings.sharpness != 0 && images.sharpenScratch != nullptr;
    // Brightness joins the table only when nothing lies between it and contrast.
    ToneCurve::Steps before{settings.gamma, settings.contrast, sharpen ? 0 : settings.brightness};
    if (before.gamma == tone::kNeutralGamma && before.contrast == 0 && before.brightness != 0) {
        // Brightness alone: its vectorised multiply is faster than a table of 16-bit samples.
        RunInPlace(*output, k.brightness, before.brightness);
    } else if (!(before == ToneCurve::Steps{})) {
        curve_.Prepare(IsWideMode(settings.colourMode), before);
        curve_.ApplyInPlace(*output);
    }
    if (!sharpen) return;
    if (CopyToScratch(*output, *images.sharpenScratch)) {
        int32_t value = settings.sharpness;
        RunKernel(*output, k.sharpness, *images.sharpenScratch, nullptr, 0, 0, &value);
    }
    if (settings.brightness != 0) RunInPlace(*output, k.brightness, settings.brightness);
}

}  // namespace kelvra::processing

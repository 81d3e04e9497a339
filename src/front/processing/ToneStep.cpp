#include "front/processing/ToneStep.h"

#include <cstring>

#include "front/processing/ImageSelection.h"
#include "imaging/KernelRunner.h"
#include "imaging/SharpnessKernels.h"
#include "imaging/ToneKernels.h"

namespace kelvra::processing {

namespace {

constexpr int32_t kNeutralGamma = 100;

// The four kernels of one sample layout.
struct ToneKernels {
    PixelKernel gamma;
    PixelKernel contrast;
    PixelKernel sharpness;
    PixelKernel brightness;
};

bool KernelsFor(int32_t colourMode, ToneKernels& k) {
    switch (colourMode) {
        case kMono8:
            k = {GammaMono8, ContrastMono8, SharpnessMono8, BrightnessMono8};
            return true;
        case kMono16:
            k = {GammaMono16, ContrastMono16, SharpnessMono16, BrightnessMono16};
            return true;
        case kColour24:
        case kColour32:
            k = {GammaColour8, ContrastColour8, SharpnessColour8, BrightnessColour8};
            return true;
        case kColour48:
        case kColour64:
            k = {GammaColour16, ContrastColour16, SharpnessColour16, BrightnessColour16};
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

void RunToneStep(const FrameImages& images, const FrameSettings& settings) {
    ToneKernels k{};
    if (!KernelsFor(settings.colourMode, k)) return;
    CDibImage* output = OutputImageFor(images, settings.colourMode);
    if (!HasPixels(output)) return;
    if (settings.gamma != kNeutralGamma) RunInPlace(*output, k.gamma, settings.gamma);
    if (settings.contrast != 0) RunInPlace(*output, k.contrast, settings.contrast);
    if (settings.sharpness != 0 && images.sharpenScratch != nullptr &&
        CopyToScratch(*output, *images.sharpenScratch)) {
        int32_t value = settings.sharpness;
        RunKernel(*output, k.sharpness, *images.sharpenScratch, nullptr, 0, 0, &value);
    }
    if (settings.brightness != 0) RunInPlace(*output, k.brightness, settings.brightness);
}

}  // namespace kelvra::processing

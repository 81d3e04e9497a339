#include "front/processing/HueStep.h"

#include "front/processing/ImageSelection.h"
#include "imaging/HueSaturationKernels.h"
#include "imaging/KernelRunner.h"

namespace kelvra::processing {

namespace {

// The record's two other words are filled as the kernels' callers always have; unread.
constexpr int32_t kHueReserved0 = 0;
constexpr int32_t kHueReserved1 = 16;

PixelKernel HueKernelFor(int32_t colourMode) {
    switch (colourMode) {
        case kColour24:
        case kColour32:
            return HueSaturation24;
        case kColour48:
            return HueSaturation48;
        case kColour64:
            return HueSaturation64;
        default:
            return nullptr;
    }
}

}  // namespace

void RunHueStep(const FrameImages& images, const FrameSettings& settings) {
    if (settings.hue == 0 && settings.saturation == 0) return;
    const PixelKernel kernel = HueKernelFor(settings.colourMode);
    CDibImage* output = OutputImageFor(images, settings.colourMode);
    if (kernel == nullptr || !HasPixels(output)) return;
    HueSaturation record{settings.hue, kHueReserved0, settings.saturation, kHueReserved1};
    RunKernel(*output, kernel, *output, nullptr, 0, 0, &record);
}

}  // namespace kelvra::processing

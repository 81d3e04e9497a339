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
// when it does not, so that nothing written to it can overrun it.
bool FitScratch(const CDibImage& output, CDibImage& scratch) {
    const bool same = scratch.Bits() != nullptr && scratch.Width() == output.Width() &&
                      scratch.Height() == output.Height() &&
                      scratch.BitCount() == output.BitCount();
    return same || scratch.CreateLike(&output) != 0;
}

// Sharpness leaves a border this wide as it is.
constexpr int32_t kSharpnessBorder = 2;

// The pixels sharpness does not write: whole rows near the top and bottom, a few columns at
// each side of the others.
void CopyBorder(const CDibImage& from, CDibImage& to) {
    const int32_t width = from.Width();
    const int32_t height = from.Height();
    const int32_t bpp = from.BytesPerPixel();
    const size_t side = static_cast<size_t>(kSharpnessBorder) * bpp;
    const bool narrow = width <= 2 * kSharpnessBorder;
    for (int32_t y = 0; y < height; ++y) {
        const uint8_t* s = from.Bits() + int64_t{y} * from.Stride();
        uint8_t* d = to.Bits() + int64_t{y} * to.Stride();
        if (narrow || y < kSharpnessBorder || y >= height - kSharpnessBorder) {
            std::memcpy(d, s, static_cast<size_t>(width) * bpp);
            continue;
        }
        std::memcpy(d, s, side);
        const size_t right = static_cast<size_t>(width - kSharpnessBorder) * bpp;
        std::memcpy(d + right, s + right, side);
    }
}

}  // namespace

void ToneStep::Run(const FrameImages& images, const FrameSettings& settings) {
    LayoutKernels k{};
    if (!KernelsFor(settings.colourMode, k)) return;
    CDibImage* output = OutputImageFor(images, settings.colourMode);
    if (!HasPixels(output)) return;
    const bool sharpen = settings.sharpness != 0 && images.sharpenScratch != nullptr;
    // Brightness joins the table only when nothing lies between it and contrast.
    const ToneCurve::Steps before{settings.gamma, settings.contrast,
                                  sharpen ? 0 : settings.brightness};
    // Brightness alone: its vectorised multiply is faster than a table of 16-bit samples.
    const bool brightnessAlone =
        before.gamma == tone::kNeutralGamma && before.contrast == 0 && before.brightness != 0;
    const bool table = !brightnessAlone && !(before == ToneCurve::Steps{});
    if (table) curve_.Prepare(IsWideMode(settings.colourMode), before);
    if (!sharpen) {
        if (brightnessAlone) RunInPlace(*output, k.brightness, before.brightness);
        if (table) curve_.ApplyInPlace(*output);
        return;
    }
    CDibImage& scratch = *images.sharpenScratch;
    if (FitScratch(*output, scratch)) {
        // The table's pass writes the copy that sharpness reads, instead of a pass in place and
        // a copy; the border sharpness leaves alone then comes from the copy.
        bool tabled = false;
        if (table) {
            tabled = curve_.ApplyTo(*output, scratch);
            if (!tabled) curve_.ApplyInPlace(*output);
        }
        if (!tabled) std::memcpy(scratch.Bits(), output->Bits(), output->ImageBytes());
        int32_t value = settings.sharpness;
        RunKernel(*output, k.sharpness, scratch, nullptr, 0, 0, &value);
        if (tabled) CopyBorder(scratch, *output);
    } else if (table) {
        curve_.ApplyInPlace(*output);  // no copy to sharpen from: the other steps still apply
    }
    if (settings.brightness != 0) RunInPlace(*output, k.brightness, settings.brightness);
}

}  // namespace kelvra::processing

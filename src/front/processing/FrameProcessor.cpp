#include "front/processing/FrameProcessor.h"

#include "front/processing/AutoIris.h"
#include "front/processing/ColourStep.h"
#include "front/processing/GrayStep.h"
#include "front/processing/HueStep.h"
#include "front/processing/ImageSelection.h"
#include "front/processing/ToneStep.h"

namespace kelvra::processing {

namespace {

bool IsColourMode(int32_t mode) {
    return mode >= kColour24 && mode <= kColour64;
}

}  // namespace

void FrameProcessor::CorrectWithMasks(CDibImage& raw, const FrameImages& images,
                                      const FrameSettings& settings) {
    const bool wide = raw.BitCount() == 16;
    if (settings.maskFilter != 0) {
        const OutputSize size = SubsampledSize(settings);
        const FlatFieldWindow window{size.width, size.height, settings.EHS, settings.EVS};
        const CDibImage* dark = wide ? images.darkRef16 : images.darkRef8;
        const CDibImage* white = wide ? images.whiteRef16 : images.whiteRef8;
        if (dark != nullptr && white != nullptr) {
            if (wide) {
                flatField_.Correct16(raw, *dark, *white, window);
            } else {
                flatField_.Correct8(raw, *dark, *white, window);
            }
        }
    }
    if (settings.dotFilter != 0) {
        const DotFilterImages dot =
            wide ? DotFilterImages{&raw, images.darkDefects16, images.whiteDefects16,
                                   images.dotMap16}
                 : DotFilterImages{&raw, images.darkDefects8, images.whiteDefects8, images.dotMap8};
        dotFilter_.Apply(dot, wide ? kDotThreshold16 : kDotThreshold8);
    }
}

// The device is asked only when a mirror flag is set: most frames need no call at all.
void FrameProcessor::MirrorInSoftware(CDibImage& raw, const FrameSettings& settings,
                                      CKelvraU3Q6Base& device) {
    const bool horizontal = settings.horizontalMirror != 0 && device.IsFlipSupported() == 0;
    const bool vertical = settings.verticalMirror != 0 && device.IsMirrorSupported() == 0;
    mirror_.Apply(raw, horizontal, vertical);
}

FrameFeedback FrameProcessor::ProcessFrame(const FrameImages& images, const FrameSettings& settings,
                                           CKelvraU3Q6Base& device,
                                           std::recursive_mutex& maskLock) {
    FrameFeedback feedback;
    CDibImage* raw = RawImageFor(images, settings.colourMode);
    if (!HasPixels(raw)) return feedback;
    RunAutoIris(settings.autoIrisMode, *raw, device, feedback);
    if (settings.maskFilter != 0 || settings.dotFilter != 0) {
        std::lock_guard<std::recursive_mutex> lock(maskLock);
        CorrectWithMasks(*raw, images, settings);
    }
    RunGrayStep(images, settings, feedback);
    MirrorInSoftware(*raw, settings, device);
    if (IsColourMode(settings.colourMode)) {
        CDibImage* output = OutputImageFor(images, settings.colourMode);
        if (HasPixels(output)) ConvertColor(*output, *raw, settings, feedback);
    }
    RunHueStep(images, settings);
    tone_.Run(images, settings);
    return feedback;
}

}  // namespace kelvra::processing

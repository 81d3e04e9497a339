// Per-frame processing: every step a raw frame passes through before it is shown, copied to the
// application or recorded.
#pragma once

#include <mutex>

#include "device/CKelvraU3Q6Base.h"
#include "front/processing/DotFilter.h"
#include "front/processing/FlatField.h"
#include "front/processing/FrameFeedback.h"
#include "front/processing/FrameImages.h"
#include "front/processing/FrameSettings.h"
#include "front/processing/SoftwareMirror.h"
#include "front/processing/ToneStep.h"

namespace kelvra::processing {

// Holds the buffers and tables the steps reuse from frame to frame (the flat-field reciprocals,
// the mirroring copy, the dot filter's list of marked pixels, the folded tone table). One per front
// object, used by one thread at a time: the one holding the frame lock.
class FrameProcessor {
  public:
    FrameProcessor() = default;
    FrameProcessor(const FrameProcessor&) = delete;
    FrameProcessor& operator=(const FrameProcessor&) = delete;

    // Runs the steps in order on the raw image of the colour mode, each only when its setting
    // asks for it: automatic exposure or gain; under `maskLock`, flat-field correction and the
    // dot filter; grey processing (modes 0, 1); software mirroring of what the device does not
    // mirror itself; colour conversion (modes 2-5); hue and saturation; gamma, contrast,
    // sharpness and brightness. Reaches the device only for automatic exposure or gain and to
    // ask which mirror directions it supports. Returns what the front must store back. Called on
    // the acquisition thread with the frame lock held; takes the mask lock after it.
    FrameFeedback ProcessFrame(const FrameImages& images, const FrameSettings& settings,
                               CKelvraU3Q6Base& device, std::recursive_mutex& maskLock);

  private:
    void CorrectWithMasks(CDibImage& raw, const FrameImages& images, const FrameSettings& settings);
    void MirrorInSoftware(CDibImage& raw, const FrameSettings& settings, CKelvraU3Q6Base& device);

    FlatField flatField_;
    DotFilter dotFilter_;
    SoftwareMirror mirror_;
    ToneStep tone_;
};

}  // namespace kelvra::processing

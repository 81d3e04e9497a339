// Gamma, contrast, sharpness and brightness of the output image.
#pragma once

#include "front/processing/FrameImages.h"
#include "front/processing/FrameSettings.h"
#include "imaging/ToneCurve.h"

namespace kelvra::processing {

// In this order, each only away from its neutral value: gamma (100), contrast (0), sharpness
// (0; the output is first copied into the scratch image, which the filter reads), brightness
// (0). The point steps on either side of sharpness are folded into one table, kept from frame
// to frame and built again only when a setting changes: gamma, contrast and brightness in one
// pass without sharpness; gamma and contrast, sharpness, then brightness with it. The sample
// layout follows the colour mode: 8-bit grey, 16-bit grey, 8 or 16 bits per colour channel;
// the target is the output image of the mode. One per frame processor.
class ToneStep {
  public:
    void Run(const FrameImages& images, const FrameSettings& settings);

  private:
    ToneCurve curve_;
};

}  // namespace kelvra::processing

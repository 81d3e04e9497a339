// Gamma, contrast, sharpness and brightness of the output image.
#pragma once

#include "front/processing/FrameImages.h"
#include "front/processing/FrameSettings.h"

namespace kelvra::processing {

// In this order, each only away from its neutral value: gamma (100), contrast (0), sharpness
// (0; the output is first copied into the scratch image, which the filter reads), brightness
// (0). The kernel family follows the colour mode: 8-bit grey, 16-bit grey, 8 or 16 bits per
// colour channel; the target is the output image of the mode.
void RunToneStep(const FrameImages& images, const FrameSettings& settings);

}  // namespace kelvra::processing

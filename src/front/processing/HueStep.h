// Hue and saturation of colour output.
#pragma once

#include "front/processing/FrameImages.h"
#include "front/processing/FrameSettings.h"

namespace kelvra::processing {

// Colour modes 2-5 only, unless hue and saturation are both 0: rotates the hue and scales the
// chroma of the output image in place (24/32-bit, 48-bit or 64-bit kernel).
void RunHueStep(const FrameImages& images, const FrameSettings& settings);

}  // namespace kelvra::processing

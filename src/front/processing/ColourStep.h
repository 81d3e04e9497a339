// Colour conversion of the raw mosaic, with automatic white balance.
#pragma once

#include <cstdint>

#include "front/processing/FrameFeedback.h"
#include "front/processing/FrameSettings.h"
#include "imaging/CDibImage.h"

namespace kelvra::processing {

// Mosaic phase of the frame as the device or the software mirrored it: a vertical flip swaps
// 0<->1 and 2<->3, then a horizontal flip swaps 0<->2 and 1<->3.
int32_t EffectivePhase(int32_t bayerMode, bool verticalMirror, bool horizontalMirror);

// Demosaics `raw` (8- or 16-bit mosaic) into `output` (colour of the matching sample width),
// interior then edges, with the effective phase and the colour gains. When automatic white
// balance is on, the gains are first measured on `raw`, limited to at most 400, used, and
// reported in `feedback`, together with the clearing of the flags when both once-flags are set.
// Returns false when either image is empty.
bool ConvertColor(CDibImage& output, CDibImage& raw, const FrameSettings& settings,
                  FrameFeedback& feedback);

}  // namespace kelvra::processing

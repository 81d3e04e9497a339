// Grey processing of monochrome output: per-position gain and offset, or grey through colour.
#pragma once

#include "front/processing/FrameFeedback.h"
#include "front/processing/FrameImages.h"
#include "front/processing/FrameSettings.h"

namespace kelvra::processing {

enum GrayMode : int32_t { kGrayOff = 0, kGrayGainOffset = 1, kGrayViaColour = 2 };

// Runs in colour modes 0 and 1 only, on the raw image of the mode.
// Grey mode 1: with a pending automatic balance (counter non-zero) the four gains are measured
// first and reported in `feedback` with one decrement of the counter; then the gain/offset
// kernel runs unless gains R, G1, G2, B and offsets R, G1, G2 are all 128. The offsets are
// handed to the kernel as they are.
// Grey mode 2 in mode 0: the frame is converted to colour in the 24-bit image and back to grey.
// In mode 1 grey mode 2 does nothing: the 24-bit image is not prepared in that mode, and
// converting a 12-bit frame through 8-bit colour would throw its depth away.
void RunGrayStep(const FrameImages& images, const FrameSettings& settings, FrameFeedback& feedback);

}  // namespace kelvra::processing

// Which of the frame images a colour mode reads and writes.
#pragma once

#include <cstdint>

#include "front/processing/FrameImages.h"

namespace kelvra::processing {

// The raw frame of the mode: 16-bit for modes 1, 4, 5, 8-bit otherwise. May be null.
CDibImage* RawImageFor(const FrameImages& images, int32_t colourMode);

// The image the mode delivers: the raw image itself for modes 0 and 1, else the 24-, 32-, 48- or
// 64-bit image. Null for an unknown mode.
CDibImage* OutputImageFor(const FrameImages& images, int32_t colourMode);

// True when the image exists and has pixels.
inline bool HasPixels(const CDibImage* image) {
    return image != nullptr && image->Bits() != nullptr;
}

}  // namespace kelvra::processing

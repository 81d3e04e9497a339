// Capture of a flat-field reference from the current raw frame.
#pragma once

#include <cstdint>
#include <mutex>

#include "front/processing/FrameImages.h"

namespace kelvra::processing {

// Copies the raw image of `colourMode` (16-bit for modes 1, 4, 5, else 8-bit) into the dark
// (which 0) or white (which 1) reference of its depth when it covers the whole sensor
// (1280 x 1024); a frame of another size (or none yet) is not copied, which is not a failure.
// Then rebuilds that reference's defect map. Returns 1, or 0 for another `which` or a missing
// reference or map. Called with the frame lock held; takes `maskLock` itself, because mask
// files are loaded under the mask lock alone and would otherwise race this copy.
int32_t CaptureMaskReference(const FrameImages& images, int32_t colourMode, int32_t which,
                             std::recursive_mutex& maskLock);

}  // namespace kelvra::processing

// The image buffers one frame's processing reads and writes, borrowed from the front object.
#pragma once

#include "imaging/CDibImage.h"

namespace kelvra::processing {

// Non-owning views of the front's images; the front keeps them alive and sized while it holds
// the frame lock. Any of them may be null; a step whose image is missing or empty is skipped.
struct FrameImages {
    // Frames as they arrive, by transfer depth.
    CDibImage* raw8 = nullptr;
    CDibImage* raw16 = nullptr;
    // Output images of 24, 32, 48 and 64 bits per pixel.
    CDibImage* out24 = nullptr;
    CDibImage* out32 = nullptr;
    CDibImage* out48 = nullptr;
    CDibImage* out64 = nullptr;
    // Copy of the output image that the sharpness filter reads.
    CDibImage* sharpenScratch = nullptr;
    // Whole-sensor flat-field references (guarded by the mask lock).
    CDibImage* darkRef8 = nullptr;
    CDibImage* whiteRef8 = nullptr;
    CDibImage* darkRef16 = nullptr;
    CDibImage* whiteRef16 = nullptr;
    // Defect maps derived from the references (guarded by the mask lock).
    CDibImage* darkDefects8 = nullptr;
    CDibImage* whiteDefects8 = nullptr;
    CDibImage* darkDefects16 = nullptr;
    CDibImage* whiteDefects16 = nullptr;
    // Maps of the pixels the dot filter marked in the last frame.
    CDibImage* dotMap8 = nullptr;
    CDibImage* dotMap16 = nullptr;
};

}  // namespace kelvra::processing

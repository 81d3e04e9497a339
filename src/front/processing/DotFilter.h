// Defect ("dot") filter: finds hot, dead and known-defective pixels of a raw frame and replaces
// each with the mean of its nearest good neighbours.
#pragma once

#include <cstdint>
#include <vector>

#include "front/processing/DotSweep.h"
#include "front/processing/KnownDefects.h"
#include "imaging/CDibImage.h"

namespace kelvra::processing {

inline constexpr int32_t kDotThreshold8 = 30;
inline constexpr int32_t kDotThreshold16 = 480;

// The images one run reads and writes; all of the frame's depth (8 or 16 bits).
struct DotFilterImages {
    CDibImage* frame;
    const CDibImage* darkDefects;   // defect map from the dark reference
    const CDibImage* whiteDefects;  // defect map from the white reference
    CDibImage* dotMap;              // receives the marks of this frame
};

// Keeps the list of marked pixels, the sweep buffers and the union of the defect maps between
// runs, so that a frame allocates nothing once they have grown to the largest frame seen. Few marks
// are corrected one by one from the list; many (a noisy frame) by two sweeps over the frame, with
// the same result. One object per acquisition thread; not thread-safe.
class DotFilter {
  public:
    // Clears the dot map, then marks every pixel of rows and columns 4 .. size - 5 that either
    // defect map marks (any non-zero entry) at the same row and column, or whose value differs
    // from the truncated mean of its four direct neighbours by at least `threshold`. Each marked
    // pixel then becomes the truncated mean of the nearest unmarked pixel in each of the four
    // directions (to the frame's edges), judged by the dot map as detection left it; with none
    // found it stays. The frame size is clipped to the maps. Returns the number of marked
    // pixels, or -1 (nothing touched) when an image is missing or of another depth.
    int64_t Apply(const DotFilterImages& images, int32_t threshold);

  private:
    std::vector<uint32_t> marked_;  // (row << 16) | column of each marked pixel
    dot::SweepBuffers sweep_;
    KnownDefects known_;
};

}  // namespace kelvra::processing

// Mirroring of a raw frame in software, for the directions the device cannot mirror itself.
#pragma once

#include <cstdint>
#include <vector>

#include "imaging/CDibImage.h"

namespace kelvra::processing {

// Works in place through one spare row, kept between frames, so a frame allocates nothing once
// the row has reached the frame's width. One object per acquisition thread; not thread-safe.
class SoftwareMirror {
  public:
    // Reverses every row (horizontal), the row order (vertical) or both (a rotation by 180
    // degrees) of an 8- or 16-bit image; pixels are bytes or 16-bit words. Returns false, image
    // untouched, when neither is asked for or the image is empty or of another depth.
    bool Apply(CDibImage& image, bool horizontal, bool vertical);

  private:
    std::vector<uint8_t> spare_;
};

}  // namespace kelvra::processing

// Flat-field correction of a raw frame against dark and white whole-sensor references.
#pragma once

#include <cstdint>

#include "front/processing/SpanReciprocals.h"
#include "imaging/CDibImage.h"

namespace kelvra::processing {

// The part of the frame to correct and where it lies on the sensor: frame pixel (x, y) meets
// reference pixel (refX + x, refY + y).
struct FlatFieldWindow {
    int32_t width;
    int32_t height;
    int32_t refX;
    int32_t refY;
};

// Keeps the reciprocals of the references' spans from frame to frame (built again when a
// reference changes), so that a frame is corrected without a division. One per frame
// processor; used under the mask lock, which also guards the references.
class FlatField {
  public:
    // 8-bit frame: where W != D, P = clamp(((P - D) * 256) / (W - D), 0, 255) with the division
    // truncating toward zero; where W == D, P stays. The window is clipped to the frame and to
    // both references, so no buffer is read or written outside. Returns false (frame untouched)
    // when an image is missing, of the wrong depth, or nothing is left of the window.
    bool Correct8(CDibImage& raw, const CDibImage& dark, const CDibImage& white,
                  const FlatFieldWindow& window);

    // 16-bit frame (12-bit samples): where D < W, P = clamp(((P - D) * 4096) / (W - D), 0,
    // 4095), still a 12-bit sample; elsewhere P stays. Clipping and result as Correct8.
    bool Correct16(CDibImage& raw, const CDibImage& dark, const CDibImage& white,
                   const FlatFieldWindow& window);

  private:
    SpanReciprocals spans8_;
    SpanReciprocals spans16_;
};

}  // namespace kelvra::processing

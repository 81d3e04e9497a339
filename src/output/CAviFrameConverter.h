// Turns the front's output image into the 24-bit bottom-up frame the AVI writer records.
#pragma once

#include <cstdint>

#include "imaging/CDibImage.h"

namespace kelvra {

// Holds the work image, so that converting a frame allocates nothing. Not thread-safe: the
// recording thread uses it under the frame lock.
class CAviFrameConverter {
  public:
    CAviFrameConverter() = default;
    CAviFrameConverter(const CAviFrameConverter&) = delete;
    CAviFrameConverter& operator=(const CAviFrameConverter&) = delete;

    int Prepare(int32_t width, int32_t height, int32_t bitCount);
    const uint8_t* Convert(const CDibImage& image);

    // Bytes of the converted frame (the AVI frame size for the prepared width and height).
    uint32_t FrameSize() const { return static_cast<uint32_t>(frame_.ImageBytes()); }

  private:
    void ExpandGrey8(const CDibImage& image);
    void ExpandGrey16(const CDibImage& image);
    void Reduce48(const CDibImage& image);

    CDibImage frame_;  // 24 bits, rows bottom-up
    int32_t bitCount_ = 0;
};

}  // namespace kelvra

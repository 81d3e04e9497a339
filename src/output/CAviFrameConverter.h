// Turns the front's output image into the 24-bit bottom-up frame the AVI writer records.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "imaging/CDibImage.h"

namespace kelvra {

// Holds the frames it converts into (one, or a few that a writer thread empties while the next
// is filled), so that converting a frame allocates nothing. Not thread-safe: Prepare and
// Convert belong to one thread; a frame converted earlier may be read by another thread while
// a different frame is converted.
class CAviFrameConverter {
  public:
    CAviFrameConverter() = default;
    CAviFrameConverter(const CAviFrameConverter&) = delete;
    CAviFrameConverter& operator=(const CAviFrameConverter&) = delete;

    int Prepare(int32_t width, int32_t height, int32_t bitCount, int32_t frames = 1);
    const uint8_t* Convert(const CDibImage& image, int32_t frame = 0);
    const uint8_t* Frame(int32_t frame) const;

    // Bytes of the converted frame (the AVI frame size for the prepared width and height).
    uint32_t FrameSize() const;

  private:
    void ExpandGrey8(const CDibImage& image, CDibImage& out);
    void ExpandGrey16(const CDibImage& image, CDibImage& out);
    void Reduce48(const CDibImage& image, CDibImage& out) const;

    std::vector<std::unique_ptr<CDibImage>> frames_;  // 24 bits, rows bottom-up
    std::vector<uint8_t> greyRow_;                    // one reduced 16-bit row
    int32_t bitCount_ = 0;
};

}  // namespace kelvra

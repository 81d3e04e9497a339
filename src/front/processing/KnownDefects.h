// The union of the two defect maps as one byte per pixel, for the dot filter.
#pragma once

#include <cstdint>
#include <vector>

#include "imaging/CDibImage.h"

namespace kelvra::processing {

// A pixel is a known defect when the defect map of the dark or of the white reference marks it.
// The plane is made again only when a map changes (its change stamp) or other maps are given, so
// that a frame reads one byte per pixel instead of two maps of its own depth.
class KnownDefects {
  public:
    // Brings the plane up to date for two maps of one depth (8 or 16 bits) and returns it,
    // covering the maps' common size with rows of Stride() bytes; null when no memory could be
    // had for it (the caller then reads the maps).
    const uint8_t* Update(const CDibImage& dark, const CDibImage& white);
    int64_t Stride() const { return width_; }

  private:
    template <class T>
    void Build(const CDibImage& dark, const CDibImage& white);

    std::vector<uint8_t> plane_;
    int32_t width_ = 0;
    const CDibImage* dark_ = nullptr;
    const CDibImage* white_ = nullptr;
    uint64_t darkStamp_ = 0;
    uint64_t whiteStamp_ = 0;
    bool usable_ = false;
};

}  // namespace kelvra::processing

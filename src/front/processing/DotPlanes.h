// Row access to the images of one dot-filter run (internal to the dot filter).
#pragma once

#include <cstdint>

namespace kelvra::processing::dot {

// Pixels this close to an edge are never examined.
inline constexpr int32_t kMargin = 4;

// Geometry of one run: the frame size clipped to the maps, and each image's row start. T is
// the sample type of the frame and the maps (uint8_t or uint16_t).
template <class T>
struct Planes {
    int32_t width;
    int32_t height;
    uint8_t* frame;
    int64_t frameStride;
    const uint8_t* dark;
    int64_t darkStride;
    const uint8_t* white;
    int64_t whiteStride;
    uint8_t* dot;
    int64_t dotStride;
    int32_t dotWidth;
    int32_t dotHeight;

    T* Frame(int32_t y) const { return reinterpret_cast<T*>(frame + y * frameStride); }
    const T* Dark(int32_t y) const { return reinterpret_cast<const T*>(dark + y * darkStride); }
    const T* White(int32_t y) const { return reinterpret_cast<const T*>(white + y * whiteStride); }
    T* Dot(int32_t y) const { return reinterpret_cast<T*>(dot + y * dotStride); }
};

}  // namespace kelvra::processing::dot

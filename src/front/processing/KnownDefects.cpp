#include "front/processing/KnownDefects.h"

#include <algorithm>
#include <new>

namespace kelvra::processing {

template <class T>
void KnownDefects::Build(const CDibImage& dark, const CDibImage& white) {
    const int32_t width = std::min(dark.Width(), white.Width());
    const int32_t height = std::min(dark.Height(), white.Height());
    // Grown once to the maps' size; later rebuilds reuse the memory.
    plane_.resize(static_cast<size_t>(width) * static_cast<size_t>(height));
    width_ = width;
    for (int32_t y = 0; y < height; ++y) {
        const auto* d = reinterpret_cast<const T*>(dark.Bits() + int64_t{y} * dark.Stride());
        const auto* w = reinterpret_cast<const T*>(white.Bits() + int64_t{y} * white.Stride());
        uint8_t* out = plane_.data() + static_cast<size_t>(y) * static_cast<size_t>(width);
        for (int32_t x = 0; x < width; ++x) out[x] = (d[x] | w[x]) != 0;
    }
}

const uint8_t* KnownDefects::Update(const CDibImage& dark, const CDibImage& white) {
    const bool same = &dark == dark_ && &white == white_ && dark.ChangeStamp() == darkStamp_ &&
                      white.ChangeStamp() == whiteStamp_;
    if (!same) {
        try {
            if (dark.BitCount() == 16) {
                Build<uint16_t>(dark, white);
            } else {
                Build<uint8_t>(dark, white);
            }
            usable_ = true;
        } catch (const std::bad_alloc&) {
            usable_ = false;
        }
        dark_ = &dark;
        white_ = &white;
        darkStamp_ = dark.ChangeStamp();
        whiteStamp_ = white.ChangeStamp();
    }
    return usable_ ? plane_.data() : nullptr;
}

}  // namespace kelvra::processing

#include "front/processing/SpanReciprocals.h"

#include <algorithm>
#include <bit>
#include <new>

namespace kelvra::processing {

namespace {

constexpr int kScaledBits = 15;
constexpr uint32_t kMaxSpan = 4095;  // 12-bit spans; wider ones make the scaled numerator overflow

template <typename T>
uint32_t Sample(const CDibImage& image, int32_t x, int32_t y) {
    const uint8_t* row = image.Bits() + int64_t{y} * image.Stride();
    return reinterpret_cast<const T*>(row)[x];
}

}  // namespace

template <int Bits>
bool SpanReciprocals::Build(const CDibImage& dark, const CDibImage& white) {
    using T = std::conditional_t<Bits == 8, uint8_t, uint16_t>;
    const int32_t width = std::min(dark.Width(), white.Width());
    const int32_t height = std::min(dark.Height(), white.Height());
    const size_t pixels = static_cast<size_t>(width) * static_cast<size_t>(height);
    // Grown once to the references' size; later rebuilds reuse the memory.
    scale_.resize(pixels);
    reciprocal_.resize(pixels);
    width_ = width;
    for (int32_t y = 0; y < height; ++y) {
        for (int32_t x = 0; x < width; ++x) {
            const uint32_t d = Sample<T>(dark, x, y);
            const uint32_t w = Sample<T>(white, x, y);
            uint32_t s = 0;
            if constexpr (Bits == 8) {
                s = w > d ? w - d : d - w;
            } else {
                s = w > d ? w - d : 0;
            }
            if (s > kMaxSpan) return false;
            uint32_t scale = 1;
            uint32_t reciprocal = 0;
            if (s != 0) {
                scale = 1u << (kScaledBits - std::bit_width(s));
                reciprocal = (1u << (16 + Bits)) / (s * scale);
            }
            scale_[Index(x, y)] = static_cast<uint16_t>(scale);
            reciprocal_[Index(x, y)] = static_cast<uint16_t>(reciprocal);
        }
    }
    return true;
}

template <int Bits>
bool SpanReciprocals::Update(const CDibImage& dark, const CDibImage& white) {
    if (&dark == dark_ && &white == white_ && dark.ChangeStamp() == darkStamp_ &&
        white.ChangeStamp() == whiteStamp_) {
        return usable_;
    }
    try {
        usable_ = Build<Bits>(dark, white);
    } catch (const std::bad_alloc&) {
        usable_ = false;
    }
    dark_ = &dark;
    white_ = &white;
    darkStamp_ = dark.ChangeStamp();
    whiteStamp_ = white.ChangeStamp();
    return usable_;
}

template bool SpanReciprocals::Update<8>(const CDibImage&, const CDibImage&);
template bool SpanReciprocals::Update<12>(const CDibImage&, const CDibImage&);

}  // namespace kelvra::processing

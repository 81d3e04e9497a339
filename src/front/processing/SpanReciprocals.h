// What dividing by the flat-field span takes, worked out once per reference pixel.
#pragma once

#include <cstdint>
#include <vector>

#include "front/processing/SimdDispatch.h"
#include "imaging/CDibImage.h"

namespace kelvra::processing {

// trunc(2^Bits * a / s) for 0 <= a <= s < 2^12, exactly, from the span's scale (2^(15 - bit
// width of s), which brings s to 15 bits) and reciprocal (2^(16 + Bits) / (s * scale), 16 bits):
// a multiply-high gives the quotient or one less, and the remainder, exact modulo 2^16 because
// it is below 2 s, says which. All in 16-bit lanes, so a vector register holds 16 pixels.
template <int Bits>
KELVRA_PROCESSING_INLINE uint16_t ScaledQuotient(uint16_t a, uint16_t s, uint16_t scale,
                                                 uint16_t reciprocal) {
    const auto scaled = static_cast<uint16_t>(a * scale);
    auto q = static_cast<uint16_t>((uint32_t{scaled} * reciprocal) >> 16);
    const auto remainder =
        static_cast<uint16_t>(static_cast<uint16_t>(a << Bits) - static_cast<uint16_t>(q * s));
    return static_cast<uint16_t>(q + (remainder >= s));
}

// The scale and reciprocal of s = |W - D| (8-bit references, Bits 8) or of s = W - D where W > D
// (16-bit references, Bits 12) for every pixel of a pair of flat-field references. Made again
// only when a reference changes (its change stamp) or another pair is given, so that a frame
// needs no division. Pixels without a span (W == D, or W <= D at 16 bits) get scale 1 and
// reciprocal 0; the correction keeps them as they are.
class SpanReciprocals {
  public:
    // Brings the tables up to date for `dark` and `white`. False when they cannot be used: a
    // 16-bit span wider than 12 bits (references from another sensor's mask file) or no memory;
    // the caller then divides.
    template <int Bits>
    bool Update(const CDibImage& dark, const CDibImage& white);

    // Tables from reference pixel (x, y) on; (x, y) within both references.
    const uint16_t* Scales(int32_t x, int32_t y) const { return &scale_[Index(x, y)]; }
    const uint16_t* Reciprocals(int32_t x, int32_t y) const { return &reciprocal_[Index(x, y)]; }

  private:
    size_t Index(int32_t x, int32_t y) const {
        return static_cast<size_t>(y) * static_cast<size_t>(width_) + static_cast<size_t>(x);
    }
    template <int Bits>
    bool Build(const CDibImage& dark, const CDibImage& white);

    std::vector<uint16_t> scale_;
    std::vector<uint16_t> reciprocal_;
    int32_t width_ = 0;
    const CDibImage* dark_ = nullptr;
    const CDibImage* white_ = nullptr;
    uint64_t darkStamp_ = 0;
    uint64_t whiteStamp_ = 0;
    bool usable_ = false;
};

}  // namespace kelvra::processing

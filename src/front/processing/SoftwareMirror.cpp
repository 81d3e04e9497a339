#include "front/processing/SoftwareMirror.h"

#include <cstring>

#include "front/processing/SimdDispatch.h"

namespace kelvra::processing {

namespace {

template <class T>
KELVRA_PROCESSING_INLINE void ReverseBody(T* dst, const T* src, int32_t n) {
    for (int32_t j = 0; j < n; ++j) dst[j] = src[n - 1 - j];
}

template <class T>
void ReverseBaseline(T* dst, const T* src, int32_t n) {
    ReverseBody(dst, src, n);
}

template <class T>
KELVRA_PROCESSING_AVX2 void ReverseAvx2(T* dst, const T* src, int32_t n) {
    ReverseBody(dst, src, n);
}

// Rows y and (height - 1 - y) trade places (vertical), each reversed or not (horizontal),
// through one row of scratch: no copy of the frame is needed.
template <class T>
void MirrorInPlace(CDibImage& image, uint8_t* spare, bool horizontal, bool vertical) {
    const auto reverse = UseAvx2() ? &ReverseAvx2<T> : &ReverseBaseline<T>;
    const int32_t width = image.Width();
    const size_t rowBytes = static_cast<size_t>(width) * sizeof(T);
    const auto row = [&](int32_t y) {
        return reinterpret_cast<T*>(image.Bits() + int64_t{y} * image.Stride());
    };
    const auto* saved = reinterpret_cast<const T*>(spare);
    const auto reverseInPlace = [&](int32_t y) {
        std::memcpy(spare, row(y), rowBytes);
        reverse(row(y), saved, width);
    };
    for (int32_t top = 0, bottom = image.Height() - 1; top <= bottom; ++top, --bottom) {
        if (vertical && top != bottom) {
            std::memcpy(spare, row(top), rowBytes);
            if (horizontal) {
                reverse(row(top), row(bottom), width);
                reverse(row(bottom), saved, width);
            } else {
                std::memcpy(row(top), row(bottom), rowBytes);
                std::memcpy(row(bottom), spare, rowBytes);
            }
        } else if (horizontal) {
            // Rows that keep their place: every row, or the middle one.
            reverseInPlace(top);
            if (top != bottom) reverseInPlace(bottom);
        }
    }
}

}  // namespace

bool SoftwareMirror::Apply(CDibImage& image, bool horizontal, bool vertical) {
    if (!horizontal && !vertical) return false;
    if (image.Bits() == nullptr) return false;
    const uint16_t bits = image.BitCount();
    if (bits != 8 && bits != 16) return false;
    // Grows only; a narrower frame reuses the longer row.
    const size_t rowBytes = static_cast<size_t>(image.Width()) * (bits / 8);
    if (spare_.size() < rowBytes) spare_.resize(rowBytes);
    if (bits == 8) {
        MirrorInPlace<uint8_t>(image, spare_.data(), horizontal, vertical);
    } else {
        MirrorInPlace<uint16_t>(image, spare_.data(), horizontal, vertical);
    }
    return true;
}

}  // namespace kelvra::processing

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

// Writes the copy back into the image: source row y or (height - 1 - y), reversed or not.
template <class T>
void WriteBack(CDibImage& image, const uint8_t* copy, bool horizontal, bool vertical) {
    const auto reverse = UseAvx2() ? &ReverseAvx2<T> : &ReverseBaseline<T>;
    const int32_t h = image.Height();
    const int64_t stride = image.Stride();
    const size_t rowBytes = static_cast<size_t>(image.Width()) * sizeof(T);
    for (int32_t y = 0; y < h; ++y) {
        const int32_t from = vertical ? h - 1 - y : y;
        uint8_t* dst = image.Bits() + y * stride;
        const uint8_t* src = copy + from * stride;
        if (horizontal) {
            reverse(reinterpret_cast<T*>(dst), reinterpret_cast<const T*>(src), image.Width());
        } else {
            std::memcpy(dst, src, rowBytes);
        }
    }
}

}  // namespace

bool SoftwareMirror::Apply(CDibImage& image, bool horizontal, bool vertical) {
    if (!horizontal && !vertical) return false;
    if (image.Bits() == nullptr) return false;
    const uint16_t bits = image.BitCount();
    if (bits != 8 && bits != 16) return false;
    // Grows only; a smaller frame reuses the larger copy.
    if (copy_.size() < image.ImageBytes()) copy_.resize(image.ImageBytes());
    std::memcpy(copy_.data(), image.Bits(), image.ImageBytes());
    if (bits == 8) {
        WriteBack<uint8_t>(image, copy_.data(), horizontal, vertical);
    } else {
        WriteBack<uint16_t>(image, copy_.data(), horizontal, vertical);
    }
    return true;
}

}  // namespace kelvra::processing

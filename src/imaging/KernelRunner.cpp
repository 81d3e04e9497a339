#include "imaging/KernelRunner.h"

#include <algorithm>

namespace kelvra {

namespace {

// 64-bit rectangle so that moving and shrinking int32 rectangles cannot overflow.
struct Box {
    int64_t left;
    int64_t top;
    int64_t right;
    int64_t bottom;
};

Box Intersect(const Box& b, int64_t width, int64_t height) {
    return Box{std::max<int64_t>(b.left, 0), std::max<int64_t>(b.top, 0),
               std::min<int64_t>(b.right, width), std::min<int64_t>(b.bottom, height)};
}

bool IsEmpty(const Box& b) {
    return b.right <= b.left || b.bottom <= b.top;
}

bool IsInside(const Rect& r, Size32 size) {
    return r.left >= 0 && r.top >= 0 && r.right <= size.width && r.bottom <= size.height &&
           r.left < r.right && r.top < r.bottom;
}

Size32 SizeOf(const CDibImage& image) {
    return Size32{image.Width(), image.Height()};
}

}  // namespace

bool ClipKernelRegion(Size32 dstSize, Size32 srcSize, Rect& region, int32_t& dstX, int32_t& dstY) {
    const Box src{region.left, region.top, region.right, region.bottom};
    const Box dst{dstX, dstY, dstX + (src.right - src.left), dstY + (src.bottom - src.top)};
    Box clippedDst = Intersect(dst, dstSize.width, dstSize.height);
    // Shrink the source by what the destination lost, then clip it to its own image and give
    // the destination back the same cut, so that both rectangles keep one size.
    const Box shrunk{src.left + (clippedDst.left - dst.left), src.top + (clippedDst.top - dst.top),
                     src.right - (dst.right - clippedDst.right),
                     src.bottom - (dst.bottom - clippedDst.bottom)};
    const Box clippedSrc = Intersect(shrunk, srcSize.width, srcSize.height);
    clippedDst.left += clippedSrc.left - shrunk.left;
    clippedDst.top += clippedSrc.top - shrunk.top;
    clippedDst.right -= shrunk.right - clippedSrc.right;
    clippedDst.bottom -= shrunk.bottom - clippedSrc.bottom;
    if (IsEmpty(src) || IsEmpty(clippedSrc) || IsEmpty(clippedDst)) {
        region = Rect{0, 0, 0, 0};
        dstX = 0;
        dstY = 0;
        return false;
    }
    dstX = static_cast<int32_t>(clippedDst.left);
    dstY = static_cast<int32_t>(dstSize.height - clippedDst.bottom);
    region = Rect{static_cast<int32_t>(clippedSrc.left),
                  static_cast<int32_t>(srcSize.height - clippedSrc.bottom),
                  static_cast<int32_t>(clippedSrc.right),
                  static_cast<int32_t>(srcSize.height - clippedSrc.top)};
    return true;
}

int RunKernel(CDibImage& dst, PixelKernel kernel, const CDibImage& src, const Rect* srcRect,
              int32_t dstX, int32_t dstY, void* param) {
    Rect region = srcRect != nullptr ? *srcRect : Rect{0, 0, src.Width(), src.Height()};
    if (kernel == nullptr || dst.Bits() == nullptr || src.Bits() == nullptr) return 0;
    if (!ClipKernelRegion(SizeOf(dst), SizeOf(src), region, dstX, dstY)) return 0;
    return kernel(dst.Bits(), src.Bits(), region, dstX, dstY, dst.BytesPerPixel(),
                  src.BytesPerPixel(), dst.Stride(), src.Stride(), param);
}

int RunScaleKernel(CDibImage& dst, ScaleKernel kernel, const CDibImage& src, const Rect* srcRect,
                   const Rect* dstRect, void* param) {
    if (kernel == nullptr || dst.Bits() == nullptr || src.Bits() == nullptr) return 0;
    const Rect srcArea = srcRect != nullptr ? *srcRect : Rect{0, 0, src.Width(), src.Height()};
    const Rect dstArea = dstRect != nullptr ? *dstRect : Rect{0, 0, dst.Width(), dst.Height()};
    if (!IsInside(srcArea, SizeOf(src)) || !IsInside(dstArea, SizeOf(dst))) return 0;
    return kernel(dst.Bits(), src.Bits(), dstArea, srcArea, SizeOf(dst), SizeOf(src),
                  dst.BytesPerPixel(), src.BytesPerPixel(), dst.Stride(), src.Stride(), param);
}

}  // namespace kelvra

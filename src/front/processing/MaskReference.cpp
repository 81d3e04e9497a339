#include "front/processing/MaskReference.h"

#include <cstring>

#include "front/processing/DefectMaps.h"
#include "front/processing/FrameSettings.h"

namespace kelvra::processing {

namespace {

constexpr int32_t kSensorWidth = 1280;
constexpr int32_t kSensorHeight = 1024;

CDibImage* ReferenceOf(const FrameImages& im, bool wide, int32_t which) {
    if (wide) return which == kDarkMask ? im.darkRef16 : im.whiteRef16;
    return which == kDarkMask ? im.darkRef8 : im.whiteRef8;
}

bool CoversSensor(const CDibImage& image) {
    return image.Width() == kSensorWidth && image.Height() == kSensorHeight;
}

// Row by row, since the two images need not share a stride.
bool CopyImage(const CDibImage& from, CDibImage& to) {
    if (to.Bits() == nullptr || to.BitCount() != from.BitCount() || !CoversSensor(to)) {
        return false;
    }
    const size_t rowBytes = static_cast<size_t>(from.Width()) * from.BytesPerPixel();
    for (int32_t y = 0; y < from.Height(); ++y) {
        std::memcpy(to.Bits() + int64_t{y} * to.Stride(), from.Bits() + int64_t{y} * from.Stride(),
                    rowBytes);
    }
    return true;
}

}  // namespace

int32_t CaptureMaskReference(const FrameImages& images, int32_t colourMode, int32_t which,
                             std::recursive_mutex& maskLock) {
    if (which != kDarkMask && which != kWhiteMask) return 0;
    const bool wide = IsWideMode(colourMode);
    const CDibImage* raw = wide ? images.raw16 : images.raw8;
    std::lock_guard<std::recursive_mutex> lock(maskLock);
    if (raw != nullptr && raw->Bits() != nullptr && CoversSensor(*raw)) {
        CDibImage* reference = ReferenceOf(images, wide, which);
        if (reference == nullptr || !CopyImage(*raw, *reference)) return 0;
        reference->MarkChanged();
    }
    return RebuildDefectMaps(images, wide ? 1 : 0, which);
}

}  // namespace kelvra::processing

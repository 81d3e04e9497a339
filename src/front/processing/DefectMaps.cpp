#include "front/processing/DefectMaps.h"

#include <algorithm>

namespace kelvra::processing {

namespace {

// The maps cover the whole sensor; a border of this many pixels is never rebuilt.
constexpr int32_t kSensorWidth = 1280;
constexpr int32_t kSensorHeight = 1024;
constexpr int32_t kBorder = 2;

constexpr int32_t kHotDark8 = 192;
constexpr int32_t kHotDark16 = 3072;
constexpr int32_t kDeadWhite8 = 64;
constexpr int32_t kDeadWhite16 = 1024;

struct Source {
    CDibImage* reference;
    CDibImage* map;
};

Source SourceOf(const FrameImages& im, bool wide, bool white) {
    if (wide)
        return white ? Source{im.whiteRef16, im.whiteDefects16}
                     : Source{im.darkRef16, im.darkDefects16};
    return white ? Source{im.whiteRef8, im.whiteDefects8} : Source{im.darkRef8, im.darkDefects8};
}

bool Usable(const CDibImage* image, uint16_t bitCount) {
    return image != nullptr && image->Bits() != nullptr && image->BitCount() == bitCount;
}

// Marks with 1 the pixels that `defective` picks, 0 the others.
template <class T, class Pick>
void Rebuild(const CDibImage& reference, CDibImage& map, Pick defective) {
    const int32_t x1 = std::min({kSensorWidth, reference.Width(), map.Width()}) - kBorder;
    const int32_t y1 = std::min({kSensorHeight, reference.Height(), map.Height()}) - kBorder;
    for (int32_t y = kBorder; y < y1; ++y) {
        const auto* src =
            reinterpret_cast<const T*>(reference.Bits() + int64_t{y} * reference.Stride());
        auto* dst = reinterpret_cast<T*>(map.Bits() + int64_t{y} * map.Stride());
        for (int32_t x = kBorder; x < x1; ++x) dst[x] = static_cast<T>(defective(src[x]));
    }
}

}  // namespace

int32_t RebuildDefectMaps(const FrameImages& images, int32_t depth16, int32_t which) {
    if ((depth16 != 0 && depth16 != 1) || (which != kDarkMask && which != kWhiteMask)) return 0;
    const bool wide = depth16 == 1;
    const bool white = which == kWhiteMask;
    const Source s = SourceOf(images, wide, white);
    if (s.reference != nullptr) s.reference->MarkChanged();
    const uint16_t bits = wide ? 16 : 8;
    if (!Usable(s.reference, bits) || !Usable(s.map, bits)) return 0;
    s.map->MarkChanged();
    if (wide) {
        if (white) {
            Rebuild<uint16_t>(*s.reference, *s.map, [](int32_t v) { return v < kDeadWhite16; });
        } else {
            Rebuild<uint16_t>(*s.reference, *s.map, [](int32_t v) { return v > kHotDark16; });
        }
    } else if (white) {
        Rebuild<uint8_t>(*s.reference, *s.map, [](int32_t v) { return v < kDeadWhite8; });
    } else {
        Rebuild<uint8_t>(*s.reference, *s.map, [](int32_t v) { return v > kHotDark8; });
    }
    return 1;
}

}  // namespace kelvra::processing

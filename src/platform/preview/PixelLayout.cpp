#include "platform/preview/PixelLayout.h"

#include <bit>
#include <cstring>

namespace kelvra::platform::preview {

namespace {

constexpr unsigned long kChannelMask = 0xff;
constexpr int kMaxShift = 24;  // the highest channel still fits a 32-bit pixel value

// The shift of an 8-bit channel mask, or -1 when the mask is not eight contiguous bits.
int ShiftOf(unsigned long mask) {
    for (int shift = 0; shift <= kMaxShift; ++shift) {
        if (mask == (kChannelMask << shift)) return shift;
    }
    return -1;
}

template <int Bytes, bool MsbFirst>
inline void Store(uint32_t pixel, uint8_t* out) {
    // The usual case (32-bit pixels in the host's order) as one word store, which the compiler
    // vectorises; byte by byte it does not.
    if constexpr (Bytes == 4 && MsbFirst == (std::endian::native == std::endian::big)) {
        std::memcpy(out, &pixel, sizeof pixel);
        return;
    }
    for (int i = 0; i < Bytes; ++i) {
        const int byte = MsbFirst ? Bytes - 1 - i : i;
        out[i] = static_cast<uint8_t>(pixel >> (8 * byte));
    }
}

// One row loop per storage form, chosen before the loop; `pixelOf` reads source pixel i.
template <int Bytes, bool MsbFirst, typename PixelOf>
void PackRow(uint8_t* out, int count, PixelOf pixelOf) {
    for (int i = 0; i < count; ++i) Store<Bytes, MsbFirst>(pixelOf(i), out + i * Bytes);
}

template <typename PixelOf>
void PackRowAs(const PixelLayout& layout, uint8_t* out, int count, PixelOf pixelOf) {
    if (layout.bytesPerPixel == 4) {
        layout.msbFirst ? PackRow<4, true>(out, count, pixelOf)
                        : PackRow<4, false>(out, count, pixelOf);
    } else {
        layout.msbFirst ? PackRow<3, true>(out, count, pixelOf)
                        : PackRow<3, false>(out, count, pixelOf);
    }
}

// The common server format (blue, green, red, unused in memory, on a little-endian host) is
// the source with a fourth byte: word copies, much faster than the general shifts above.
void PackBgrToBgrx(const uint8_t* bgr, uint8_t* out, int count) {
    constexpr uint32_t kLowThreeBytes = 0x00ffffff;
    // Every pixel but the last is read as a word; the last one's fourth byte is past the row.
    int i = 0;
    for (; i + 1 < count; ++i) {
        uint32_t word;
        std::memcpy(&word, bgr + 3 * i, sizeof word);
        word &= kLowThreeBytes;
        std::memcpy(out + 4 * i, &word, sizeof word);
    }
    for (; i < count; ++i) {
        out[4 * i] = bgr[3 * i];
        out[4 * i + 1] = bgr[3 * i + 1];
        out[4 * i + 2] = bgr[3 * i + 2];
        out[4 * i + 3] = 0;
    }
}

bool IsBgrx(const PixelLayout& layout) {
    const bool nativeLittle = std::endian::native == std::endian::little;
    return nativeLittle && layout.bytesPerPixel == 4 && !layout.msbFirst && layout.redShift == 16 &&
           layout.greenShift == 8 && layout.blueShift == 0;
}

}  // namespace

// The layout of a visual with these channel masks and a ZPixmap of `bitsPerPixel`, or nothing
// when it cannot be drawn by the packers: channels that are not 8 bits wide (15/16-bit and
// 30-bit visuals) or pixels that are not 24 or 32 bits.
std::optional<PixelLayout> PixelLayout::FromMasks(unsigned long redMask, unsigned long greenMask,
                                                  unsigned long blueMask, int bitsPerPixel,
                                                  bool msbFirst) {
    if (bitsPerPixel != 24 && bitsPerPixel != 32) return std::nullopt;
    PixelLayout layout;
    layout.bytesPerPixel = bitsPerPixel / 8;
    layout.msbFirst = msbFirst;
    layout.redShift = ShiftOf(redMask);
    layout.greenShift = ShiftOf(greenMask);
    layout.blueShift = ShiftOf(blueMask);
    const int highest = layout.bytesPerPixel * 8 - 8;
    for (const int shift : {layout.redShift, layout.greenShift, layout.blueShift}) {
        if (shift < 0 || shift > highest) return std::nullopt;
    }
    return layout;
}

// Writes `count` pixels of grey level gray[i] (equal red, green and blue) to `out`.
void PackGray8Row(const PixelLayout& layout, const uint8_t* gray, uint8_t* out, int count) {
    const int rs = layout.redShift, gs = layout.greenShift, bs = layout.blueShift;
    PackRowAs(layout, out, count, [=](int i) {
        const uint32_t g = gray[i];
        return (g << rs) | (g << gs) | (g << bs);
    });
}

// Writes `count` pixels from samples in blue, green, red order (3 bytes a pixel) to `out`.
void PackBgr24Row(const PixelLayout& layout, const uint8_t* bgr, uint8_t* out, int count) {
    if (IsBgrx(layout)) return PackBgrToBgrx(bgr, out, count);
    const int rs = layout.redShift, gs = layout.greenShift, bs = layout.blueShift;
    PackRowAs(layout, out, count, [=](int i) {
        const uint8_t* p = bgr + 3 * i;
        return (uint32_t{p[2]} << rs) | (uint32_t{p[1]} << gs) | (uint32_t{p[0]} << bs);
    });
}

}  // namespace kelvra::platform::preview

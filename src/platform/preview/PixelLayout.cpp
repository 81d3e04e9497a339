#include "platform/preview/PixelLayout.h"

#include <algorithm>
#include <bit>
#include <cstring>

#if defined(__x86_64__) || defined(__i386__)
#include <immintrin.h>
#define KELVRA_PREVIEW_X86 1
#endif

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

constexpr int kTwelveBitShift = 4;  // 12-bit samples: their top eight bits are shown
constexpr uint32_t kLowThreeBytes = 0x00ffffff;

inline uint8_t TopEightOfTwelve(const uint8_t* samples, int i) {
    const unsigned sample = samples[2 * i] | unsigned{samples[2 * i + 1]} << 8;
    return static_cast<uint8_t>(std::min(sample >> kTwelveBitShift, 255u));
}

#ifdef KELVRA_PREVIEW_X86
// Sixteen grey levels into sixteen pixels (blue = green = red = g, fourth byte 0).
inline void StoreGreyAsBgrx(__m128i g, uint8_t* out) {
    const __m128i low = _mm_unpacklo_epi8(g, g);
    const __m128i high = _mm_unpackhi_epi8(g, g);
    const __m128i mask = _mm_set1_epi32(static_cast<int>(kLowThreeBytes));
    auto* o = reinterpret_cast<__m128i*>(out);
    _mm_storeu_si128(o + 0, _mm_and_si128(_mm_unpacklo_epi16(low, low), mask));
    _mm_storeu_si128(o + 1, _mm_and_si128(_mm_unpackhi_epi16(low, low), mask));
    _mm_storeu_si128(o + 2, _mm_and_si128(_mm_unpacklo_epi16(high, high), mask));
    _mm_storeu_si128(o + 3, _mm_and_si128(_mm_unpackhi_epi16(high, high), mask));
}
#endif

// The common server format: blue, green, red, unused in memory on a little-endian host.
void PackGrayToBgrx(const uint8_t* gray, uint8_t* out, int count) {
    int i = 0;
#ifdef KELVRA_PREVIEW_X86
    for (; i + 16 <= count; i += 16) {
        StoreGreyAsBgrx(_mm_loadu_si128(reinterpret_cast<const __m128i*>(gray + i)), out + 4 * i);
    }
#endif
    for (; i < count; ++i) {
        const uint32_t pixel = gray[i] * 0x010101u;
        std::memcpy(out + 4 * i, &pixel, sizeof pixel);
    }
}

void PackGray12ToBgrx(const uint8_t* samples, uint8_t* out, int count) {
    int i = 0;
#ifdef KELVRA_PREVIEW_X86
    for (; i + 16 <= count; i += 16) {
        const auto* s = reinterpret_cast<const __m128i*>(samples + 2 * i);
        // Shifted samples are at most 4095, so the signed saturating pack clamps them to 255.
        const __m128i low = _mm_srli_epi16(_mm_loadu_si128(s), kTwelveBitShift);
        const __m128i high = _mm_srli_epi16(_mm_loadu_si128(s + 1), kTwelveBitShift);
        StoreGreyAsBgrx(_mm_packus_epi16(low, high), out + 4 * i);
    }
#endif
    for (; i < count; ++i) {
        const uint32_t pixel = TopEightOfTwelve(samples, i) * 0x010101u;
        std::memcpy(out + 4 * i, &pixel, sizeof pixel);
    }
}

// Word copies: every pixel but the last is read as a word; the last one's fourth byte is past
// the row.
void PackBgrToBgrxWords(const uint8_t* bgr, uint8_t* out, int begin, int count) {
    int i = begin;
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

#ifdef KELVRA_PREVIEW_X86
// Sixteen pixels a step with byte shuffles; reached only when the processor has SSSE3. The last
// of a step's four 16-byte loads ends 4 bytes past its 48, so steps stop before the row does.
__attribute__((target("ssse3"))) void PackBgrToBgrxSsse3(const uint8_t* bgr, uint8_t* out,
                                                         int count) {
    constexpr char kZero = static_cast<char>(0x80);  // pshufb writes 0 for this index
    const __m128i spread =
        _mm_setr_epi8(0, 1, 2, kZero, 3, 4, 5, kZero, 6, 7, 8, kZero, 9, 10, 11, kZero);
    int i = 0;
    constexpr int kOverread = 4;
    for (; 3 * (i + 16) + kOverread <= 3 * count; i += 16) {
        const uint8_t* s = bgr + 3 * i;
        auto* o = reinterpret_cast<__m128i*>(out + 4 * i);
        for (int k = 0; k < 4; ++k) {
            const __m128i in = _mm_loadu_si128(reinterpret_cast<const __m128i*>(s + 12 * k));
            _mm_storeu_si128(o + k, _mm_shuffle_epi8(in, spread));
        }
    }
    PackBgrToBgrxWords(bgr, out, i, count);
}

bool HasSsse3() {
    static const bool has = __builtin_cpu_supports("ssse3") != 0;
    return has;
}
#endif

void PackBgrToBgrx(const uint8_t* bgr, uint8_t* out, int count) {
#ifdef KELVRA_PREVIEW_X86
    if (HasSsse3()) return PackBgrToBgrxSsse3(bgr, out, count);
#endif
    PackBgrToBgrxWords(bgr, out, 0, count);
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
    if (IsBgrx(layout)) return PackGrayToBgrx(gray, out, count);
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

// Writes `count` pixels of grey level min(sample >> 4, 255) from 16-bit little-endian samples.
void PackGray12Row(const PixelLayout& layout, const uint8_t* samples, uint8_t* out, int count) {
    if (IsBgrx(layout)) return PackGray12ToBgrx(samples, out, count);
    const int rs = layout.redShift, gs = layout.greenShift, bs = layout.blueShift;
    PackRowAs(layout, out, count, [=](int i) {
        const uint32_t g = TopEightOfTwelve(samples, i);
        return (g << rs) | (g << gs) | (g << bs);
    });
}

}  // namespace kelvra::platform::preview

// AVX2 runs of the layout-changing conversions (internal; call only when UseAvx2()). Each
// converts a leading part of a row of n pixels with the given pixel sizes and returns how
// many pixels it did (0 for sizes it does not handle); the caller finishes the row. All are
// safe in place.
#pragma once

#include <cstdint>

namespace kelvra::convert {

// Three bytes copied between 4-byte pixels, the destination's fourth byte kept (4 -> 4 only).
int32_t CopyBgrAvx2(uint8_t* d, const uint8_t* s, int32_t n, int32_t dstBpp, int32_t srcBpp);

// Three bytes: blue and red exchanged (3 -> 3, 4 -> 4; a fourth byte is left alone).
int32_t SwapBgrAvx2(uint8_t* d, const uint8_t* s, int32_t n, int32_t dstBpp, int32_t srcBpp);

// Three 16-bit samples shifted left (first and third exchanged when swap), into three samples
// (a fourth left alone) or four with the fourth 0xFFFF: (6 -> 6, 8 -> 8, 6 -> 8 when opaque).
int32_t WidenColour16Avx2(uint8_t* d, const uint8_t* s, int32_t n, int32_t dstBpp, int32_t srcBpp,
                          int shift, bool swap, bool opaqueFourth);

// Three 16-bit samples shifted right, low bytes kept, from 8-byte pixels into 4-byte pixels
// (8 -> 4; the destination's fourth byte is left alone).
int32_t NarrowColour16Avx2(uint8_t* d, const uint8_t* s, int32_t n, int32_t dstBpp, int32_t srcBpp,
                           int shift);

// (30 R + 59 G + 11 B) / 100 of 3- or 4-byte pixels into bytes.
int32_t BgrToGreyAvx2(uint8_t* d, const uint8_t* s, int32_t n, int32_t dstBpp, int32_t srcBpp);

}  // namespace kelvra::convert

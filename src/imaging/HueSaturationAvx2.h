// AVX2 row of the 8-bit hue kernel (internal; call only when UseAvx2()).
#pragma once

#include <cstdint>

#include "imaging/HueMath.h"

namespace kelvra::hue {

// Shifts a leading part of a row of n pixels of 3 or 4 bytes (other sizes: none) and returns
// how many pixels it did; the caller finishes the row. dst may equal src.
int32_t ShiftRow8Avx2(uint8_t* dst, const uint8_t* src, int32_t n, int32_t dstBpp, int32_t srcBpp,
                      const HueTables& tables);

// The same for 16-bit samples (through their high bytes) in pixels of 6 or 8 bytes;
// zeroFourth clears the fourth sample of 8-byte pixels, otherwise it is left alone.
int32_t ShiftRow16Avx2(uint8_t* dst, const uint8_t* src, int32_t n, int32_t dstBpp, int32_t srcBpp,
                       bool zeroFourth, const HueTables& tables);

}  // namespace kelvra::hue

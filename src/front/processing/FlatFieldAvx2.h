// AVX2 runs of the flat-field correction with the spans' reciprocals (internal; call only when
// UseAvx2()). Each corrects a leading part of a row of n pixels in place, exactly as the
// portable row does, and returns how many pixels it did; the caller finishes the row.
#pragma once

#include <cstdint>

namespace kelvra::processing {

int32_t FlatRun8Avx2(uint8_t* frame, const uint8_t* dark, const uint8_t* white,
                     const uint16_t* scale, const uint16_t* reciprocal, int32_t n);
int32_t FlatRun16Avx2(uint16_t* frame, const uint16_t* dark, const uint16_t* white,
                      const uint16_t* scale, const uint16_t* reciprocal, int32_t n);

}  // namespace kelvra::processing

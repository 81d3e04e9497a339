// AVX2 runs of the arithmetic point operations (internal; call only when UseAvx2()). Each
// processes a leading part of n consecutive samples and returns how many it did; the caller
// finishes the run. All are safe in place.
#pragma once

#include <cstdint>

namespace kelvra::point {

// trunc(sample * factor) limited to the sample range, for 0 <= factor <= 11; 16-bit samples
// are first limited to max, and so is the result. With keepFourth the fourth sample of every
// group of four is the destination's.
int32_t ScaleRun8Avx2(uint8_t* d, const uint8_t* s, int32_t n, float factor, bool keepFourth);
int32_t ScaleRun16Avx2(uint16_t* d, const uint16_t* s, int32_t n, float factor, uint16_t max,
                       bool keepFourth);

// offset + (gain * v) >> 7 limited to 0 .. max, with (gain, offset) alternating between even
// and odd samples. Runs only for 0 <= gain <= 255 and |offset| <= 511 (8-bit), or 0 <= gain <=
// 32767 and |offset| <= 65535 (16-bit); returns 0 otherwise.
struct GainPair {
    int32_t gain;
    int32_t offset;
};
int32_t GainRun8Avx2(uint8_t* d, const uint8_t* s, int32_t n, GainPair even, GainPair odd);
int32_t GainRun16Avx2(uint16_t* d, const uint16_t* s, int32_t n, GainPair even, GainPair odd,
                      int32_t max);

}  // namespace kelvra::point

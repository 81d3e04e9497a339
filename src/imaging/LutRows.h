// Lookup-table rows of the point operations (internal to the imaging layer).
#pragma once

#include <cstdint>

#include "imaging/KernelRows.h"

namespace kelvra::lut {

// Entries of a 16-bit table: one spare entry after the last, because the vector code reads
// each entry as 4 bytes.
constexpr int32_t kTable16Entries = 65536 + 1;

// Applies `table` to the samples of every pixel of the region: Channels samples (1 or 3) of
// 8 or 16 bits, a fourth sample left alone. Returns 0 when pixels are too small, else 1. Safe
// in place. The 16-bit table must hold kTable16Entries entries, defined up to the largest
// sample present and the one after it.
int ApplyTable8(const rows::KernelArgs& a, int32_t channels, const uint8_t* table);
int ApplyTable16(const rows::KernelArgs& a, int32_t channels, const uint16_t* table);

// AVX2 runs over n consecutive samples (call only when UseAvx2()); with keepFourth the fourth
// sample of every group of four is the destination's. Return how many leading samples were
// done (a multiple of the vector width); the caller finishes the run.
int32_t Table8Avx2(uint8_t* d, const uint8_t* s, int32_t n, const uint8_t* table, bool keepFourth);
int32_t Table16Avx2(uint16_t* d, const uint16_t* s, int32_t n, const uint16_t* table,
                    bool keepFourth);

}  // namespace kelvra::lut

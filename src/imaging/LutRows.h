// Lookup-table rows of the point operations (internal to the imaging layer).
#pragma once

#include <cstdint>

#include "imaging/KernelRows.h"

namespace kelvra::lut {

// Entries of a 16-bit table: one per 16-bit sample, so no sample needs a bounds check.
constexpr int32_t kTable16Entries = 65536;

// Applies `table` to the samples of every pixel of the region: Channels samples (1 or 3) of
// 8 or 16 bits, a fourth sample left alone. Returns 0 when pixels are too small, else 1. Safe
// in place. The 16-bit table holds kTable16Entries entries.
int ApplyTable8(const rows::KernelArgs& a, int32_t channels, const uint8_t* table);
int ApplyTable16(const rows::KernelArgs& a, int32_t channels, const uint16_t* table);

// AVX2 run over n consecutive 8-bit samples (call only when UseAvx2()); with keepFourth the
// fourth sample of every group of four is the destination's. Returns how many leading samples
// were done (a multiple of the vector width); the caller finishes the run. There is no 16-bit
// counterpart: gathers from a 16-bit table are no faster than the scalar blocks.
int32_t Table8Avx2(uint8_t* d, const uint8_t* s, int32_t n, const uint8_t* table, bool keepFourth);

}  // namespace kelvra::lut

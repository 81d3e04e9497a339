// Correction of densely marked frames by sweeps (internal to the dot filter).
#pragma once

#include <cstdint>
#include <vector>

#include "front/processing/DotPlanes.h"

namespace kelvra::processing::dot {

// Work rows kept between frames. Entries hold the nearest unmarked value + 1, 0 for none.
struct SweepBuffers {
    std::vector<uint32_t> below;   // per pixel: nearest unmarked value further down the column
    std::vector<uint32_t> column;  // per column: the tracker of the current sweep
    std::vector<uint32_t> left;    // per column of one row: nearest unmarked to the left
    std::vector<uint32_t> right;   // ... to the right
};

// Replaces every marked pixel of rows and columns kMargin .. size - kMargin - 1 by the truncated
// mean of the nearest unmarked pixel in each direction, as the one-by-one correction does, but in
// a time independent of how many pixels are marked: one sweep up the frame records what lies
// below, one sweep down tracks what lies above and, per row, left and right.
template <class T>
void CorrectBySweeps(const Planes<T>& p, SweepBuffers& buffers);

extern template void CorrectBySweeps<uint8_t>(const Planes<uint8_t>&, SweepBuffers&);
extern template void CorrectBySweeps<uint16_t>(const Planes<uint16_t>&, SweepBuffers&);

}  // namespace kelvra::processing::dot

// Mosaic positions of the colour-filter array (internal to the imaging layer).
#pragma once

#include <cstdint>

namespace kelvra::bayer {

// The phase (0-3) names which position of the 2 x 2 cell the region's first pixel is, through
// the starting state of a row flag (toggled per row) and a column flag (toggled per pixel,
// restarting every row): phase 1 and 3 start with the row flag on, 2 and 3 with the column flag
// on. Only the low two bits of a phase count.
constexpr bool RowFlagAt(int32_t phase, int64_t row) {
    return (((phase & 1) != 0) != ((row & 1) != 0));
}

constexpr bool ColumnFlagAt(int32_t phase, int64_t column) {
    return (((phase & 2) != 0) != ((column & 1) != 0));
}

// Colours of the white-balance and demosaic kernels: equal flags are green, (row off, column
// on) blue and (row on, column off) red.
enum class Colour { kGreen, kRed, kBlue };

constexpr Colour ColourAt(int32_t phase, int64_t column, int64_t row) {
    const bool r = RowFlagAt(phase, row);
    const bool c = ColumnFlagAt(phase, column);
    if (r == c) return Colour::kGreen;
    return c ? Colour::kBlue : Colour::kRed;
}

// Positions of the grey-gain kernels: (off, off) G1, (off, on) R1, (on, off) B1, (on, on) G2.
enum class GreyPosition { kG1 = 0, kR1 = 1, kB1 = 2, kG2 = 3 };

constexpr GreyPosition GreyPositionAt(int32_t phase, int64_t column, int64_t row) {
    const bool r = RowFlagAt(phase, row);
    const bool c = ColumnFlagAt(phase, column);
    return static_cast<GreyPosition>((r ? 2 : 0) + (c ? 1 : 0));
}

}  // namespace kelvra::bayer

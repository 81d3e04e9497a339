// Mosaic positions as the tests see them: flags toggled per row and per pixel from the
// phase's starting state.
#pragma once

#include <cstdint>

namespace kelvra::test {

inline bool Odd(int64_t v) {
    return ((v % 2) + 2) % 2 == 1;
}

// Phase 0: row off, column off; 1: row on; 2: column on; 3: both on.
inline bool RowFlag(int phase, int64_t y) {
    return (phase == 1 || phase == 3) != Odd(y);
}
inline bool ColumnFlag(int phase, int64_t x) {
    return (phase == 2 || phase == 3) != Odd(x);
}

enum class Cfa { kGreen, kRed, kBlue };

// White balance and demosaic: (off, off) and (on, on) green, (off, on) blue, (on, off) red.
inline Cfa CfaAt(int phase, int64_t x, int64_t y) {
    const bool row = RowFlag(phase, y);
    const bool column = ColumnFlag(phase, x);
    if (!row && !column) return Cfa::kGreen;
    if (row && column) return Cfa::kGreen;
    if (!row && column) return Cfa::kBlue;
    return Cfa::kRed;
}

// Grey gains: (off, off) G1, (off, on) R1, (on, off) B1, (on, on) G2.
enum class GreyPos { kG1, kR1, kB1, kG2 };

inline GreyPos GreyPosAt(int phase, int64_t x, int64_t y) {
    const bool row = RowFlag(phase, y);
    const bool column = ColumnFlag(phase, x);
    if (!row) return column ? GreyPos::kR1 : GreyPos::kG1;
    return column ? GreyPos::kG2 : GreyPos::kB1;
}

}  // namespace kelvra::test

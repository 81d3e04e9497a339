// Where the FPGA cuts the frame out of the IMX990/IMX991 sensor lines: the one table that both
// the sensor driver's SetFlip and the device core's ring configuration program, so that the
// image does not move when mirroring is switched.
#pragma once

#include <cstdint>

namespace kelvra::readout_offsets {

// Column offset (FPGA registers 0x4C/0x4D) for a readout mode, the high-speed readout variant
// (information word bit 14, fewer lead columns) and the horizontal flip. Binned readout is mode
// 1; every other mode reads whole lines as mode 0 does.
inline int32_t FirstGenColumnOffset(int32_t readoutMode, bool fastReadout, bool flip) {
    // Flip off / flip on: the reversed line starts 96 columns (48 binned) further in.
    constexpr int32_t kNormal[2] = {8, 104};
    constexpr int32_t kBinned[2] = {4, 52};
    // The high-speed readout has 4 lead columns fewer.
    constexpr int32_t kNormalFast[2] = {4, 100};
    constexpr int32_t kBinnedFast[2] = {0, 48};
    const bool binned = readoutMode == 1;
    const int32_t* row =
        binned ? (fastReadout ? kBinnedFast : kBinned) : (fastReadout ? kNormalFast : kNormal);
    return row[flip ? 1 : 0];
}

// Line offset (FPGA registers 0x48/0x49): the full-height window of mode 0 skips 25 lines, a
// cropped one 21, binned readout 23, and the other modes 21.
inline int32_t FirstGenLineOffset(int32_t readoutMode, bool fullHeight) {
    if (readoutMode == 0) return fullHeight ? 25 : 21;
    return readoutMode == 1 ? 23 : 21;
}

}  // namespace kelvra::readout_offsets

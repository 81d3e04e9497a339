#pragma once

#include <array>
#include <cstdint>

namespace kelvra {

// Colour mode index: the output's bits per pixel.
constexpr std::array<int32_t, 6> kModeBits = {8, 16, 24, 32, 48, 64};
constexpr int32_t kModeMono8 = 0, kModeMono16 = 1, kModeBgr24 = 2, kModeBgra32 = 3, kModeBgr48 = 4,
                  kModeBgra64 = 5;

inline bool IsValidMode(int32_t mode) {
    return mode >= 0 && mode < static_cast<int32_t>(kModeBits.size());
}

// Modes 1, 4 and 5 take 16-bit frames from the camera; the others 8-bit frames.
inline bool UsesSixteenBitFrames(int32_t mode) {
    return mode == kModeMono16 || mode == kModeBgr48 || mode == kModeBgra64;
}

inline bool IsColourMode(int32_t mode) {
    return mode >= kModeBgr24 && mode <= kModeBgra64;
}

}  // namespace kelvra

// Sample ranges by data depth (internal to the imaging layer).
#pragma once

#include <cstdint>

namespace kelvra {

constexpr int32_t kMax8 = 255;
constexpr int32_t kMax16 = 65535;
// 16-bit frames carry the camera's 12-bit samples, right-justified: the tone steps, grey gain
// and flat-field keep them within 0..4095, so that every 16-bit writer can widen them safely.
constexpr int32_t kMax12 = 4095;

// Largest sample of a depth in bits: 10, 12 and 14 bits, anything else full 16 bits.
constexpr int32_t MaxForBits(int32_t bits) {
    switch (bits) {
        case 10:
            return 1023;
        case 12:
            return 4095;
        case 14:
            return 16383;
        default:
            return kMax16;
    }
}

}  // namespace kelvra

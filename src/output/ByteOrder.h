// Little-endian field access for the file layouts, independent of the host's byte order.
#pragma once

#include <cstdint>

namespace kelvra::le {

inline void Put16(uint8_t* p, uint16_t v) {
    p[0] = static_cast<uint8_t>(v);
    p[1] = static_cast<uint8_t>(v >> 8);
}

inline void Put32(uint8_t* p, uint32_t v) {
    for (int i = 0; i < 4; ++i) p[i] = static_cast<uint8_t>(v >> (8 * i));
}

inline uint32_t Get32(const uint8_t* p) {
    return uint32_t{p[0]} | (uint32_t{p[1]} << 8) | (uint32_t{p[2]} << 16) | (uint32_t{p[3]} << 24);
}

// Four-character code as it appears in the file ("RIFF", "00db").
inline void PutTag(uint8_t* p, const char (&tag)[5]) {
    for (int i = 0; i < 4; ++i) p[i] = static_cast<uint8_t>(tag[i]);
}

}  // namespace kelvra::le

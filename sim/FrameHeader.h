#pragma once
// The 64-byte header that precedes every frame body on endpoint 0x81 (little-endian):
//
// | Offset | Size | Field                                                                    |
// |--------|------|--------------------------------------------------------------------------|
// | 0      | 2    | width in pixels                                                          |
// | 2      | 2    | height in rows                                                           |
// | 4      | 2    | bits per sample in the body: 8 or 16                                     |
// | 6      | 2    | significant bits per sample: 8 or 12                                     |
// | 8      | 4    | exposure in sensor lines                                                 |
// | 12     | 4    | sensor gain code                                                         |
// | 16     | 4    | body length in bytes                                                     |
// | 20     | 8    | zero                                                                     |
// | 28     | 4    | timestamp: microseconds since power-on when the frame completed (wraps)  |
// | 32     | 4    | frame number: the frame counter's low 32 bits                            |
// | 36     | 4    | zero                                                                     |
// | 40     | 4    | exposure time in microseconds                                            |
// | 44     | 4    | bits 0-11 sensor temperature (12-bit two's complement, 1/8 degree);      |
// |        |      | bit 16 triggered frame, bit 17 test pattern, bit 18 in-camera correction |
// | 48     | 16   | zero                                                                     |

#include <cstddef>
#include <cstdint>

namespace kelvra::sim {

inline constexpr size_t kFrameHeaderSize = 64;

struct FrameHeaderFields {
    uint16_t width = 0, height = 0;
    bool sixteenBit = false;
    uint32_t exposureLines = 0;
    uint32_t gainCode = 0;
    uint32_t bodyLength = 0;
    uint32_t timestampUs = 0;
    uint32_t frameNumber = 0;
    uint32_t exposureUs = 0;
    uint16_t temperatureRaw = 0;
    bool triggered = false, testPattern = false, correction = false;
};

void writeFrameHeader(const FrameHeaderFields& fields, uint8_t* out);

}  // namespace kelvra::sim

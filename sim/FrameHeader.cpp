#include "sim/FrameHeader.h"

#include <cstring>

#include "sim/Bytes.h"

namespace kelvra::sim {
namespace {
constexpr uint32_t kStatusTriggered = 1u << 16;
constexpr uint32_t kStatusTestPattern = 1u << 17;
constexpr uint32_t kStatusCorrection = 1u << 18;
}  // namespace

// Writes the 64 bytes laid out in the header's table to `out`.
void writeFrameHeader(const FrameHeaderFields& f, uint8_t* out) {
    std::memset(out, 0, kFrameHeaderSize);
    storeU16(out + 0, f.width);
    storeU16(out + 2, f.height);
    storeU16(out + 4, f.sixteenBit ? 16 : 8);
    storeU16(out + 6, f.sixteenBit ? 12 : 8);
    storeU32(out + 8, f.exposureLines);
    storeU32(out + 12, f.gainCode);
    storeU32(out + 16, f.bodyLength);
    storeU32(out + 28, f.timestampUs);
    storeU32(out + 32, f.frameNumber);
    storeU32(out + 40, f.exposureUs);
    uint32_t status = f.temperatureRaw & 0xFFF;
    if (f.triggered) status |= kStatusTriggered;
    if (f.testPattern) status |= kStatusTestPattern;
    if (f.correction) status |= kStatusCorrection;
    storeU32(out + 44, status);
}

}  // namespace kelvra::sim

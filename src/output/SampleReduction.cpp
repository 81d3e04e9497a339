#include "output/SampleReduction.h"

#include <algorithm>
#include <cstring>

namespace kelvra {

namespace {

constexpr int kShiftFrom10Bits = 2;
constexpr int kShiftFrom12Bits = 4;
constexpr uint32_t kMax8 = 255;

inline uint8_t Reduce(const uint8_t* sample, int shift) {
    uint16_t v;
    std::memcpy(&v, sample, sizeof(v));  // little-endian host, as the image buffers are
    return static_cast<uint8_t>(std::min<uint32_t>(uint32_t{v} >> shift, kMax8));
}

}  // namespace

// The library's 16-bit images carry the camera's 12-bit samples right-justified (0..4095), yet
// the save operation always declares 16 significant bits. Reading that as "take the high byte"
// turns a well-exposed frame (around 2000) into 7 of 255, a black picture; so 16 significant
// bits reduce on the 12-bit scale like 12. Samples above the scale's maximum (only processing
// that stretches past 4095 makes them) saturate at 255 rather than wrap around to dark. Only the
// 8-bit reductions read it this way; files that keep 16-bit samples store them unchanged.
int ReductionShift(int32_t significantBits) {
    switch (significantBits) {
        case 10:
            return kShiftFrom10Bits;
        case 12:
        case 16:
            return kShiftFrom12Bits;
        default:
            return kNoReduction;
    }
}

void ReduceMono16Row(uint8_t* dst, const uint8_t* src, int32_t width, int shift) {
    for (int32_t x = 0; x < width; ++x) dst[x] = Reduce(src + 2 * x, shift);
}

void ReduceColour16Row(uint8_t* dst, const uint8_t* src, int32_t width, int32_t srcBytesPerPixel,
                       int shift, ColourOrder order) {
    const int first = order == ColourOrder::kBgr ? 0 : 4;  // byte offset of the first output
    const int last = 4 - first;
    for (int32_t x = 0; x < width; ++x) {
        const uint8_t* s = src + static_cast<int64_t>(x) * srcBytesPerPixel;
        uint8_t* d = dst + 3 * static_cast<int64_t>(x);
        d[0] = Reduce(s + first, shift);
        d[1] = Reduce(s + 2, shift);
        d[2] = Reduce(s + last, shift);
    }
}

}  // namespace kelvra

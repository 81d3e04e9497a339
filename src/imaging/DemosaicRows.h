// Row-level pieces of the demosaic shared by the baseline and AVX2 code (internal).
#pragma once

#include <cstdint>

namespace kelvra::demosaic {

constexpr int kOutputShift = 11;
// 16-bit images carry 12-bit samples: 16-bit outputs saturate at 4095, so that white-balance
// gains never lift a sample beyond what the writers and the preview can widen (4096 << 4 would
// wrap to black).
constexpr int32_t kTop8 = 255;
constexpr int32_t kTop16 = 4095;
constexpr int64_t kSaturation8 = 0x80000;    // S * k from which 8-bit output is 255
constexpr int64_t kSaturation16 = 0x800000;  // S * k from which 16-bit output is 4095
// Gain factors the vector code takes: S * k stays below 2^31 for 16-bit samples, and k << 5
// fits 16 bits for the 8-bit code.
constexpr int32_t kMaxVectorGain = 2047;

// The four mosaic rows around output row y, already substituted at the region's edges, and the
// column parities that say where each colour sits. Pointers address region column 0.
template <typename T>
struct RowSet {
    const T* redNear;  // the red row among y - 1, y
    const T* redFar;   // the red row two away from it, towards the block (y + 1 or y - 2)
    const T* blueNear;
    const T* blueFar;
    const T* greenUpper;       // row y - 1
    const T* greenLower;       // row y
    int32_t redParity;         // red (and blue-row green) columns: x % 2 == redParity
    int32_t greenUpperParity;  // row y - 1 has its green at x when x % 2 == this
    bool upperIsRed;           // redNear is greenUpper (row y - 1), blueNear greenLower
};

struct Gains {
    int32_t red;   // k for red
    int32_t blue;  // k for blue
};

// AVX2 spans: compute pixels [x0, x1) of an output row (x0 >= 2, x1 <= width - 1, x0 even),
// and return how many leading pixels were done. Call only when UseAvx2().
int32_t Span8Avx2(uint8_t* dstRow, int32_t dstBpp, const RowSet<uint8_t>& rows, int32_t x0,
                  int32_t x1, Gains gains);
int32_t Span16Avx2(uint8_t* dstRow, int32_t dstBpp, const RowSet<uint16_t>& rows, int32_t x0,
                   int32_t x1, Gains gains);

}  // namespace kelvra::demosaic

#include "imaging/LutRows.h"

#include <cstring>

#include "imaging/SimdLevel.h"

namespace kelvra::lut {

namespace {

// Samples read ahead of their lookups: the block is loaded before anything is stored, which
// keeps several independent lookups in flight even in place (the compiler cannot know that
// the stores never reach a later sample).
constexpr int32_t kBlock = 8;

template <typename T>
void TableRun(T* d, const T* s, int32_t n, const T* table, bool keepFourth) {
    int32_t j = 0;
    if (!keepFourth) {
        for (; j + kBlock <= n; j += kBlock) {
            T in[kBlock];
            T out[kBlock];
            std::memcpy(in, s + j, sizeof in);
            for (int32_t k = 0; k < kBlock; ++k) out[k] = table[in[k]];
            std::memcpy(d + j, out, sizeof out);
        }
    }
    for (; j < n; ++j) {
        if (!keepFourth || j % 4 != 3) d[j] = table[s[j]];
    }
}

template <typename T>
int ApplyTable(const rows::KernelArgs& a, int32_t channels, const T* table) {
    constexpr int32_t kSample = sizeof(T);
    const int32_t pixelBytes = channels * kSample;
    if (a.dstBpp < pixelBytes || a.srcBpp < pixelBytes) return 0;
    const bool packed = a.dstBpp == pixelBytes && a.srcBpp == pixelBytes;
    const bool quad = channels == 3 && a.dstBpp == 4 * kSample && a.srcBpp == a.dstBpp;
    const bool avx2 = kSample == 1 && UseAvx2();
    for (int32_t i = 0; i < a.Rows(); ++i) {
        uint8_t* d = a.DstRow(i);
        const uint8_t* s = a.SrcRow(i);
        if (packed || quad) {
            // Rows start sample-aligned: strides are multiples of 4.
            T* dt = reinterpret_cast<T*>(d);
            const T* st = reinterpret_cast<const T*>(s);
            const int32_t n = a.Cols() * (quad ? 4 : channels);
            int32_t done = 0;
            if constexpr (kSample == 1) {
                if (avx2) done = Table8Avx2(dt, st, n, table, quad);
            }
            TableRun(dt + done, st + done, n - done, table, quad);
            continue;
        }
        for (int32_t j = 0; j < a.Cols(); ++j) {
            for (int32_t c = 0; c < channels; ++c) {
                const int64_t offset = int64_t{c} * kSample;
                uint8_t* dp = d + int64_t{j} * a.dstBpp + offset;
                const uint8_t* sp = s + int64_t{j} * a.srcBpp + offset;
                if constexpr (kSample == 1) {
                    dp[0] = table[sp[0]];
                } else {
                    rows::Store16(dp, table[rows::Load16(sp)]);
                }
            }
        }
    }
    return 1;
}

}  // namespace

int ApplyTable8(const rows::KernelArgs& a, int32_t channels, const uint8_t* table) {
    return ApplyTable(a, channels, table);
}

int ApplyTable16(const rows::KernelArgs& a, int32_t channels, const uint16_t* table) {
    return ApplyTable(a, channels, table);
}

}  // namespace kelvra::lut

// AVX2 table lookups. Every function here is compiled for AVX2 and reached only through
// UseAvx2(); nothing inline from a shared header is defined below the pragma.
#include <immintrin.h>

#include <cstdint>

#include "imaging/LutRows.h"

#pragma GCC push_options
#pragma GCC target("avx2")

namespace kelvra::lut {

namespace {

constexpr int32_t kBytesPerStep = 32;
constexpr int kSubTables = 16;

// The 256-entry table as 16 sub-tables of 16 bytes, each in both 128-bit lanes.
struct SplitTable {
    __m256i part[kSubTables];
};

SplitTable Split(const uint8_t* table) {
    SplitTable t;
    for (int k = 0; k < kSubTables; ++k) {
        const __m128i sixteen = _mm_loadu_si128(reinterpret_cast<const __m128i*>(table + 16 * k));
        t.part[k] = _mm256_broadcastsi128_si256(sixteen);
    }
    return t;
}

// 32 lookups: every sub-table is looked up with the low nibble, then the high nibble's four
// bits pick among the results, bit 4 first (blendv reads each byte's top bit).
inline __m256i Lookup32(__m256i v, const SplitTable& t) {
    const __m256i lowNibble = _mm256_and_si256(v, _mm256_set1_epi8(0x0F));
    __m256i level[kSubTables];
    for (int k = 0; k < kSubTables; ++k) level[k] = _mm256_shuffle_epi8(t.part[k], lowNibble);
    int count = kSubTables;
    for (int bit = 4; bit < 8; ++bit) {
        const __m256i select = _mm256_slli_epi16(v, 7 - bit);
        for (int k = 0; k < count / 2; ++k) {
            level[k] = _mm256_blendv_epi8(level[2 * k], level[2 * k + 1], select);
        }
        count /= 2;
    }
    return level[0];
}

}  // namespace

int32_t Table8Avx2(uint8_t* d, const uint8_t* s, int32_t n, const uint8_t* table, bool keepFourth) {
    const SplitTable t = Split(table);
    const __m256i fourth = _mm256_set1_epi32(static_cast<int32_t>(0xFF000000u));
    int32_t j = 0;
    for (; j + kBytesPerStep <= n; j += kBytesPerStep) {
        __m256i out = Lookup32(_mm256_loadu_si256(reinterpret_cast<const __m256i*>(s + j)), t);
        __m256i* q = reinterpret_cast<__m256i*>(d + j);
        if (keepFourth) out = _mm256_blendv_epi8(out, _mm256_loadu_si256(q), fourth);
        _mm256_storeu_si256(q, out);
    }
    return j;
}

}  // namespace kelvra::lut

#pragma GCC pop_options

// Every function here is compiled for AVX2 and reached only through UseAvx2(); nothing inline
// from a shared header is defined below the pragma.
#include "front/processing/FlatFieldAvx2.h"

#include <immintrin.h>

#include <cstdint>

#pragma GCC push_options
#pragma GCC target("avx2")

namespace kelvra::processing {

namespace {

constexpr int kBits8 = 8;
constexpr int kBits12 = 12;
constexpr int16_t kMax12 = 4095;

inline __m256i Load(const void* p) {
    return _mm256_loadu_si256(static_cast<const __m256i*>(p));
}

inline __m256i LoadBytes(const uint8_t* p) {
    return _mm256_cvtepu8_epi16(_mm_loadu_si128(reinterpret_cast<const __m128i*>(p)));
}

// trunc(2^Bits a / s) from the span's scale and reciprocal: the multiply-high estimate plus one
// where the remainder (exact modulo 2^16) reaches s.
template <int Bits>
inline __m256i ScaledQuotient(__m256i a, __m256i s, __m256i scale, __m256i reciprocal) {
    const __m256i q = _mm256_mulhi_epu16(_mm256_mullo_epi16(a, scale), reciprocal);
    const __m256i remainder =
        _mm256_sub_epi16(_mm256_slli_epi16(a, Bits), _mm256_mullo_epi16(q, s));
    const __m256i short1 = _mm256_cmpeq_epi16(_mm256_max_epu16(remainder, s), remainder);
    return _mm256_sub_epi16(q, short1);
}

// Sixteen 8-bit pixels in 16-bit lanes. Where W < D all three values are turned round (every
// bit flipped), which keeps their differences and makes the span positive.
inline __m256i Flat8Lanes(__m256i p0, __m256i dark, __m256i white, __m256i scale,
                          __m256i reciprocal) {
    const __m256i turn = _mm256_cmpgt_epi16(dark, white);
    const __m256i p = _mm256_xor_si256(p0, turn);
    const __m256i d = _mm256_xor_si256(dark, turn);
    const __m256i s = _mm256_sub_epi16(_mm256_xor_si256(white, turn), d);
    const __m256i a = _mm256_min_epu16(_mm256_subs_epu16(p, d), s);
    const __m256i q = ScaledQuotient<kBits8>(a, s, scale, reciprocal);
    // A quotient of 256 saturates to 255 when packed to bytes.
    return _mm256_blendv_epi8(q, p0, _mm256_cmpeq_epi16(s, _mm256_setzero_si256()));
}

}  // namespace

int32_t FlatRun8Avx2(uint8_t* frame, const uint8_t* dark, const uint8_t* white,
                     const uint16_t* scale, const uint16_t* reciprocal, int32_t n) {
    int32_t j = 0;
    for (; j + 32 <= n; j += 32) {
        const __m256i low = Flat8Lanes(LoadBytes(frame + j), LoadBytes(dark + j),
                                       LoadBytes(white + j), Load(scale + j), Load(reciprocal + j));
        const __m256i high =
            Flat8Lanes(LoadBytes(frame + j + 16), LoadBytes(dark + j + 16),
                       LoadBytes(white + j + 16), Load(scale + j + 16), Load(reciprocal + j + 16));
        const __m256i bytes = _mm256_permute4x64_epi64(_mm256_packus_epi16(low, high), 0xD8);
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(frame + j), bytes);
    }
    return j;
}

int32_t FlatRun16Avx2(uint16_t* frame, const uint16_t* dark, const uint16_t* white,
                      const uint16_t* scale, const uint16_t* reciprocal, int32_t n) {
    const __m256i top = _mm256_set1_epi16(kMax12);
    int32_t j = 0;
    for (; j + 16 <= n; j += 16) {
        const __m256i p = Load(frame + j);
        const __m256i d = Load(dark + j);
        const __m256i w = Load(white + j);
        // W <= D: no span, the pixel stays.
        const __m256i keep = _mm256_cmpeq_epi16(_mm256_max_epu16(w, d), d);
        const __m256i s = _mm256_sub_epi16(w, d);
        const __m256i a = _mm256_min_epu16(_mm256_subs_epu16(p, d), s);
        const __m256i q = _mm256_min_epu16(
            ScaledQuotient<kBits12>(a, s, Load(scale + j), Load(reciprocal + j)), top);
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(frame + j), _mm256_blendv_epi8(q, p, keep));
    }
    return j;
}

}  // namespace kelvra::processing

#pragma GCC pop_options

// AVX2 runs of brightness and grey gain. Every function here is compiled for AVX2 and reached
// only through UseAvx2(); nothing inline from a shared header is defined below the pragma.
#include "imaging/PointAvx2.h"

#include <immintrin.h>

#include <cstdint>

#pragma GCC push_options
#pragma GCC target("avx2")

namespace kelvra::point {

namespace {

constexpr int kGainShift = 7;
constexpr int32_t kMax8Gain = 255;
// (gain * v) >> 7 is at most 508, so any offset within +-511 keeps the sum in int16 (the
// settable offsets less the neutral 128 reach -383).
constexpr int32_t kMax8Offset = 511;
constexpr int32_t kMax16Gain = 32767;
constexpr int32_t kMax16Offset = 65535;

inline __m256i Load(const void* p) {
    return _mm256_loadu_si256(static_cast<const __m256i*>(p));
}
inline void Store(void* p, __m256i v) {
    _mm256_storeu_si256(static_cast<__m256i*>(p), v);
}

inline __m256i Scale8Lanes(const uint8_t* s, __m256 factor) {
    const __m256i v = _mm256_cvtepu8_epi32(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(s)));
    return _mm256_cvttps_epi32(_mm256_mul_ps(_mm256_cvtepi32_ps(v), factor));
}

inline __m256i Scale16Lanes(const uint16_t* s, __m256 factor, __m128i max) {
    const __m128i in = _mm_min_epu16(_mm_loadu_si128(reinterpret_cast<const __m128i*>(s)), max);
    const __m256i v = _mm256_cvtepu16_epi32(in);
    return _mm256_cvttps_epi32(_mm256_mul_ps(_mm256_cvtepi32_ps(v), factor));
}

// 32-bit lanes a (elements 0-7) and b (8-15) to 16-bit saturated, in element order.
inline __m256i Pack32To16(__m256i a, __m256i b) {
    return _mm256_permute4x64_epi64(_mm256_packus_epi32(a, b), 0xD8);
}

inline bool Fits(GainPair g, int32_t maxGain, int32_t maxOffset) {
    return g.gain >= 0 && g.gain <= maxGain && g.offset >= -maxOffset && g.offset <= maxOffset;
}

}  // namespace

int32_t ScaleRun8Avx2(uint8_t* d, const uint8_t* s, int32_t n, float factor, bool keepFourth) {
    const __m256 f = _mm256_set1_ps(factor);
    const __m256i order = _mm256_setr_epi32(0, 4, 1, 5, 2, 6, 3, 7);
    const __m256i fourth = _mm256_set1_epi32(static_cast<int32_t>(0xFF000000u));
    int32_t j = 0;
    for (; j + 32 <= n; j += 32) {
        const __m256i r0 = Scale8Lanes(s + j, f);
        const __m256i r1 = Scale8Lanes(s + j + 8, f);
        const __m256i r2 = Scale8Lanes(s + j + 16, f);
        const __m256i r3 = Scale8Lanes(s + j + 24, f);
        const __m256i words =
            _mm256_packus_epi16(_mm256_packus_epi32(r0, r1), _mm256_packus_epi32(r2, r3));
        __m256i out = _mm256_permutevar8x32_epi32(words, order);
        if (keepFourth) out = _mm256_blendv_epi8(out, Load(d + j), fourth);
        Store(d + j, out);
    }
    return j;
}

int32_t ScaleRun16Avx2(uint16_t* d, const uint16_t* s, int32_t n, float factor, uint16_t max,
                       bool keepFourth) {
    const __m256 f = _mm256_set1_ps(factor);
    const __m128i limit = _mm_set1_epi16(static_cast<int16_t>(max));
    const __m256i top = _mm256_set1_epi16(static_cast<int16_t>(max));
    const __m256i fourth = _mm256_set1_epi64x(static_cast<int64_t>(0xFFFF000000000000ull));
    int32_t j = 0;
    for (; j + 16 <= n; j += 16) {
        __m256i out = _mm256_min_epu16(
            Pack32To16(Scale16Lanes(s + j, f, limit), Scale16Lanes(s + j + 8, f, limit)), top);
        if (keepFourth) out = _mm256_blendv_epi8(out, Load(d + j), fourth);
        Store(d + j, out);
    }
    return j;
}

int32_t GainRun8Avx2(uint8_t* d, const uint8_t* s, int32_t n, GainPair even, GainPair odd) {
    if (!Fits(even, kMax8Gain, kMax8Offset) || !Fits(odd, kMax8Gain, kMax8Offset)) return 0;
    // Words alternate even/odd samples: unpacking bytes keeps each sample's parity.
    const __m256i gains = _mm256_set1_epi32(odd.gain << 16 | even.gain);
    const __m256i offsets = _mm256_set1_epi32(static_cast<int32_t>(
        static_cast<uint32_t>(odd.offset) << 16 | (static_cast<uint32_t>(even.offset) & 0xFFFF)));
    const __m256i zero = _mm256_setzero_si256();
    int32_t j = 0;
    for (; j + 32 <= n; j += 32) {
        const __m256i v = Load(s + j);
        auto half = [&](__m256i words) {
            return _mm256_add_epi16(_mm256_srli_epi16(_mm256_mullo_epi16(words, gains), kGainShift),
                                    offsets);
        };
        Store(d + j, _mm256_packus_epi16(half(_mm256_unpacklo_epi8(v, zero)),
                                         half(_mm256_unpackhi_epi8(v, zero))));
    }
    return j;
}

int32_t GainRun16Avx2(uint16_t* d, const uint16_t* s, int32_t n, GainPair even, GainPair odd,
                      int32_t max) {
    if (!Fits(even, kMax16Gain, kMax16Offset) || !Fits(odd, kMax16Gain, kMax16Offset)) return 0;
    const __m256i gains = _mm256_setr_epi32(even.gain, odd.gain, even.gain, odd.gain, even.gain,
                                            odd.gain, even.gain, odd.gain);
    const __m256i offsets = _mm256_setr_epi32(even.offset, odd.offset, even.offset, odd.offset,
                                              even.offset, odd.offset, even.offset, odd.offset);
    const __m256i top = _mm256_set1_epi16(static_cast<int16_t>(max));
    int32_t j = 0;
    for (; j + 16 <= n; j += 16) {
        auto eight = [&](const uint16_t* p) {
            const __m256i v =
                _mm256_cvtepu16_epi32(_mm_loadu_si128(reinterpret_cast<const __m128i*>(p)));
            return _mm256_add_epi32(_mm256_srli_epi32(_mm256_mullo_epi32(v, gains), kGainShift),
                                    offsets);
        };
        Store(d + j, _mm256_min_epu16(Pack32To16(eight(s + j), eight(s + j + 8)), top));
    }
    return j;
}

}  // namespace kelvra::point

#pragma GCC pop_options

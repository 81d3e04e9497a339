// AVX2 rows of the 8-bit hue kernel: eight pixels at a time in 32-bit lanes, with the same
// integer steps as ShiftPixel. Every function here is compiled for AVX2 and reached only
// through UseAvx2(); nothing inline from a shared header is defined below the pragma.
#include "imaging/HueSaturationAvx2.h"

#include <immintrin.h>

#include <cstdint>

#include "imaging/HueMath.h"

#pragma GCC push_options
#pragma GCC target("avx2")

namespace kelvra::hue {

namespace {

constexpr int32_t kPixels = 8;
// Pixels of 3 bytes are read as two 16-byte loads, 12 bytes apart: 28 bytes for 24.
constexpr int32_t kPackedReadPixels = 10;
constexpr float kReciprocalNumerator = 16711680.0f;  // 0xFF0000, exact in float
constexpr int16_t kMax12 = 4095;

struct Constants {
    __m256i shiftSector;
    __m256i shiftRemainder;
    __m256i chromaFactor;
    __m256i fullTable;
    __m256i rampTable;
};

Constants MakeConstants(const HueTables& t) {
    const auto u = [](uint32_t v) { return static_cast<int32_t>(v); };
    return Constants{
        _mm256_set1_epi32(t.shiftSector),
        _mm256_set1_epi32(t.shiftRemainder),
        _mm256_set1_epi32(t.chromaFactor),
        _mm256_setr_epi32(u(kSectors.full[0]), u(kSectors.full[1]), u(kSectors.full[2]),
                          u(kSectors.full[3]), u(kSectors.full[4]), u(kSectors.full[5]), 0, 0),
        _mm256_setr_epi32(kSectors.ramp[0], kSectors.ramp[1], kSectors.ramp[2], kSectors.ramp[3],
                          kSectors.ramp[4], kSectors.ramp[5], 0, 0),
    };
}

inline __m256i Set(int32_t v) {
    return _mm256_set1_epi32(v);
}

// floor(0xFF0000 / c) for c = 1 .. 255, exactly: the float quotient q errs by less than
// q * 2^-24 < 1 / c, and a non-integral quotient lies at least 1 / c below the next integer,
// so truncation lands on the floor (checked for every c by the tests). c = 0 gives a value
// that is only ever multiplied by n = 0.
inline __m256i Reciprocal(__m256i c) {
    const __m256 q = _mm256_div_ps(_mm256_set1_ps(kReciprocalNumerator), _mm256_cvtepi32_ps(c));
    return _mm256_cvttps_epi32(q);
}

// Eight pixels packed as 0x..RRGGBB in 32-bit lanes in, the rotated pixels out (bytes 0-2).
inline __m256i Shift8(__m256i p, const Constants& k) {
    const __m256i byteMask = Set(0xFF);
    const __m256i blue = _mm256_and_si256(p, byteMask);
    const __m256i green = _mm256_and_si256(_mm256_srli_epi32(p, 8), byteMask);
    const __m256i red = _mm256_and_si256(_mm256_srli_epi32(p, 16), byteMask);
    const __m256i mx = _mm256_max_epi32(_mm256_max_epi32(blue, green), red);
    const __m256i mn = _mm256_min_epi32(_mm256_min_epi32(blue, green), red);
    const __m256i chroma = _mm256_sub_epi32(mx, mn);
    const __m256i sum = _mm256_add_epi32(mx, mn);

    // Sector base and numerator: blue largest -> 5, R - G; red >= green -> 1, G - B; else 3, B - R.
    const __m256i blueMax =
        _mm256_and_si256(_mm256_cmpgt_epi32(blue, red), _mm256_cmpgt_epi32(blue, green));
    const __m256i greenOverRed = _mm256_cmpgt_epi32(green, red);
    __m256i n = _mm256_blendv_epi8(_mm256_sub_epi32(green, blue), _mm256_sub_epi32(blue, red),
                                   greenOverRed);
    __m256i base = _mm256_blendv_epi8(Set(1), Set(3), greenOverRed);
    n = _mm256_blendv_epi8(n, _mm256_sub_epi32(red, green), blueMax);
    base = _mm256_blendv_epi8(base, Set(5), blueMax);
    const __m256i negative = _mm256_cmpgt_epi32(_mm256_setzero_si256(), n);
    base = _mm256_add_epi32(base, negative);
    n = _mm256_add_epi32(n, _mm256_and_si256(chroma, negative));

    const __m256i lightnessLimit = _mm256_min_epi32(sum, _mm256_sub_epi32(Set(511), sum));
    const __m256i scaled = _mm256_srli_epi32(
        _mm256_add_epi32(_mm256_mullo_epi32(chroma, k.chromaFactor), Set(0x8000)), 16);
    const __m256i c2 = _mm256_min_epi32(lightnessLimit, scaled);
    const __m256i low = _mm256_srli_epi32(_mm256_sub_epi32(sum, c2), 1);
    const __m256i amplitude =
        _mm256_sub_epi32(_mm256_srli_epi32(_mm256_add_epi32(sum, c2), 1), low);

    __m256i w = _mm256_srli_epi32(
        _mm256_add_epi32(_mm256_mullo_epi32(n, Reciprocal(chroma)), Set(0x8000)), 16);
    w = _mm256_add_epi32(w, k.shiftRemainder);
    const __m256i wrap = _mm256_cmpgt_epi32(w, Set(kSectorWidth - 1));
    w = _mm256_sub_epi32(w, _mm256_and_si256(wrap, Set(kSectorWidth)));
    __m256i j = _mm256_sub_epi32(_mm256_add_epi32(base, k.shiftSector), wrap);
    j = _mm256_sub_epi32(j, _mm256_and_si256(_mm256_cmpgt_epi32(j, Set(5)), Set(6)));

    const __m256i full = _mm256_permutevar8x32_epi32(k.fullTable, j);
    const __m256i rampMultiplier = _mm256_permutevar8x32_epi32(k.rampTable, j);
    const __m256i ramp =
        _mm256_srli_epi32(_mm256_add_epi32(_mm256_mullo_epi32(amplitude, w), Set(128)), 8);
    __m256i packed = _mm256_mullo_epi32(low, Set(0x010101));
    packed = _mm256_add_epi32(packed, _mm256_mullo_epi32(amplitude, full));
    packed = _mm256_add_epi32(packed, _mm256_mullo_epi32(ramp, rampMultiplier));
    return packed;
}

inline __m256i Load2x128(const uint8_t* low, const uint8_t* high) {
    const __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i*>(low));
    const __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i*>(high));
    return _mm256_inserti128_si256(_mm256_castsi128_si256(a), b, 1);
}

int32_t Row24(uint8_t* dst, const uint8_t* src, int32_t n, const Constants& k) {
    // Four 3-byte pixels of each 128-bit half spread to 32-bit lanes, and back.
    const __m256i spread = _mm256_setr_epi8(0, 1, 2, -1, 3, 4, 5, -1, 6, 7, 8, -1, 9, 10, 11, -1, 0,
                                            1, 2, -1, 3, 4, 5, -1, 6, 7, 8, -1, 9, 10, 11, -1);
    const __m256i gather = _mm256_setr_epi8(0, 1, 2, 4, 5, 6, 8, 9, 10, 12, 13, 14, -1, -1, -1, -1,
                                            0, 1, 2, 4, 5, 6, 8, 9, 10, 12, 13, 14, -1, -1, -1, -1);
    const __m256i join = _mm256_setr_epi32(0, 1, 2, 4, 5, 6, 7, 7);
    int32_t j = 0;
    for (; j + kPackedReadPixels <= n; j += kPixels) {
        const uint8_t* s = src + int64_t{j} * 3;
        const __m256i p = _mm256_shuffle_epi8(Load2x128(s, s + 12), spread);
        const __m256i out =
            _mm256_permutevar8x32_epi32(_mm256_shuffle_epi8(Shift8(p, k), gather), join);
        uint8_t* d = dst + int64_t{j} * 3;
        _mm_storeu_si128(reinterpret_cast<__m128i*>(d), _mm256_castsi256_si128(out));
        _mm_storel_epi64(reinterpret_cast<__m128i*>(d + 16), _mm256_extracti128_si256(out, 1));
    }
    return j;
}

int32_t Row32(uint8_t* dst, const uint8_t* src, int32_t n, const Constants& k) {
    const __m256i rgb = Set(0x00FFFFFF);
    int32_t j = 0;
    for (; j + kPixels <= n; j += kPixels) {
        const __m256i p =
            _mm256_loadu_si256(reinterpret_cast<const __m256i*>(src + int64_t{j} * 4));
        __m256i* d = reinterpret_cast<__m256i*>(dst + int64_t{j} * 4);
        const __m256i fourth = _mm256_andnot_si256(rgb, _mm256_loadu_si256(d));
        _mm256_storeu_si256(d, _mm256_or_si256(_mm256_and_si256(Shift8(p, k), rgb), fourth));
    }
    return j;
}

// 16-bit samples carry 12 bits: each is limited to 4095 and moved up by 4, so that its high byte
// holds the top 8 bits, which go through the 8-bit steps; the bytes come back as words shifted
// down by 4 again.
inline __m128i Load128(const uint8_t* p) {
    return _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
}
inline void Store128(uint8_t* p, __m128i v) {
    _mm_storeu_si128(reinterpret_cast<__m128i*>(p), v);
}
inline __m128i Raise12(__m128i words) {
    return _mm_slli_epi16(_mm_min_epu16(words, _mm_set1_epi16(kMax12)), kWideShift);
}
inline __m256i Raise12(__m256i words) {
    return _mm256_slli_epi16(_mm256_min_epu16(words, _mm256_set1_epi16(kMax12)), kWideShift);
}
inline __m128i Lower12(__m128i words) {
    return _mm_srli_epi16(words, kWideShift);
}
inline __m256i Lower12(__m256i words) {
    return _mm256_srli_epi16(words, kWideShift);
}

// Eight 6-byte pixels: 16-byte loads 12 bytes apart read 54 bytes for 48.
constexpr int32_t kWideReadPixels = 9;

int32_t Row48(uint8_t* dst, const uint8_t* src, int32_t n, const Constants& k) {
    // High bytes of the two pixels in bytes 0-11 to two 32-bit lanes, and back.
    const __m128i highBytes =
        _mm_setr_epi8(1, 3, 5, -1, 7, 9, 11, -1, -1, -1, -1, -1, -1, -1, -1, -1);
    const __m128i widenLow =
        _mm_setr_epi8(-1, 0, -1, 1, -1, 2, -1, 4, -1, 5, -1, 6, -1, -1, -1, -1);
    const __m128i widenHigh =
        _mm_setr_epi8(-1, 8, -1, 9, -1, 10, -1, 12, -1, 13, -1, 14, -1, -1, -1, -1);
    const __m128i lastFour = _mm_setr_epi32(0, 0, 0, -1);
    int32_t j = 0;
    for (; j + kWideReadPixels <= n; j += kPixels) {
        const uint8_t* s = src + int64_t{j} * 6;
        const __m128i l0 = _mm_shuffle_epi8(Raise12(Load128(s)), highBytes);
        const __m128i l1 = _mm_shuffle_epi8(Raise12(Load128(s + 12)), highBytes);
        const __m128i l2 = _mm_shuffle_epi8(Raise12(Load128(s + 24)), highBytes);
        const __m128i l3 = _mm_shuffle_epi8(Raise12(Load128(s + 36)), highBytes);
        const __m256i p = _mm256_inserti128_si256(
            _mm256_castsi128_si256(_mm_unpacklo_epi64(l0, l1)), _mm_unpacklo_epi64(l2, l3), 1);
        const __m256i out = Shift8(p, k);
        const __m128i low = _mm256_castsi256_si128(out);
        const __m128i high = _mm256_extracti128_si256(out, 1);
        uint8_t* d = dst + int64_t{j} * 6;
        // Each store writes two pixels and 4 bytes of the next; the last one writes back what
        // the destination holds there (read before any store, so in place works too).
        const __m128i next = _mm_and_si128(Load128(d + 36), lastFour);
        Store128(d, Lower12(_mm_shuffle_epi8(low, widenLow)));
        Store128(d + 12, Lower12(_mm_shuffle_epi8(low, widenHigh)));
        Store128(d + 24, Lower12(_mm_shuffle_epi8(high, widenLow)));
        Store128(d + 36, _mm_or_si128(Lower12(_mm_shuffle_epi8(high, widenHigh)), next));
    }
    return j;
}

template <bool ZeroFourth>
int32_t Row64(uint8_t* dst, const uint8_t* src, int32_t n, const Constants& k) {
    const __m256i highBytes =
        _mm256_setr_epi8(1, 3, 5, -1, 9, 11, 13, -1, -1, -1, -1, -1, -1, -1, -1, -1, 1, 3, 5, -1, 9,
                         11, 13, -1, -1, -1, -1, -1, -1, -1, -1, -1);
    const __m256i widen =
        _mm256_setr_epi8(-1, 0, -1, 1, -1, 2, -1, -1, -1, 8, -1, 9, -1, 10, -1, -1, -1, 0, -1, 1,
                         -1, 2, -1, -1, -1, 8, -1, 9, -1, 10, -1, -1);
    const __m256i fourth = _mm256_set1_epi64x(static_cast<int64_t>(0xFFFF000000000000ull));
    int32_t j = 0;
    for (; j + kPixels <= n; j += kPixels) {
        const uint8_t* s = src + int64_t{j} * 8;
        const __m256i a = _mm256_shuffle_epi8(
            Raise12(_mm256_loadu_si256(reinterpret_cast<const __m256i*>(s))), highBytes);
        const __m256i b = _mm256_shuffle_epi8(
            Raise12(_mm256_loadu_si256(reinterpret_cast<const __m256i*>(s + 32))), highBytes);
        // Lanes come out as pixels 0 1 4 5 | 2 3 6 7; the 64-bit permute puts them in order.
        const __m256i p = _mm256_permute4x64_epi64(_mm256_unpacklo_epi64(a, b), 0xD8);
        const __m256i out = Shift8(p, k);
        uint8_t* d = dst + int64_t{j} * 8;
        for (int half = 0; half < 2; ++half) {
            const __m128i four =
                half == 0 ? _mm256_castsi256_si128(out) : _mm256_extracti128_si256(out, 1);
            __m256i wide = Lower12(_mm256_shuffle_epi8(_mm256_cvtepu32_epi64(four), widen));
            __m256i* q = reinterpret_cast<__m256i*>(d + 32 * half);
            if constexpr (!ZeroFourth) {
                wide = _mm256_or_si256(wide, _mm256_and_si256(_mm256_loadu_si256(q), fourth));
            }
            _mm256_storeu_si256(q, wide);
        }
    }
    return j;
}

}  // namespace

int32_t ShiftRow8Avx2(uint8_t* dst, const uint8_t* src, int32_t n, int32_t dstBpp, int32_t srcBpp,
                      const HueTables& tables) {
    if (dstBpp != srcBpp || (srcBpp != 3 && srcBpp != 4)) return 0;
    const Constants k = MakeConstants(tables);
    return srcBpp == 3 ? Row24(dst, src, n, k) : Row32(dst, src, n, k);
}

int32_t ShiftRow16Avx2(uint8_t* dst, const uint8_t* src, int32_t n, int32_t dstBpp, int32_t srcBpp,
                       bool zeroFourth, const HueTables& tables) {
    if (dstBpp != srcBpp || (srcBpp != 6 && srcBpp != 8) || (zeroFourth && srcBpp != 8)) {
        return 0;
    }
    const Constants k = MakeConstants(tables);
    if (srcBpp == 6) return Row48(dst, src, n, k);
    return zeroFourth ? Row64<true>(dst, src, n, k) : Row64<false>(dst, src, n, k);
}

}  // namespace kelvra::hue

#pragma GCC pop_options

// AVX2 runs of the conversions. Every function here is compiled for AVX2 and reached only
// through UseAvx2(); nothing inline from a shared header is defined below the pragma.
#include "imaging/ConversionAvx2.h"

#include <immintrin.h>

#include <cstdint>

#pragma GCC push_options
#pragma GCC target("avx2")

namespace kelvra::convert {

namespace {

inline __m128i Load128(const uint8_t* p) {
    return _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
}
inline void Store128(uint8_t* p, __m128i v) {
    _mm_storeu_si128(reinterpret_cast<__m128i*>(p), v);
}
inline __m256i Load256(const uint8_t* p) {
    return _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p));
}
inline void Store256(uint8_t* p, __m256i v) {
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(p), v);
}

// 48-byte blocks (16 three-byte or 8 six-byte pixels) in three vectors, without overlapping
// stores. Output byte p of a block comes from p + 2 * step (first sample), p (second) or
// p - 2 * step (third), where step is the sample size: the first and third samples trade
// places.
struct BlockMasks {
    __m128i fromAhead[3];   // bytes taken from p + 2 * step
    __m128i fromBehind[3];  // bytes taken from p - 2 * step
};

BlockMasks MakeBlockMasks(int step) {
    BlockMasks m;
    for (int k = 0; k < 3; ++k) {
        alignas(16) int8_t ahead[16];
        alignas(16) int8_t behind[16];
        for (int i = 0; i < 16; ++i) {
            const int sample = ((16 * k + i) / step) % 3;
            ahead[i] = static_cast<int8_t>(sample == 0 ? -1 : 0);
            behind[i] = static_cast<int8_t>(sample == 2 ? -1 : 0);
        }
        m.fromAhead[k] = _mm_load_si128(reinterpret_cast<const __m128i*>(ahead));
        m.fromBehind[k] = _mm_load_si128(reinterpret_cast<const __m128i*>(behind));
    }
    return m;
}

// Exchanges the first and third samples of the pixels of one 48-byte block.
template <int Step>
inline void SwapBlock(const __m128i (&in)[3], __m128i (&out)[3], const BlockMasks& m) {
    const __m128i zero = _mm_setzero_si128();
    for (int k = 0; k < 3; ++k) {
        const __m128i next = k < 2 ? in[k + 1] : zero;
        const __m128i previous = k > 0 ? in[k - 1] : zero;
        const __m128i ahead = _mm_alignr_epi8(next, in[k], 2 * Step);
        const __m128i behind = _mm_alignr_epi8(in[k], previous, 16 - 2 * Step);
        out[k] =
            _mm_blendv_epi8(_mm_blendv_epi8(in[k], ahead, m.fromAhead[k]), behind, m.fromBehind[k]);
    }
}

int32_t Swap24(uint8_t* d, const uint8_t* s, int32_t n) {
    const BlockMasks m = MakeBlockMasks(1);
    int32_t j = 0;
    for (; j + 16 <= n; j += 16) {
        const uint8_t* p = s + 3 * int64_t{j};
        const __m128i in[3] = {Load128(p), Load128(p + 16), Load128(p + 32)};
        __m128i out[3];
        SwapBlock<1>(in, out, m);
        uint8_t* q = d + 3 * int64_t{j};
        for (int k = 0; k < 3; ++k) Store128(q + 16 * k, out[k]);
    }
    return j;
}

int32_t Swap32(uint8_t* d, const uint8_t* s, int32_t n) {
    const __m256i swap = _mm256_setr_epi8(2, 1, 0, -1, 6, 5, 4, -1, 10, 9, 8, -1, 14, 13, 12, -1, 2,
                                          1, 0, -1, 6, 5, 4, -1, 10, 9, 8, -1, 14, 13, 12, -1);
    const __m256i fourth = _mm256_set1_epi32(static_cast<int32_t>(0xFF000000u));
    int32_t j = 0;
    for (; j + 8 <= n; j += 8) {
        uint8_t* q = d + 4 * int64_t{j};
        const __m256i kept = _mm256_and_si256(Load256(q), fourth);
        Store256(q, _mm256_or_si256(_mm256_shuffle_epi8(Load256(s + 4 * int64_t{j}), swap), kept));
    }
    return j;
}

// Word order of three samples, optionally exchanging the first and third.
inline __m128i WordOrder(bool swap, int pixelBytes, int pixels, int outBytes) {
    alignas(16) int8_t m[16];
    for (int i = 0; i < 16; ++i) m[i] = -1;
    for (int p = 0; p < pixels; ++p) {
        for (int w = 0; w < 3; ++w) {
            const int from = swap ? 2 - w : w;
            m[p * outBytes + 2 * w] = static_cast<int8_t>(p * pixelBytes + 2 * from);
            m[p * outBytes + 2 * w + 1] = static_cast<int8_t>(p * pixelBytes + 2 * from + 1);
        }
    }
    return _mm_load_si128(reinterpret_cast<const __m128i*>(m));
}

// 6-byte pixels in and out, eight per block.
int32_t Widen48(uint8_t* d, const uint8_t* s, int32_t n, __m128i shift, bool swap) {
    const BlockMasks m = MakeBlockMasks(2);
    int32_t j = 0;
    for (; j + 8 <= n; j += 8) {
        const uint8_t* p = s + 6 * int64_t{j};
        __m128i in[3] = {Load128(p), Load128(p + 16), Load128(p + 32)};
        __m128i out[3] = {in[0], in[1], in[2]};
        if (swap) SwapBlock<2>(in, out, m);
        uint8_t* q = d + 6 * int64_t{j};
        for (int k = 0; k < 3; ++k) Store128(q + 16 * k, _mm_sll_epi16(out[k], shift));
    }
    return j;
}

// 8-byte pixels in and out, two per 128 bits; the fourth sample is the destination's, or
// 0xFFFF when opaque.
int32_t Widen64(uint8_t* d, const uint8_t* s, int32_t n, __m128i shift, bool swap, bool opaque) {
    const __m256i order = _mm256_broadcastsi128_si256(WordOrder(swap, 8, 2, 8));
    const __m256i fourth = _mm256_set1_epi64x(static_cast<int64_t>(0xFFFF000000000000ull));
    int32_t j = 0;
    for (; j + 4 <= n; j += 4) {
        const __m256i out =
            _mm256_sll_epi16(_mm256_shuffle_epi8(Load256(s + 8 * int64_t{j}), order), shift);
        uint8_t* q = d + 8 * int64_t{j};
        const __m256i last = opaque ? fourth : _mm256_and_si256(Load256(q), fourth);
        Store256(q, _mm256_or_si256(out, last));
    }
    return j;
}

// 6-byte pixels to 8-byte pixels with an opaque fourth sample, two per window.
int32_t Widen48To64(uint8_t* d, const uint8_t* s, int32_t n, __m128i shift, bool swap) {
    const __m128i order = WordOrder(swap, 6, 2, 8);
    const __m128i fourth = _mm_set1_epi64x(static_cast<int64_t>(0xFFFF000000000000ull));
    int32_t j = 0;
    for (; j + 3 <= n; j += 2) {
        const __m128i out =
            _mm_sll_epi16(_mm_shuffle_epi8(Load128(s + 6 * int64_t{j}), order), shift);
        Store128(d + 8 * int64_t{j}, _mm_or_si128(out, fourth));
    }
    return j;
}

// floor(x / 100) for x <= 25500 as (x * 41944) >> 22: the error of the multiplier stays below
// the 1/100 left by any remainder.
constexpr int32_t kHundredthMultiplier = 41944;
constexpr int kHundredthShift = 22;

template <int PixelBytes>
int32_t Grey(uint8_t* d, const uint8_t* s, int32_t n) {
    // Eight pixels: blue/green and red/zero word pairs per 32-bit lane, then pmaddwd.
    const __m256i blueGreen =
        _mm256_setr_epi8(0, -1, 1, -1, PixelBytes, -1, PixelBytes + 1, -1, 2 * PixelBytes, -1,
                         2 * PixelBytes + 1, -1, 3 * PixelBytes, -1, 3 * PixelBytes + 1, -1, 0, -1,
                         1, -1, PixelBytes, -1, PixelBytes + 1, -1, 2 * PixelBytes, -1,
                         2 * PixelBytes + 1, -1, 3 * PixelBytes, -1, 3 * PixelBytes + 1, -1);
    const __m256i redZero =
        _mm256_setr_epi8(2, -1, -1, -1, PixelBytes + 2, -1, -1, -1, 2 * PixelBytes + 2, -1, -1, -1,
                         3 * PixelBytes + 2, -1, -1, -1, 2, -1, -1, -1, PixelBytes + 2, -1, -1, -1,
                         2 * PixelBytes + 2, -1, -1, -1, 3 * PixelBytes + 2, -1, -1, -1);
    const __m256i weightsBlueGreen = _mm256_set1_epi32(59 << 16 | 11);
    const __m256i weightsRed = _mm256_set1_epi32(30);
    const __m256i toBytes =
        _mm256_setr_epi8(0, 4, 8, 12, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, 0, 4, 8, 12,
                         -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1);
    // Two 16-byte loads 4 pixels apart; 3-byte pixels read 28 bytes for 24.
    const int32_t reach = PixelBytes == 3 ? 10 : 8;
    int32_t j = 0;
    for (; j + reach <= n; j += 8) {
        const uint8_t* p = s + int64_t{j} * PixelBytes;
        const __m256i v = _mm256_inserti128_si256(_mm256_castsi128_si256(Load128(p)),
                                                  Load128(p + 4 * PixelBytes), 1);
        const __m256i sum =
            _mm256_add_epi32(_mm256_madd_epi16(_mm256_shuffle_epi8(v, blueGreen), weightsBlueGreen),
                             _mm256_madd_epi16(_mm256_shuffle_epi8(v, redZero), weightsRed));
        const __m256i grey = _mm256_srli_epi32(
            _mm256_mullo_epi32(sum, _mm256_set1_epi32(kHundredthMultiplier)), kHundredthShift);
        const __m256i bytes = _mm256_shuffle_epi8(grey, toBytes);
        const uint32_t low = static_cast<uint32_t>(_mm256_extract_epi32(bytes, 0));
        const uint32_t high = static_cast<uint32_t>(_mm256_extract_epi32(bytes, 4));
        const uint64_t eight = uint64_t{low} | uint64_t{high} << 32;
        __builtin_memcpy(d + j, &eight, sizeof(eight));
    }
    return j;
}

}  // namespace

int32_t CopyBgrAvx2(uint8_t* d, const uint8_t* s, int32_t n, int32_t dstBpp, int32_t srcBpp) {
    if (dstBpp != 4 || srcBpp != 4) return 0;
    const __m256i fourth = _mm256_set1_epi32(static_cast<int32_t>(0xFF000000u));
    int32_t j = 0;
    for (; j + 8 <= n; j += 8) {
        uint8_t* q = d + 4 * int64_t{j};
        const __m256i kept = _mm256_and_si256(Load256(q), fourth);
        Store256(q,
                 _mm256_or_si256(_mm256_andnot_si256(fourth, Load256(s + 4 * int64_t{j})), kept));
    }
    return j;
}

int32_t SwapBgrAvx2(uint8_t* d, const uint8_t* s, int32_t n, int32_t dstBpp, int32_t srcBpp) {
    if (dstBpp == 3 && srcBpp == 3) return Swap24(d, s, n);
    if (dstBpp == 4 && srcBpp == 4) return Swap32(d, s, n);
    return 0;
}

int32_t WidenColour16Avx2(uint8_t* d, const uint8_t* s, int32_t n, int32_t dstBpp, int32_t srcBpp,
                          int shift, bool swap, bool opaqueFourth) {
    const __m128i count = _mm_cvtsi32_si128(shift);
    if (dstBpp == 8 && srcBpp == 8) return Widen64(d, s, n, count, swap, opaqueFourth);
    if (dstBpp == 8 && srcBpp == 6 && opaqueFourth) return Widen48To64(d, s, n, count, swap);
    if (dstBpp == 6 && srcBpp == 6 && !opaqueFourth) return Widen48(d, s, n, count, swap);
    return 0;
}

int32_t NarrowColour16Avx2(uint8_t* d, const uint8_t* s, int32_t n, int32_t dstBpp, int32_t srcBpp,
                           int shift) {
    if (dstBpp != 4 || srcBpp != 8) return 0;
    const __m128i count = _mm_cvtsi32_si128(shift);
    // Low bytes of the first three words of each 8-byte pixel; two pixels per 128-bit lane.
    const __m256i lowBytes =
        _mm256_setr_epi8(0, 2, 4, -1, 8, 10, 12, -1, -1, -1, -1, -1, -1, -1, -1, -1, 0, 2, 4, -1, 8,
                         10, 12, -1, -1, -1, -1, -1, -1, -1, -1, -1);
    const __m256i fourth = _mm256_set1_epi32(static_cast<int32_t>(0xFF000000u));
    int32_t j = 0;
    for (; j + 8 <= n; j += 8) {
        const uint8_t* p = s + 8 * int64_t{j};
        // Each load gives four pixels in 64-bit halves 0 and 2; unpacking joins the two loads.
        const __m256i a = _mm256_shuffle_epi8(_mm256_srl_epi16(Load256(p), count), lowBytes);
        const __m256i b = _mm256_shuffle_epi8(_mm256_srl_epi16(Load256(p + 32), count), lowBytes);
        const __m256i joined = _mm256_permute4x64_epi64(_mm256_unpacklo_epi64(a, b), 0xD8);
        uint8_t* q = d + 4 * int64_t{j};
        Store256(q, _mm256_or_si256(joined, _mm256_and_si256(Load256(q), fourth)));
    }
    return j;
}

int32_t BgrToGreyAvx2(uint8_t* d, const uint8_t* s, int32_t n, int32_t dstBpp, int32_t srcBpp) {
    if (dstBpp != 1) return 0;
    if (srcBpp == 3) return Grey<3>(d, s, n);
    if (srcBpp == 4) return Grey<4>(d, s, n);
    return 0;
}

}  // namespace kelvra::convert

#pragma GCC pop_options

// AVX2 spans of the demosaic. Every function here is compiled for AVX2 and reached only
// through UseAvx2(); nothing inline from a shared header is defined below the pragma.
#include <immintrin.h>

#include <cstdint>

#include "imaging/DemosaicRows.h"

#pragma GCC push_options
#pragma GCC target("avx2")

namespace kelvra::demosaic {

namespace {

constexpr int kLanes8 = 32;                        // 8-bit pixels per iteration
constexpr int kLanes16 = 16;                       // 16-bit pixels per iteration
constexpr int kGainShiftTo16 = 16 - kOutputShift;  // (S * (k << 5)) >> 16 == (S * k) >> 11
// The 16-bit samples are biased to signed for pmaddwd; the weights sum to 16.
constexpr int32_t kSignBias16 = 0x8000;
constexpr int32_t kBiasCorrection = 16 * kSignBias16;

struct Mask {
    int8_t bytes[32];
};

// pshufb masks that interleave three planes (blue, green, red) of SampleBytes-byte samples into
// pixel order, for output block `part` (0-2) of each 128-bit lane; `plane` picks the source.
constexpr Mask InterleaveMask(int sampleBytes, int part, int plane) {
    Mask m{};
    for (int lane = 0; lane < 2; ++lane) {
        for (int k = 0; k < 16; ++k) {
            const int byte = 16 * part + k;
            const int sample = byte / sampleBytes;
            const int within = byte % sampleBytes;
            const bool mine = sample % 3 == plane;
            m.bytes[16 * lane + k] =
                static_cast<int8_t>(mine ? (sample / 3) * sampleBytes + within : -128);
        }
    }
    return m;
}

template <int SampleBytes>
struct InterleaveMasks {
    static constexpr Mask kMasks[3][3] = {
        {InterleaveMask(SampleBytes, 0, 0), InterleaveMask(SampleBytes, 0, 1),
         InterleaveMask(SampleBytes, 0, 2)},
        {InterleaveMask(SampleBytes, 1, 0), InterleaveMask(SampleBytes, 1, 1),
         InterleaveMask(SampleBytes, 1, 2)},
        {InterleaveMask(SampleBytes, 2, 0), InterleaveMask(SampleBytes, 2, 1),
         InterleaveMask(SampleBytes, 2, 2)},
    };
};

inline __m256i LoadMask(const Mask& m) {
    return _mm256_loadu_si256(reinterpret_cast<const __m256i*>(m.bytes));
}

inline __m256i Load(const void* p) {
    return _mm256_loadu_si256(static_cast<const __m256i*>(p));
}

inline void Store(void* p, __m256i v) {
    _mm256_storeu_si256(static_cast<__m256i*>(p), v);
}

// Picks `here` in the lanes of mask, `other` elsewhere.
inline __m256i Select(__m256i mask, __m256i here, __m256i other) {
    return _mm256_blendv_epi8(other, here, mask);
}

// floor((a + b) / 2) per byte or per 16-bit sample: the rounding average minus the lost bit.
inline __m256i FloorAverage8(__m256i a, __m256i b) {
    const __m256i odd = _mm256_and_si256(_mm256_xor_si256(a, b), _mm256_set1_epi8(1));
    return _mm256_sub_epi8(_mm256_avg_epu8(a, b), odd);
}

inline __m256i FloorAverage16(__m256i a, __m256i b) {
    const __m256i odd = _mm256_and_si256(_mm256_xor_si256(a, b), _mm256_set1_epi16(1));
    return _mm256_sub_epi16(_mm256_avg_epu16(a, b), odd);
}

// Writes three planes of 16 pixels per 128-bit lane as packed pixels (96 bytes in all).
template <int SampleBytes>
inline void StorePacked(uint8_t* d, __m256i blue, __m256i green, __m256i red) {
    using M = InterleaveMasks<SampleBytes>;
    __m256i part[3];
    for (int p = 0; p < 3; ++p) {
        part[p] =
            _mm256_or_si256(_mm256_or_si256(_mm256_shuffle_epi8(blue, LoadMask(M::kMasks[p][0])),
                                            _mm256_shuffle_epi8(green, LoadMask(M::kMasks[p][1]))),
                            _mm256_shuffle_epi8(red, LoadMask(M::kMasks[p][2])));
    }
    Store(d, _mm256_permute2x128_si256(part[0], part[1], 0x20));
    Store(d + 32, _mm256_permute2x128_si256(part[2], part[0], 0x30));
    Store(d + 64, _mm256_permute2x128_si256(part[1], part[2], 0x31));
}

// Writes 32 pixels of four bytes (blue, green, red from the planes, the fourth byte kept).
inline void StoreQuad8(uint8_t* d, __m256i blue, __m256i green, __m256i red) {
    const __m256i zero = _mm256_setzero_si256();
    const __m256i keep = _mm256_set1_epi32(static_cast<int32_t>(0xFF000000u));
    const __m256i bgLow = _mm256_unpacklo_epi8(blue, green);
    const __m256i bgHigh = _mm256_unpackhi_epi8(blue, green);
    const __m256i rLow = _mm256_unpacklo_epi8(red, zero);
    const __m256i rHigh = _mm256_unpackhi_epi8(red, zero);
    const __m256i p0 = _mm256_unpacklo_epi16(bgLow, rLow);
    const __m256i p1 = _mm256_unpackhi_epi16(bgLow, rLow);
    const __m256i p2 = _mm256_unpacklo_epi16(bgHigh, rHigh);
    const __m256i p3 = _mm256_unpackhi_epi16(bgHigh, rHigh);
    const __m256i q[4] = {
        _mm256_permute2x128_si256(p0, p1, 0x20), _mm256_permute2x128_si256(p2, p3, 0x20),
        _mm256_permute2x128_si256(p0, p1, 0x31), _mm256_permute2x128_si256(p2, p3, 0x31)};
    for (int k = 0; k < 4; ++k) {
        uint8_t* p = d + 32 * k;
        Store(p, _mm256_blendv_epi8(q[k], Load(p), keep));
    }
}

// Writes 16 pixels of four 16-bit samples (the fourth sample kept).
inline void StoreQuad16(uint8_t* d, __m256i blue, __m256i green, __m256i red) {
    const __m256i zero = _mm256_setzero_si256();
    const __m256i keep = _mm256_set1_epi64x(static_cast<int64_t>(0xFFFF000000000000ull));
    const __m256i bgLow = _mm256_unpacklo_epi16(blue, green);
    const __m256i bgHigh = _mm256_unpackhi_epi16(blue, green);
    const __m256i rLow = _mm256_unpacklo_epi16(red, zero);
    const __m256i rHigh = _mm256_unpackhi_epi16(red, zero);
    const __m256i p0 = _mm256_unpacklo_epi32(bgLow, rLow);
    const __m256i p1 = _mm256_unpackhi_epi32(bgLow, rLow);
    const __m256i p2 = _mm256_unpacklo_epi32(bgHigh, rHigh);
    const __m256i p3 = _mm256_unpackhi_epi32(bgHigh, rHigh);
    const __m256i q[4] = {
        _mm256_permute2x128_si256(p0, p1, 0x20), _mm256_permute2x128_si256(p2, p3, 0x20),
        _mm256_permute2x128_si256(p0, p1, 0x31), _mm256_permute2x128_si256(p2, p3, 0x31)};
    for (int k = 0; k < 4; ++k) {
        uint8_t* p = d + 32 * k;
        Store(p, _mm256_blendv_epi8(q[k], Load(p), keep));
    }
}

// The four same-colour samples of the bilinear sum, chosen per lane: centre and horizontal
// neighbour from the near row, the same columns from the far row.
struct Quad {
    __m256i nearCentre;
    __m256i nearSide;
    __m256i farCentre;
    __m256i farSide;
};

// `here` marks lanes whose colour sits at x (else at x - 1). Elements are bytes or words
// according to T; x is the first lane's column.
template <typename T>
inline Quad Gather(const T* nearRow, const T* farRow, int32_t x, __m256i here) {
    return Quad{Select(here, Load(nearRow + x), Load(nearRow + x - 1)),
                Select(here, Load(nearRow + x - 2), Load(nearRow + x + 1)),
                Select(here, Load(farRow + x), Load(farRow + x - 1)),
                Select(here, Load(farRow + x - 2), Load(farRow + x + 1))};
}

// 9 c + 3 h + 3 c' + h' for 32 byte lanes, gained: (S * k) >> 11 saturated to bytes.
inline __m256i Colour8(const Quad& q, __m256i gain) {
    const __m256i nearWeights = _mm256_set1_epi16(0x0309);  // 9 on the centre, 3 on the side
    const __m256i farWeights = _mm256_set1_epi16(0x0103);   // 3 on the centre, 1 on the side
    const __m256i lowSum = _mm256_add_epi16(
        _mm256_maddubs_epi16(_mm256_unpacklo_epi8(q.nearCentre, q.nearSide), nearWeights),
        _mm256_maddubs_epi16(_mm256_unpacklo_epi8(q.farCentre, q.farSide), farWeights));
    const __m256i highSum = _mm256_add_epi16(
        _mm256_maddubs_epi16(_mm256_unpackhi_epi8(q.nearCentre, q.nearSide), nearWeights),
        _mm256_maddubs_epi16(_mm256_unpackhi_epi8(q.farCentre, q.farSide), farWeights));
    return _mm256_packus_epi16(_mm256_mulhi_epu16(lowSum, gain), _mm256_mulhi_epu16(highSum, gain));
}

inline __m256i Top16() {
    return _mm256_set1_epi16(static_cast<int16_t>(kTop16));
}

inline __m256i Bias(__m256i v) {
    return _mm256_xor_si256(v, _mm256_set1_epi16(-0x8000));
}

// The same for 16 word lanes in 32-bit arithmetic, saturated to the 12-bit 4095.
inline __m256i Colour16(const Quad& q, __m256i gain) {
    const __m256i nearWeights = _mm256_set1_epi32(0x00030009);
    const __m256i farWeights = _mm256_set1_epi32(0x00010003);
    const __m256i bias = _mm256_set1_epi32(kBiasCorrection);
    const __m256i nc = Bias(q.nearCentre);
    const __m256i ns = Bias(q.nearSide);
    const __m256i fc = Bias(q.farCentre);
    const __m256i fs = Bias(q.farSide);
    auto sum = [&](__m256i nearPairs, __m256i farPairs) {
        const __m256i s = _mm256_add_epi32(_mm256_madd_epi16(nearPairs, nearWeights),
                                           _mm256_madd_epi16(farPairs, farWeights));
        const __m256i gained = _mm256_mullo_epi32(_mm256_add_epi32(s, bias), gain);
        return _mm256_srli_epi32(gained, kOutputShift);
    };
    const __m256i low = sum(_mm256_unpacklo_epi16(nc, ns), _mm256_unpacklo_epi16(fc, fs));
    const __m256i high = sum(_mm256_unpackhi_epi16(nc, ns), _mm256_unpackhi_epi16(fc, fs));
    return _mm256_min_epu16(_mm256_packus_epi32(low, high), Top16());
}

// Lane masks: lanes with column parity `parity` (lane 0 is even).
inline __m256i ParityMask8(int32_t parity) {
    return _mm256_set1_epi16(static_cast<int16_t>(parity == 0 ? 0x00FF : 0xFF00));
}

inline __m256i ParityMask16(int32_t parity) {
    return _mm256_set1_epi32(parity == 0 ? 0x0000FFFF : static_cast<int32_t>(0xFFFF0000u));
}

// The near rows are the green rows: naming them upper and lower by role lets each load serve
// both its colour and green.
template <bool UpperIsRed, bool Quad>
int32_t Span8(uint8_t* dstRow, const RowSet<uint8_t>& r, int32_t x0, int32_t x1, Gains gains) {
    const uint8_t* upper = r.greenUpper;
    const uint8_t* lower = r.greenLower;
    const uint8_t* redNear = UpperIsRed ? upper : lower;
    const uint8_t* blueNear = UpperIsRed ? lower : upper;
    const __m256i redHere = ParityMask8(r.redParity);
    const __m256i blueHere = ParityMask8(1 - r.redParity);
    const __m256i upperHere = ParityMask8(r.greenUpperParity);
    const __m256i redGain = _mm256_set1_epi16(static_cast<int16_t>(gains.red << kGainShiftTo16));
    const __m256i blueGain = _mm256_set1_epi16(static_cast<int16_t>(gains.blue << kGainShiftTo16));
    int32_t x = x0;
    for (; x + kLanes8 <= x1; x += kLanes8) {
        const __m256i red = Colour8(Gather(redNear, r.redFar, x, redHere), redGain);
        const __m256i blue = Colour8(Gather(blueNear, r.blueFar, x, blueHere), blueGain);
        const __m256i green =
            FloorAverage8(Select(upperHere, Load(upper + x), Load(upper + x - 1)),
                          Select(upperHere, Load(lower + x - 1), Load(lower + x)));
        if constexpr (Quad) {
            StoreQuad8(dstRow + int64_t{x} * 4, blue, green, red);
        } else {
            StorePacked<1>(dstRow + int64_t{x} * 3, blue, green, red);
        }
    }
    return x - x0;
}

template <bool UpperIsRed, bool Quad>
int32_t Span16(uint8_t* dstRow, const RowSet<uint16_t>& r, int32_t x0, int32_t x1, Gains gains) {
    const uint16_t* upper = r.greenUpper;
    const uint16_t* lower = r.greenLower;
    const uint16_t* redNear = UpperIsRed ? upper : lower;
    const uint16_t* blueNear = UpperIsRed ? lower : upper;
    const __m256i redHere = ParityMask16(r.redParity);
    const __m256i blueHere = ParityMask16(1 - r.redParity);
    const __m256i upperHere = ParityMask16(r.greenUpperParity);
    const __m256i redGain = _mm256_set1_epi32(gains.red);
    const __m256i blueGain = _mm256_set1_epi32(gains.blue);
    int32_t x = x0;
    for (; x + kLanes16 <= x1; x += kLanes16) {
        const __m256i red = Colour16(Gather(redNear, r.redFar, x, redHere), redGain);
        const __m256i blue = Colour16(Gather(blueNear, r.blueFar, x, blueHere), blueGain);
        const __m256i green = _mm256_min_epu16(
            FloorAverage16(Select(upperHere, Load(upper + x), Load(upper + x - 1)),
                           Select(upperHere, Load(lower + x - 1), Load(lower + x))),
            Top16());
        if constexpr (Quad) {
            StoreQuad16(dstRow + int64_t{x} * 8, blue, green, red);
        } else {
            StorePacked<2>(dstRow + int64_t{x} * 6, blue, green, red);
        }
    }
    return x - x0;
}

}  // namespace

int32_t Span8Avx2(uint8_t* dstRow, int32_t dstBpp, const RowSet<uint8_t>& r, int32_t x0, int32_t x1,
                  Gains gains) {
    if (dstBpp == 3) {
        return r.upperIsRed ? Span8<true, false>(dstRow, r, x0, x1, gains)
                            : Span8<false, false>(dstRow, r, x0, x1, gains);
    }
    if (dstBpp == 4) {
        return r.upperIsRed ? Span8<true, true>(dstRow, r, x0, x1, gains)
                            : Span8<false, true>(dstRow, r, x0, x1, gains);
    }
    return 0;
}

int32_t Span16Avx2(uint8_t* dstRow, int32_t dstBpp, const RowSet<uint16_t>& r, int32_t x0,
                   int32_t x1, Gains gains) {
    if (dstBpp == 6) {
        return r.upperIsRed ? Span16<true, false>(dstRow, r, x0, x1, gains)
                            : Span16<false, false>(dstRow, r, x0, x1, gains);
    }
    if (dstBpp == 8) {
        return r.upperIsRed ? Span16<true, true>(dstRow, r, x0, x1, gains)
                            : Span16<false, true>(dstRow, r, x0, x1, gains);
    }
    return 0;
}

}  // namespace kelvra::demosaic

#pragma GCC pop_options

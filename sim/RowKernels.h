#pragma once
// Per-row pixel loops of the frame generator: maps in, 12-bit samples out (the top 8 bits for
// 8-bit output). The plain path runs four and eight samples at a time with SSE2, which every
// x86-64 processor has; g++ would not vectorise the float clamp by itself without
// -fno-trapping-math. The noisy path is optional and scalar.

#include <cstdint>
#include <type_traits>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace kelvra::sim {

inline constexpr float kMaxSample = 4095.0f;  // 12-bit

struct SpanGains {
    float black;
    float signal;
    float dark;
    int shift;  // 4 for 8-bit output, 0 for 16-bit
};

// One sample, in the same order of operations as the vector path so both round alike.
template <typename T>
inline T renderSample(float response, float dark, SpanGains g, float extra = 0.0f) {
    float v = g.black + g.signal * response + g.dark * dark + extra;
    v = v < 0.0f ? 0.0f : v;
    v = v > kMaxSample ? kMaxSample : v;
    return static_cast<T>(static_cast<int>(v + 0.5f) >> g.shift);
}

// Vector part of a span: returns how many samples (a multiple of 8) it wrote.
template <typename T>
int renderSpanVector(const float* response, const float* dark, int n, SpanGains g, T* out) {
#if defined(__SSE2__)
    const __m128 black = _mm_set1_ps(g.black), signal = _mm_set1_ps(g.signal);
    const __m128 darkGain = _mm_set1_ps(g.dark), zero = _mm_setzero_ps();
    const __m128 top = _mm_set1_ps(kMaxSample), half = _mm_set1_ps(0.5f);
    const __m128i shift = _mm_cvtsi32_si128(g.shift);
    auto four = [&](int j) {
        __m128 v = _mm_add_ps(black, _mm_mul_ps(signal, _mm_loadu_ps(response + j)));
        v = _mm_add_ps(v, _mm_mul_ps(darkGain, _mm_loadu_ps(dark + j)));
        v = _mm_min_ps(_mm_max_ps(v, zero), top);
        return _mm_srl_epi32(_mm_cvttps_epi32(_mm_add_ps(v, half)), shift);
    };
    int j = 0;
    for (; j + 8 <= n; j += 8) {
        const __m128i words = _mm_packs_epi32(four(j), four(j + 4));  // 0..4095 fits
        if constexpr (std::is_same_v<T, uint16_t>) {
            _mm_storeu_si128(reinterpret_cast<__m128i*>(out + j), words);
        } else {
            _mm_storel_epi64(reinterpret_cast<__m128i*>(out + j), _mm_packus_epi16(words, words));
        }
    }
    return j;
#else
    (void)response, (void)dark, (void)n, (void)g, (void)out;
    return 0;
#endif
}

// n samples from the maps, left to right.
template <typename T>
void renderSpan(const float* response, const float* dark, int n, SpanGains g, T* out) {
    for (int j = renderSpanVector(response, dark, n, g, out); j < n; ++j) {
        out[j] = renderSample<T>(response[j], dark[j], g);
    }
}

// About normally distributed, mean 0, deviation 1: the sum of the four bytes of a hash of `n`.
inline float gaussianNoise(uint32_t n) {
    n ^= n >> 16;
    n *= 0x7FEB352Du;
    n ^= n >> 15;
    n *= 0x846CA68Bu;
    n ^= n >> 16;
    const float sum = float((n & 0xFF) + ((n >> 8) & 0xFF) + ((n >> 16) & 0xFF) + (n >> 24));
    return (sum - 510.0f) * (1.0f / 147.8f);
}

// As renderSpan, with seeded noise: sample j draws on gaussianNoise(noiseBase + j).
template <typename T>
void renderSpanNoisy(const float* response, const float* dark, int n, SpanGains g, float sigma,
                     uint32_t noiseBase, T* out) {
    for (int j = 0; j < n; ++j) {
        out[j] = renderSample<T>(response[j], dark[j], g,
                                 sigma * gaussianNoise(noiseBase + uint32_t(j)));
    }
}

template <typename T>
void fillSpan(T* __restrict out, int n, T value) {
    for (int j = 0; j < n; ++j) out[j] = value;
}

}  // namespace kelvra::sim

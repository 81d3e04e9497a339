// Run-time choice between the baseline (SSE2) kernels and their AVX2 variants.
#pragma once

namespace kelvra {

enum class SimdLevel { kBaseline = 0, kAvx2 = 1 };

// The level the kernels use: what the processor offers, lowered by LimitSimdLevel. Thread-safe.
SimdLevel ActiveSimdLevel();

// Caps the level for every later kernel call (tests use it to run the baseline code on an
// AVX2 machine). Thread-safe.
void LimitSimdLevel(SimdLevel highest);

inline bool UseAvx2() {
    return ActiveSimdLevel() == SimdLevel::kAvx2;
}

}  // namespace kelvra

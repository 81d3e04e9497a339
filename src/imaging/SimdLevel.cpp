#include "imaging/SimdLevel.h"

#include <atomic>

namespace kelvra {

namespace {

SimdLevel DetectedLevel() {
    static const SimdLevel detected = [] {
        __builtin_cpu_init();
        return __builtin_cpu_supports("avx2") ? SimdLevel::kAvx2 : SimdLevel::kBaseline;
    }();
    return detected;
}

std::atomic<int> g_limit{static_cast<int>(SimdLevel::kAvx2)};

}  // namespace

SimdLevel ActiveSimdLevel() {
    const int detected = static_cast<int>(DetectedLevel());
    const int limit = g_limit.load(std::memory_order_relaxed);
    return static_cast<SimdLevel>(detected < limit ? detected : limit);
}

void LimitSimdLevel(SimdLevel highest) {
    g_limit.store(static_cast<int>(highest), std::memory_order_relaxed);
}

}  // namespace kelvra

#include "platform/Clock.h"

#include <chrono>
#include <thread>

namespace kelvra::platform {

// Milliseconds of the monotonic clock, truncated to 32 bits: it wraps after about 49.7 days,
// as the Windows tick count does, so callers compare ticks with TicksBetween. Any thread.
uint32_t GetTickCount32() {
    const auto now = std::chrono::steady_clock::now().time_since_epoch();
    return static_cast<uint32_t>(
        std::chrono::duration_cast<std::chrono::milliseconds>(now).count());
}

// Blocks the calling thread for at least `ms` milliseconds; 0 just yields.
void SleepMs(uint32_t ms) {
    if (ms == 0) {
        std::this_thread::yield();
        return;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(ms));
}

}  // namespace kelvra::platform

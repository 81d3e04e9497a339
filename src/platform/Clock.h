// Tick counts and sleeps: the stand-ins for GetTickCount, timeGetTime and Sleep.
#pragma once

#include <cstdint>

namespace kelvra::platform {

uint32_t GetTickCount32();

void SleepMs(uint32_t ms);

// Milliseconds from `earlier` to `later`, correct across one wrap of the 32-bit count.
inline uint32_t TicksBetween(uint32_t earlier, uint32_t later) {
    return later - earlier;
}

}  // namespace kelvra::platform

#pragma once
// What the camera's registers and requests do to the bulk stream, and what the stream asks of
// the camera for each frame. Both sides are called with the camera's lock held.

#include <chrono>
#include <cstdint>

#include "sim/FrameClock.h"
#include "sim/FrameHeader.h"
#include "sim/FrameSettings.h"

namespace kelvra::sim {

class StreamControl {
  public:
    virtual ~StreamControl() = default;
    // Drops a partly sent frame: the next read on 0x81 starts with a header.
    virtual void resyncStream() = 0;
    // Also ends a memory-window transfer in progress (stream restart, pipe reset).
    virtual void restartStream() = 0;
    // Frame timing changed: re-evaluate when the next frame comes.
    virtual void wake() = 0;
};

class FrameSource {
  public:
    using Clock = std::chrono::steady_clock;
    virtual ~FrameSource() = default;
    // The newest complete frame not yet delivered, or when one will be.
    virtual FrameClock::Next nextFrame(Clock::time_point now) = 0;
    // Marks frame `number` delivered and describes it.
    virtual void takeFrame(uint64_t number, Clock::time_point now, FrameSettings& settings,
                           FrameHeaderFields& header) = 0;
};

}  // namespace kelvra::sim

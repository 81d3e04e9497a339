#pragma once
// Frames per second over windows of about one second, as the status line shows it.

#include <chrono>
#include <cstdint>

#include "Formatting.h"

namespace kelvra::tool {

class RateMeter {
  public:
    using Clock = std::chrono::steady_clock;
    static constexpr std::chrono::milliseconds kWindow{1000};
    // Before the first window closes, the rate since the start is shown from this age on.
    static constexpr std::chrono::milliseconds kFirstEstimate{250};

    explicit RateMeter(Clock::time_point start) : windowStart_(start) {}

    void update(Clock::time_point now, StreamCounters& counters) {
        if (now - windowStart_ < kWindow) {
            if (!measured_ && now - windowStart_ >= kFirstEstimate) {
                counters.framesPerSecond = static_cast<double>(counters.frames) / secondsSince(now);
            }
            return;
        }
        measured_ = true;
        counters.framesPerSecond =
            static_cast<double>(counters.frames - windowFrames_) / secondsSince(now);
        windowStart_ = now;
        windowFrames_ = counters.frames;
    }

  private:
    double secondsSince(Clock::time_point now) const {
        return std::chrono::duration<double>(now - windowStart_).count();
    }

    Clock::time_point windowStart_;
    uint64_t windowFrames_ = 0;
    bool measured_ = false;
};

}  // namespace kelvra::tool

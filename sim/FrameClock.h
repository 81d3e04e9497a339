#pragma once
// When frames complete. The sensor free-runs at its frame period, or completes one frame per
// trigger, or stands still (standby, unconfigured FPGA). The FX3 hands the host the newest
// complete frame it has not delivered yet; frames completed before a settings change are stale
// and never delivered, so every delivered frame was made wholly under the current settings.
// Unpaced, a frame completes the moment the host asks for one. Not locked: the owning camera
// serialises access.

#include <chrono>
#include <cstdint>

namespace kelvra::sim {

class FrameClock {
  public:
    using Clock = std::chrono::steady_clock;

    enum class Mode { FreeRunning, Triggered, Stopped };

    struct Next {
        bool ready = false;  // `number` can be delivered now
        uint64_t number = 0;
        bool never = false;       // nothing will come without a change (trigger, mode)
        Clock::time_point due{};  // when not ready and not never
    };

    void powerOn(Clock::time_point now);
    void setPaced(bool paced, Clock::time_point now);
    bool paced() const { return paced_; }
    void configure(Mode mode, Clock::duration period, Clock::time_point now);
    void markStale(Clock::time_point now);
    void restartFrame(Clock::time_point now);
    bool trigger(Clock::duration delay, Clock::time_point now);

    uint64_t completed(Clock::time_point now);
    Clock::time_point completedAt(uint64_t number, Clock::time_point now) const;
    Next next(Clock::time_point now);
    void delivered(uint64_t number);
    Clock::duration period() const { return period_; }

  private:
    void reanchor(Clock::time_point now);

    Mode mode_ = Mode::FreeRunning;
    bool paced_ = true;
    Clock::duration period_ = std::chrono::milliseconds(14);
    Clock::time_point anchorTime_{};
    uint64_t anchorCount_ = 0;
    uint64_t floor_ = 0;  // frames up to this number are delivered or stale
    bool triggerPending_ = false;
    Clock::time_point triggerDue_{};
};

}  // namespace kelvra::sim

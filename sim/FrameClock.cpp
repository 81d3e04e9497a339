#include "sim/FrameClock.h"

#include <algorithm>

namespace kelvra::sim {
namespace {
constexpr auto kMinimumPeriod = std::chrono::microseconds(100);
}

void FrameClock::powerOn(Clock::time_point now) {
    anchorTime_ = now;
    anchorCount_ = 0;
    floor_ = 0;
    triggerPending_ = false;
}

void FrameClock::setPaced(bool paced, Clock::time_point now) {
    reanchor(now);
    paced_ = paced;
    anchorTime_ = now;
}

// New mode or period from now on: the frame in progress restarts and earlier frames go stale.
void FrameClock::configure(Mode mode, Clock::duration period, Clock::time_point now) {
    reanchor(now);
    if (mode != mode_) triggerPending_ = false;
    mode_ = mode;
    period_ = std::max<Clock::duration>(period, kMinimumPeriod);
}

// Frames completed so far will not be delivered.
void FrameClock::markStale(Clock::time_point now) {
    floor_ = std::max(floor_, completed(now));
}

// The FPGA restarts its readout: the exposure in progress starts again from now, and a frame
// completed but not yet taken is dropped with it.
void FrameClock::restartFrame(Clock::time_point now) {
    reanchor(now);
}

// A trigger edge: in triggered mode a frame completes after `delay`. Returns false when the
// trigger is ignored (not triggered, or the sensor is still busy with the previous trigger).
bool FrameClock::trigger(Clock::duration delay, Clock::time_point now) {
    completed(now);
    if (mode_ != Mode::Triggered || triggerPending_) return false;
    triggerPending_ = true;
    triggerDue_ = paced_ ? now + delay : now;
    return true;
}

// The frame counter: how many frames the sensor has completed since power-on.
uint64_t FrameClock::completed(Clock::time_point now) {
    if (mode_ == Mode::Triggered && triggerPending_ && now >= triggerDue_) {
        ++anchorCount_;
        anchorTime_ = triggerDue_;
        triggerPending_ = false;
    }
    if (mode_ != Mode::FreeRunning || !paced_ || now < anchorTime_) return anchorCount_;
    return anchorCount_ + static_cast<uint64_t>((now - anchorTime_) / period_);
}

// The newest complete frame not yet delivered, or when the next will be.
FrameClock::Next FrameClock::next(Clock::time_point now) {
    Next next;
    const uint64_t done = completed(now);
    if (done > floor_) {
        next.ready = true;
        next.number = done;
        return next;
    }
    if (mode_ == Mode::FreeRunning && !paced_) {
        anchorCount_ = floor_ + 1;  // made on demand
        next.ready = true;
        next.number = anchorCount_;
        return next;
    }
    if (mode_ == Mode::FreeRunning) {
        next.due = anchorTime_ + static_cast<int64_t>(floor_ + 1 - anchorCount_) * period_;
    } else if (mode_ == Mode::Triggered && triggerPending_) {
        next.due = triggerDue_;
    } else {
        next.never = true;
    }
    return next;
}

// When frame `number` (complete by `now`) finished its readout: the camera stamps frames then,
// not when the host takes them, so the stamps of a free-running sensor step by whole periods
// however late the host is. On demand (unpaced) and on a trigger, the moment it was made.
FrameClock::Clock::time_point FrameClock::completedAt(uint64_t number,
                                                      Clock::time_point now) const {
    if (mode_ == Mode::Triggered && number == anchorCount_) return std::min(anchorTime_, now);
    if (mode_ != Mode::FreeRunning || !paced_ || number < anchorCount_) return now;
    return std::min(now, anchorTime_ + static_cast<int64_t>(number - anchorCount_) * period_);
}

void FrameClock::delivered(uint64_t number) {
    floor_ = std::max(floor_, number);
}

void FrameClock::reanchor(Clock::time_point now) {
    anchorCount_ = completed(now);
    anchorTime_ = now;
    floor_ = std::max(floor_, anchorCount_);
}

}  // namespace kelvra::sim

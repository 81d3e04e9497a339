// Frames per second of one transfer thread, recomputed about once a second from a tick count.
// Each device core has its own, so cameras streaming side by side never disturb each other.
#pragma once

#include <atomic>
#include <cstdint>

namespace kelvra {

class FrameRateMeter {
  public:
    static constexpr uint32_t kPeriodMs = 1000;

    // Starts a measurement at tick `now`. Before the transfer thread starts.
    void Start(uint32_t now) {
        m_frames = 0;
        m_since = now;
    }

    // Counts one frame at tick `now`; once at least a second has passed the rate becomes
    // (frames since then x 1000) / elapsed ms. Transfer thread only.
    void Count(uint32_t now) {
        ++m_frames;
        const uint32_t elapsed = now - m_since;  // unsigned: correct across a tick wrap
        if (elapsed < kPeriodMs) return;
        m_rate.store(float(double(m_frames) * 1000.0 / double(elapsed)));
        m_frames = 0;
        m_since = now;
    }

    void Clear() { m_rate.store(0.0f); }
    float Rate() const { return m_rate.load(); }

  private:
    uint32_t m_frames = 0;  // transfer thread only, between Start and the thread's end
    uint32_t m_since = 0;
    std::atomic<float> m_rate{0.0f};
};

}  // namespace kelvra

// The stand-in for a Windows event object within one process.
#pragma once

#include <condition_variable>
#include <mutex>

namespace kelvra::platform {

class Event {
  public:
    explicit Event(bool manualReset, bool initiallySet = false);
    Event(const Event&) = delete;
    Event& operator=(const Event&) = delete;

    void Set();
    void Reset();
    bool Wait(int timeoutMs);

  private:
    std::mutex m_mutex;
    std::condition_variable m_changed;
    const bool m_manualReset;
    bool m_signalled;
};

}  // namespace kelvra::platform

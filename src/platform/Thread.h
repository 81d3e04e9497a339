// The stand-in for a Windows thread with a priority: one worker at a time per object.
#pragma once

#include <atomic>
#include <functional>
#include <memory>
#include <thread>

namespace kelvra::platform {

enum class ThreadPriority { Normal, TimeCritical };

// Start and Join belong to the owning thread; Running may be asked from any thread.
class Thread {
  public:
    Thread();
    Thread(const Thread&) = delete;
    Thread& operator=(const Thread&) = delete;
    ~Thread();

    bool Start(std::function<void()> body, ThreadPriority priority = ThreadPriority::Normal);
    void Join();
    bool Running() const;

  private:
    std::thread m_thread;
    // Shared with the worker, which clears it as its last act even if the body destroyed the
    // Thread object that started it.
    std::shared_ptr<std::atomic<bool>> m_running;
};

}  // namespace kelvra::platform

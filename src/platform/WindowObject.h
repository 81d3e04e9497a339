// A window object of the platform layer: what an HWND stands for on Linux. Every window has a
// message queue; kinds of window that also show something derive from this class.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <mutex>

#include "KelvraSdk.h"

namespace kelvra::platform {

class WindowObject {
  public:
    // A post to a full queue fails, as it does on Windows.
    static constexpr size_t kMaxQueuedMessages = 10000;

    WindowObject() = default;
    WindowObject(const WindowObject&) = delete;
    WindowObject& operator=(const WindowObject&) = delete;
    virtual ~WindowObject() = default;

    HWND Handle() const { return m_handle; }
    bool Post(uint32_t message, uintptr_t wParam, intptr_t lParam);
    int Get(KELVRA_MSG* msg, int timeoutMs);
    virtual void Close();

  private:
    friend class WindowRegistry;

    // Written once by the registry before the window can be found, constant afterwards.
    HWND m_handle = nullptr;

    std::mutex m_mutex;
    std::condition_variable m_arrived;
    std::deque<KELVRA_MSG> m_queue;
    bool m_closed = false;
};

}  // namespace kelvra::platform

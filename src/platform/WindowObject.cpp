#include "platform/WindowObject.h"

#include <chrono>

#include "platform/Clock.h"

namespace kelvra::platform {

// Appends a message stamped with the current tick count. Never waits for a reader. Returns
// false when the window is closed or its queue is full. Any thread.
bool WindowObject::Post(uint32_t message, uintptr_t wParam, intptr_t lParam) {
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        if (m_closed || m_queue.size() >= kMaxQueuedMessages) return false;
        m_queue.push_back(KELVRA_MSG{m_handle, message, wParam, lParam, GetTickCount32()});
    }
    m_arrived.notify_one();
    return true;
}

// Removes the oldest message into *msg: 1 when there was one within timeoutMs milliseconds
// (< 0 waits forever, 0 only polls), 0 on timeout, for a null msg, or once the window closes
// (Close wakes every waiter). Any thread.
int WindowObject::Get(KELVRA_MSG* msg, int timeoutMs) {
    if (msg == nullptr) return 0;
    std::unique_lock<std::mutex> lock(m_mutex);
    const auto ready = [this] { return m_closed || !m_queue.empty(); };
    if (timeoutMs < 0) {
        m_arrived.wait(lock, ready);
    } else if (!m_arrived.wait_for(lock, std::chrono::milliseconds(timeoutMs), ready)) {
        return 0;
    }
    if (m_closed) return 0;
    *msg = m_queue.front();
    m_queue.pop_front();
    return 1;
}

// Drops the pending messages, refuses later posts and wakes every waiting Get. Called once when
// the window is destroyed, after its handle can no longer be found. Derived windows that own a
// native window release it here and call this base too.
void WindowObject::Close() {
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_closed = true;
        m_queue.clear();
    }
    m_arrived.notify_all();
}

}  // namespace kelvra::platform

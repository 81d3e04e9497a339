#include "platform/Event.h"

#include <chrono>

namespace kelvra::platform {

// manualReset: stays signalled until Reset (releases every waiter); otherwise each Set releases
// one waiter and the event resets as that waiter returns.
Event::Event(bool manualReset, bool initiallySet)
    : m_manualReset(manualReset), m_signalled(initiallySet) {}

// Signals the event. Setting an event that is already signalled changes nothing, so two Sets
// with no waiter in between release a single later waiter of an auto-reset event. Any thread.
void Event::Set() {
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_signalled = true;
    }
    if (m_manualReset) {
        m_changed.notify_all();
    } else {
        m_changed.notify_one();
    }
}

// Clears the signal. Any thread.
void Event::Reset() {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_signalled = false;
}

// Waits until the event is signalled: true when it was (an auto-reset event is reset again),
// false after timeoutMs milliseconds; timeoutMs < 0 waits forever, 0 only polls. Any thread.
bool Event::Wait(int timeoutMs) {
    std::unique_lock<std::mutex> lock(m_mutex);
    const auto signalled = [this] { return m_signalled; };
    if (timeoutMs < 0) {
        m_changed.wait(lock, signalled);
    } else if (!m_changed.wait_for(lock, std::chrono::milliseconds(timeoutMs), signalled)) {
        return false;
    }
    if (!m_manualReset) m_signalled = false;
    return true;
}

}  // namespace kelvra::platform

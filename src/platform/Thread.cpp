#include "platform/Thread.h"

#include <pthread.h>
#include <sched.h>

#include <algorithm>
#include <system_error>
#include <utility>

namespace kelvra::platform {

namespace {

// Above every ordinary thread, yet below the kernel's interrupt threads (priority 50), so a
// busy time-critical loop cannot hold off interrupt handling.
constexpr int kTimeCriticalFifoPriority = 10;

// Asks for real-time scheduling of the calling thread. Without the privilege (the usual case
// for a desktop user) the request fails and the thread keeps its normal priority, as it must.
void RaiseToTimeCritical() {
    sched_param param{};
    param.sched_priority = std::clamp(kTimeCriticalFifoPriority, sched_get_priority_min(SCHED_FIFO),
                                      sched_get_priority_max(SCHED_FIFO));
    (void)pthread_setschedparam(pthread_self(), SCHED_FIFO, &param);
}

}  // namespace

Thread::Thread() : m_running(std::make_shared<std::atomic<bool>>(false)) {}

// Joins a worker that is still running or finished but not yet joined.
Thread::~Thread() {
    Join();
}

// Runs `body` on a new thread. Returns false when this object's previous worker is still
// running, when body is empty, or when the thread cannot be created. A finished worker that was
// never joined is joined first. An exception thrown by body ends the worker quietly.
bool Thread::Start(std::function<void()> body, ThreadPriority priority) {
    if (!body || m_running->load()) return false;
    Join();
    m_running->store(true);
    try {
        m_thread = std::thread([running = m_running, body = std::move(body), priority] {
            if (priority == ThreadPriority::TimeCritical) RaiseToTimeCritical();
            try {
                body();
            } catch (...) {
                // Nothing may unwind out of a worker: that would terminate the process.
            }
            running->store(false);
        });
    } catch (...) {
        m_running->store(false);
        return false;
    }
    return true;
}

// Waits for the worker to finish; returns at once when there is none. Called on the worker
// itself it would deadlock, so it detaches instead and the worker simply runs out.
void Thread::Join() {
    if (!m_thread.joinable()) return;
    try {
        if (m_thread.get_id() == std::this_thread::get_id()) {
            m_thread.detach();
        } else {
            m_thread.join();
        }
    } catch (const std::system_error&) {
        // Not joinable after all: nothing left to wait for.
    }
}

// True from a successful Start until the body has returned.
bool Thread::Running() const {
    return m_running->load();
}

}  // namespace kelvra::platform

#include "platform/Thread.h"

#include <sys/resource.h>
#include <unistd.h>

#include <system_error>
#include <utility>

namespace kelvra::platform {

namespace {

// Time-critical is a high priority among ordinary threads, not real-time scheduling. A
// SCHED_FIFO transfer thread fed faster than the pipeline can take frames (an unpaced source)
// keeps its core for itself: measured on one core (taskset -c 0), the acquisition thread then
// processed 15-29 frames/s (8-bit) and 5-8 (16-bit, flat-field); at nice -10 it processed
// 217-254 and 22-54, at nice -5 221-371 and 39-86. With a paced camera and two busy loops on the
// same core, all three kept 50-65 of 71.5 frames/s processed. Nice -10 (about nine times the
// weight of a nice-0 thread) wakes ahead of ordinary threads and still leaves them a share.
constexpr int kTimeCriticalNice = -10;

// Asks for the high priority for the calling thread (on Linux a nice level is per thread).
// Without the privilege (the usual case for a desktop user) the request fails and the thread
// keeps its normal priority, as it must.
void RaiseToTimeCritical() {
    (void)setpriority(PRIO_PROCESS, static_cast<id_t>(gettid()), kTimeCriticalNice);
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

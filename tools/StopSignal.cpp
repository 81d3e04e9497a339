#include "StopSignal.h"

#include <signal.h>

#include <atomic>

namespace kelvra::tool {
namespace {

// The library's threads may take the signal too, so the flag must be a lock-free atomic.
std::atomic<bool> gStopRequested{false};
static_assert(std::atomic<bool>::is_always_lock_free);

extern "C" void onStopSignal(int) {
    gStopRequested.store(true, std::memory_order_relaxed);
}

}  // namespace

void installStopHandlers() {
    struct sigaction action {};
    action.sa_handler = onStopSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESETHAND | SA_RESTART;
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);
    // A closed terminal or a dropped SSH session: the recording is finalised all the same.
    sigaction(SIGHUP, &action, nullptr);
}

bool stopRequested() {
    return gStopRequested.load(std::memory_order_relaxed);
}

}  // namespace kelvra::tool

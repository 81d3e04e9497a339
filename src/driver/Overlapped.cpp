#include "driver/Overlapped.h"

#include <chrono>

#include "driver/Ioctl.h"

namespace kelvra::driver {

// Cancels a request still pending and waits until its back end has let go of the buffers.
Overlapped::~Overlapped() {
    cancel();
    std::unique_lock lock(mutex_);
    finished_.wait(lock, [this] { return !pending_; });
}

// Waits until the request finishes. timeoutMs < 0 waits without limit. Returns true when the
// request is finished (at once for one that never went pending), false on timeout.
bool Overlapped::wait(int timeoutMs) {
    std::unique_lock lock(mutex_);
    if (timeoutMs < 0) {
        finished_.wait(lock, [this] { return !pending_; });
        return true;
    }
    return finished_.wait_for(lock, std::chrono::milliseconds(timeoutMs),
                              [this] { return !pending_; });
}

// True when no request is pending.
bool Overlapped::done() const {
    std::lock_guard lock(mutex_);
    return !pending_;
}

// The finished request's result; {997, 0} while it is pending.
IoResult Overlapped::result() const {
    std::lock_guard lock(mutex_);
    if (pending_) return IoResult{kErrorIoPending, 0};
    return result_;
}

// Asks the back end to end a pending request (it finishes with 995). Returns without waiting.
void Overlapped::cancel() {
    CancelFn fn = nullptr;
    void* context = nullptr;
    {
        std::lock_guard lock(mutex_);
        if (!pending_) return;
        fn = cancelFn_;
        context = cancelContext_;
    }
    // Called without our lock: the back end finishes the request, which takes it.
    if (fn != nullptr) fn(context, this);
}

// Marks a request pending. The back end calls it before the request can possibly finish.
void Overlapped::begin(CancelFn cancelFn, void* context) {
    std::lock_guard lock(mutex_);
    pending_ = true;
    result_ = IoResult{kErrorIoPending, 0};
    cancelFn_ = cancelFn;
    cancelContext_ = context;
}

// Records the result and wakes every waiter. Safe from any thread; the back end must not touch
// the request's buffers afterwards.
void Overlapped::finish(IoResult result) {
    FinishHook hook = nullptr;
    void* context = nullptr;
    {
        std::lock_guard lock(mutex_);
        pending_ = false;
        result_ = result;
        cancelFn_ = nullptr;
        cancelContext_ = nullptr;
        hook = finishHook_;
        context = finishContext_;
        finished_.notify_all();
    }
    if (hook != nullptr) hook(context);
}

// Set by the owner before it submits a request; the hook and its context outlive the request.
void Overlapped::setFinishHook(FinishHook hook, void* context) {
    std::lock_guard lock(mutex_);
    finishHook_ = hook;
    finishContext_ = context;
}

}  // namespace kelvra::driver

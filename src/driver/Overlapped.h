#pragma once
// One overlapped request's completion: the stand-in for an OVERLAPPED and its event.
//
// The caller owns it and reuses it from request to request. A back end marks it pending when it
// queues a request and finishes it exactly once, from any thread. The caller's buffers and this
// object must outlive the request; destroying it while the request is pending cancels the
// request and waits for it, so a buffer is never written after its owner gave up on it.

#include <condition_variable>
#include <cstdint>
#include <mutex>

namespace kelvra::driver {

struct IoResult {
    uint32_t error = 0;  // Win32 error number (driver/Ioctl.h); 0 = success, 997 = pending
    uint32_t bytes = 0;  // bytes returned; meaningful on success
};

class Overlapped {
  public:
    // Called by the owner's destructor (or Overlapped::cancel) for a pending request. It must
    // finish the request, now or soon, from any thread.
    using CancelFn = void (*)(void* context, Overlapped* request);

    Overlapped() = default;
    ~Overlapped();
    Overlapped(const Overlapped&) = delete;
    Overlapped& operator=(const Overlapped&) = delete;

    // Called once per finished request, on the finishing thread, after waiters were woken and
    // without the request's lock; for owners that wait on many requests at once (a completion
    // port). It must not touch the request: its owner may already be destroying it.
    using FinishHook = void (*)(void* context);
    void setFinishHook(FinishHook hook, void* context);

    bool wait(int timeoutMs);
    bool done() const;
    IoResult result() const;
    void cancel();

    // Back-end side.
    void begin(CancelFn cancelFn, void* context);
    void finish(IoResult result);

  private:
    mutable std::mutex mutex_;
    std::condition_variable finished_;
    bool pending_ = false;
    IoResult result_{};
    CancelFn cancelFn_ = nullptr;
    void* cancelContext_ = nullptr;
    FinishHook finishHook_ = nullptr;
    void* finishContext_ = nullptr;
};

}  // namespace kelvra::driver

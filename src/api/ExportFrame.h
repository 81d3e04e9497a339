#pragma once

#include <cstdint>
#include <exception>
#include <utility>

#include "KelvraSdk.h"
#include "api/FrontEntry.h"

namespace kelvra {

// A front object borrowed for the length of one exported call. Lookup and the borrow happen
// under the table lock, so a concurrent release either sees the call in flight and waits for
// it, or has already removed the handle and the call finds nothing.
class FrontLease {
  public:
    explicit FrontLease(int32_t handle);
    ~FrontLease();
    FrontLease(const FrontLease&) = delete;
    FrontLease& operator=(const FrontLease&) = delete;

    explicit operator bool() const { return entry_ != nullptr; }
    CKelvra& operator*() const { return *entry_->Front(); }
    CKelvra* operator->() const { return entry_->Front(); }

  private:
    FrontEntry* entry_ = nullptr;
};

// The exported-call frame: an unknown handle (or one being released) gives `failure` and
// nothing else; no exception leaves the library.
template <typename R, typename Op>
R CallFront(int32_t handle, R failure, Op&& op) {
    try {
        FrontLease front(handle);
        if (!front) return failure;
        return std::forward<Op>(op)(*front);
    } catch (...) {
        return failure;
    }
}

// Issues a handle for a new front object and initialises it; 0 on failure.
int32_t InitializeHandle(HWND notifyWindow);
// Destroys the front object of `handle` and forgets the handle; 0 for an unknown handle.
int ReleaseHandle(int32_t handle);

}  // namespace kelvra

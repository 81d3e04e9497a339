#pragma once

#include <condition_variable>
#include <memory>
#include <mutex>

#include "front/CKelvra.h"

namespace kelvra {

// Owns the front object of one handle and counts the exported calls running in it, so that a
// release on one thread waits for the calls in flight on others instead of pulling the object
// from under them.
class FrontEntry {
  public:
    explicit FrontEntry(std::unique_ptr<CKelvra> front) : front_(std::move(front)) {}
    FrontEntry(const FrontEntry&) = delete;
    FrontEntry& operator=(const FrontEntry&) = delete;

    // Counts one call in; false once the entry is closing.
    bool Enter();
    // Counts one call out.
    void Leave();
    // Refuses new calls from now on; called with the table lock held.
    void BeginClose();
    // Waits for the calls in flight to leave, then hands over the front object.
    std::unique_ptr<CKelvra> TakeWhenIdle();

    CKelvra* Front() const { return front_.get(); }

  private:
    std::mutex mutex_;
    std::condition_variable idle_;
    int inFlight_ = 0;
    bool closing_ = false;
    std::unique_ptr<CKelvra> front_;
};

}  // namespace kelvra

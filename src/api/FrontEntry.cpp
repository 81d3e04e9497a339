#include "api/FrontEntry.h"

namespace kelvra {

bool FrontEntry::Enter() {
    std::lock_guard<std::mutex> guard(mutex_);
    if (closing_ || !front_) return false;
    ++inFlight_;
    return true;
}

void FrontEntry::Leave() {
    std::lock_guard<std::mutex> guard(mutex_);
    if (--inFlight_ == 0) idle_.notify_all();
}

void FrontEntry::BeginClose() {
    std::lock_guard<std::mutex> guard(mutex_);
    closing_ = true;
}

std::unique_ptr<CKelvra> FrontEntry::TakeWhenIdle() {
    std::unique_lock<std::mutex> lock(mutex_);
    idle_.wait(lock, [this] { return inFlight_ == 0; });
    return std::move(front_);
}

}  // namespace kelvra

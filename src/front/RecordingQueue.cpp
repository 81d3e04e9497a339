#include "front/RecordingQueue.h"

#include <utility>

namespace kelvra {

RecordingQueue::~RecordingQueue() {
    Finish();
}

bool RecordingQueue::Start(int32_t slots, WriteSlot write, std::function<void()> slotFreed) {
    if (slots < 1 || slots > kMaxSlots || !write) return false;
    {
        std::lock_guard<std::mutex> hold(lock_);
        if (running_) return false;
        slots_ = slots;
        next_ = 0;
        pending_ = 0;
        taken_ = false;
        failed_ = false;
        finishing_ = false;
        running_ = true;
        write_ = std::move(write);
        slotFreed_ = std::move(slotFreed);
    }
    if (writer_.Start([this] { WriterMain(); })) return true;
    std::lock_guard<std::mutex> hold(lock_);
    running_ = false;
    return false;
}

int32_t RecordingQueue::TakeFreeSlot() {
    std::lock_guard<std::mutex> hold(lock_);
    if (!running_ || failed_ || finishing_ || pending_ >= slots_) return -1;
    taken_ = true;
    return next_;
}

bool RecordingQueue::WaitForFreeSlot() {
    std::unique_lock<std::mutex> hold(lock_);
    changed_.wait(hold, [this] { return pending_ < slots_ || failed_ || finishing_ || !running_; });
    return running_ && !failed_ && !finishing_ && pending_ < slots_;
}

void RecordingQueue::Submit(int32_t slot) {
    {
        std::lock_guard<std::mutex> hold(lock_);
        if (!taken_ || slot != next_) return;
        taken_ = false;
        next_ = (next_ + 1) % slots_;
        ++pending_;
    }
    changed_.notify_all();
}

bool RecordingQueue::Failed() const {
    std::lock_guard<std::mutex> hold(lock_);
    return failed_;
}

bool RecordingQueue::Running() const {
    std::lock_guard<std::mutex> hold(lock_);
    return running_;
}

void RecordingQueue::Finish() {
    {
        std::lock_guard<std::mutex> hold(lock_);
        if (!running_) return;
        finishing_ = true;
    }
    changed_.notify_all();
    writer_.Join();
    std::lock_guard<std::mutex> hold(lock_);
    running_ = false;
    taken_ = false;
    pending_ = 0;
}

// Writes the oldest pending slot outside the lock, so the filler can take and fill others
// meanwhile; ends once finishing with nothing left (after a failure, what is left is dropped).
void RecordingQueue::WriterMain() {
    std::unique_lock<std::mutex> hold(lock_);
    for (;;) {
        changed_.wait(hold, [this] { return pending_ > 0 || finishing_; });
        if (pending_ == 0 || failed_) {
            if (finishing_) break;
            pending_ = 0;
            continue;
        }
        const int32_t slot = (next_ - pending_ + slots_) % slots_;
        hold.unlock();
        const bool written = write_(slot);
        hold.lock();
        --pending_;
        if (!written) failed_ = true;
        hold.unlock();
        changed_.notify_all();
        if (slotFreed_) slotFreed_();
        hold.lock();
    }
}

}  // namespace kelvra

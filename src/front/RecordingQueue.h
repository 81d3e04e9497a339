// Hands converted recording frames to a writer thread, in order, through a few slots.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>

#include "platform/Thread.h"

namespace kelvra {

// The recording thread takes a free slot, fills it and submits it; the writer thread writes the
// submitted slots in the order they came. A slow write then never delays the next grab: it only
// uses up slots. After a failed write nothing more is written and Failed() answers true.
// TakeFreeSlot and Submit belong to one thread (the filler); Start and Finish to the owner,
// which may be the filler. Failed may be asked from any thread.
class RecordingQueue {
  public:
    // Writes slot `slot`; false when the frame could not be written.
    using WriteSlot = std::function<bool(int32_t slot)>;

    RecordingQueue() = default;
    RecordingQueue(const RecordingQueue&) = delete;
    RecordingQueue& operator=(const RecordingQueue&) = delete;
    ~RecordingQueue();

    // Starts the writer over `slots` empty slots (at most kMaxSlots). `slotFreed` runs on the
    // writer thread each time a slot is given back, so that a filler waiting for one can be
    // woken. False when the writer cannot be started (or one is running).
    bool Start(int32_t slots, WriteSlot write, std::function<void()> slotFreed);
    // A slot to fill, or -1 when every slot waits for the writer (or it failed, is finishing or
    // not running). Taken again until submitted.
    int32_t TakeFreeSlot();
    // Waits until TakeFreeSlot would give a slot or never will; true when it would.
    bool WaitForFreeSlot();
    void Submit(int32_t slot);
    bool Failed() const;
    bool Running() const;
    // Waits until every submitted slot has been written (or the writer failed), then ends the
    // writer. Does nothing when no writer runs.
    void Finish();

    static constexpr int32_t kMaxSlots = 16;

  private:
    void WriterMain();

    mutable std::mutex lock_;
    std::condition_variable changed_;
    int32_t slots_ = 0;
    int32_t next_ = 0;     // the slot the filler takes next
    int32_t pending_ = 0;  // submitted, not yet written; they end just before next_
    bool taken_ = false;   // the filler holds slot next_
    bool failed_ = false;
    bool finishing_ = false;
    bool running_ = false;
    WriteSlot write_;
    std::function<void()> slotFreed_;
    platform::Thread writer_;
};

}  // namespace kelvra

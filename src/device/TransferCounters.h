// Running totals of one device core's frame transfers, for stream statistics. They only grow
// (from the core's construction); a reader takes two readings and subtracts.
#pragma once

#include <atomic>
#include <cstdint>

namespace kelvra {

// One reading of the totals.
struct TransferTally {
    uint64_t received = 0;    // frames filed in the ring
    uint64_t cameraGaps = 0;  // frames the camera numbered but never sent, within a run
    uint64_t failedReads = 0;
    uint64_t resyncs = 0;   // stream restarts after a failed read
    uint64_t lostRuns = 0;  // transfers that gave up (camera lost)
};

// Written by the transfer thread (or a single capture on the caller's thread), read anywhere.
class TransferCounters {
  public:
    // Files a frame: returns its sequence number (1 for the first frame ever received).
    uint64_t CountReceived() { return received_.fetch_add(1, std::memory_order_relaxed) + 1; }
    // Gaps in the header's frame number. Returns the total so far.
    uint64_t CountGaps(uint64_t frames) {
        return gaps_.fetch_add(frames, std::memory_order_relaxed) + frames;
    }
    uint64_t Gaps() const { return gaps_.load(std::memory_order_relaxed); }
    void CountFailedRead() { failedReads_.fetch_add(1, std::memory_order_relaxed); }
    void CountResync() { resyncs_.fetch_add(1, std::memory_order_relaxed); }
    void CountLostRun() { lostRuns_.fetch_add(1, std::memory_order_relaxed); }

    TransferTally Read() const {
        return TransferTally{received_.load(std::memory_order_relaxed), Gaps(),
                             failedReads_.load(std::memory_order_relaxed),
                             resyncs_.load(std::memory_order_relaxed),
                             lostRuns_.load(std::memory_order_relaxed)};
    }

  private:
    std::atomic<uint64_t> received_{0};
    std::atomic<uint64_t> gaps_{0};
    std::atomic<uint64_t> failedReads_{0};
    std::atomic<uint64_t> resyncs_{0};
    std::atomic<uint64_t> lostRuns_{0};
};

}  // namespace kelvra

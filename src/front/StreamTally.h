// The frames of one acquisition as the front processes them: each frame's identity (the
// camera's counter and clock carried past their 32-bit wrap, exposure, temperature, losses
// before it) and the acquisition's counts, measured from the device core's totals at its start.
//
// Threads: Count runs on the thread that processed the frame; Begin at an acquisition start,
// while no frame is processed; Read on any thread. One lock guards it all.
#pragma once

#include <cstdint>
#include <mutex>

#include "device/FrameRing.h"
#include "device/TransferCounters.h"

namespace kelvra {

class StreamTally {
  public:
    struct Identity {
        uint64_t frameCounter = 0;
        uint64_t timestampUs = 0;
        int64_t receivedNs = 0;
        uint32_t exposureUs = 0;
        int32_t temperatureMilliC = 0;
        uint64_t lostBefore = 0;  // dropped in the ring and skipped by the camera, so far
    };

    struct Counts {
        uint64_t processed = 0;
        uint64_t droppedInRing = 0;
        uint64_t lastFrameCounter = 0;
        TransferTally device;  // the device core's totals since the start
    };

    // An acquisition starts; `device` holds the device core's totals now.
    void Begin(const TransferTally& device);
    // A processed frame as the ring stamped it. False for a frame counted already (or filed
    // before the acquisition started): it is not to be handed on again.
    bool Count(const SlotInfo& slot, Identity* identity);
    Counts Read(const TransferTally& deviceNow) const;

  private:
    void Extend(const SlotInfo& slot);

    mutable std::mutex mutex_;
    TransferTally base_;
    uint64_t processed_ = 0;
    uint64_t droppedInRing_ = 0;
    uint64_t lastSequence_ = 0;
    bool haveFrame_ = false;
    uint32_t lastRawCounter_ = 0;
    uint32_t lastRawTime_ = 0;
    int64_t lastReceivedNs_ = 0;
    uint64_t counter_ = 0;
    uint64_t timestampUs_ = 0;
};

}  // namespace kelvra

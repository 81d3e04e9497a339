#include "front/StreamTally.h"

namespace kelvra {
namespace {

// Header words of a ring slot: +28 timestamp, +32 frame number, +40 exposure, +44 status.
constexpr size_t kTimestampWord = 0, kCounterWord = 1, kExposureWord = 2, kStatusWord = 3;
// Status word bits 0-11: sensor temperature, 12-bit two's complement in eighths of a degree.
constexpr uint32_t kTemperatureMask = 0xFFF;
constexpr int32_t kTemperatureSign = 0x800;
constexpr int32_t kTemperatureRange = 0x1000;
constexpr int32_t kMilliCPerStep = 125;
constexpr uint64_t kWrap = uint64_t(1) << 32;

uint64_t Since(uint64_t now, uint64_t then) {
    return now > then ? now - then : 0;
}

// The camera's clock advanced by `rawStep` modulo 2^32 while the host's advanced by `hostNs`:
// the step plus the whole wraps that bring it closest to the host's time. Sound while the two
// clocks agree to within half a wrap (35 minutes) between frames.
uint64_t ClockStep(uint32_t rawStep, int64_t hostNs) {
    const int64_t hostUs = hostNs / 1000;
    if (hostUs <= int64_t(rawStep)) return rawStep;
    const uint64_t wraps = (uint64_t(hostUs) - rawStep + kWrap / 2) / kWrap;
    return rawStep + wraps * kWrap;
}

int32_t TemperatureMilliC(int32_t statusWord) {
    int32_t eighths = int32_t(uint32_t(statusWord) & kTemperatureMask);
    if (eighths & kTemperatureSign) eighths -= kTemperatureRange;
    return eighths * kMilliCPerStep;
}

}  // namespace

void StreamTally::Begin(const TransferTally& device) {
    std::lock_guard lock(mutex_);
    base_ = device;
    processed_ = 0;
    droppedInRing_ = 0;
    lastSequence_ = device.received;
    haveFrame_ = false;
    counter_ = 0;
    timestampUs_ = 0;
}

bool StreamTally::Count(const SlotInfo& slot, Identity* identity) {
    std::lock_guard lock(mutex_);
    const FrameStamp& stamp = slot.stamp;
    // Unstamped frames (a core that does not number them) are taken as they come.
    if (stamp.sequence != 0) {
        if (stamp.sequence <= lastSequence_) return false;
        droppedInRing_ += stamp.sequence - lastSequence_ - 1;
        lastSequence_ = stamp.sequence;
    }
    ++processed_;
    Extend(slot);
    identity->frameCounter = counter_;
    identity->timestampUs = timestampUs_;
    identity->receivedNs = stamp.receivedNs;
    identity->exposureUs = uint32_t(slot.words[kExposureWord]);
    identity->temperatureMilliC = TemperatureMilliC(slot.words[kStatusWord]);
    identity->lostBefore = droppedInRing_ + Since(stamp.cameraGaps, base_.cameraGaps);
    return true;
}

// Carries the camera's 32-bit counter and clock on from the previous frame. A counter that
// steps back (the camera restarted its count) moves to the next multiple of 2^32, so that the
// counter still rises and its low 32 bits stay the camera's. Lock held.
void StreamTally::Extend(const SlotInfo& slot) {
    const auto rawCounter = uint32_t(slot.words[kCounterWord]);
    const auto rawTime = uint32_t(slot.words[kTimestampWord]);
    if (!haveFrame_) {
        counter_ = rawCounter;
        timestampUs_ = rawTime;
    } else {
        const uint32_t step = rawCounter - lastRawCounter_;
        counter_ = int32_t(step) > 0 ? counter_ + step : ((counter_ >> 32) + 1) << 32 | rawCounter;
        const bool timed = slot.stamp.receivedNs != 0 && lastReceivedNs_ != 0;
        const uint32_t rawStep = rawTime - lastRawTime_;
        timestampUs_ +=
            timed ? ClockStep(rawStep, slot.stamp.receivedNs - lastReceivedNs_) : rawStep;
    }
    haveFrame_ = true;
    lastRawCounter_ = rawCounter;
    lastRawTime_ = rawTime;
    lastReceivedNs_ = slot.stamp.receivedNs;
}

StreamTally::Counts StreamTally::Read(const TransferTally& now) const {
    std::lock_guard lock(mutex_);
    Counts counts;
    counts.processed = processed_;
    counts.droppedInRing = droppedInRing_;
    counts.lastFrameCounter = counter_;
    counts.device =
        TransferTally{Since(now.received, base_.received), Since(now.cameraGaps, base_.cameraGaps),
                      Since(now.failedReads, base_.failedReads), Since(now.resyncs, base_.resyncs),
                      Since(now.lostRuns, base_.lostRuns)};
    return counts;
}

}  // namespace kelvra

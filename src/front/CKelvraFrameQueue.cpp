// Owned frames: the frame queue of a handle, its place in the acquisition, stream statistics.
#include "front/CKelvra.h"
#include "front/ColorModes.h"
#include "front/FrameQueue.h"
#include "front/ReadoutGeometry.h"
#include "front/RetiredFrameQueues.h"

namespace kelvra {
namespace {

constexpr int kNoFd = -1;

size_t ImageBytes(const CDibImage& image) {
    return size_t(image.Height()) * size_t(image.Stride());
}

}  // namespace

// A queue opened while no acquisition runs says so to its waiters until one starts.
int CKelvra::OpenFrameQueue(int bufferCount) {
    std::lock_guard<std::recursive_mutex> guard(callLock_);
    if (bufferCount < FrameQueue::kMinBuffers || bufferCount > FrameQueue::kMaxBuffers) {
        return RecordError(kErrorParameter), 0;
    }
    if (CurrentFrameQueue()) return RecordError(kErrorNoCamera), 0;
    const int32_t status = state_.load() == kIdle ? KELVRA_FRAME_STOPPED : KELVRA_FRAME_OK;
    auto queue = FrameQueue::Create(bufferCount, OutputFrameBytes(), status);
    if (!queue) return RecordError(kErrorMemory), 0;
    std::lock_guard<std::mutex> lock(queueLock_);
    frameQueue_ = std::move(queue);
    return 1;
}

int CKelvra::CloseFrameQueue() {
    std::lock_guard<std::recursive_mutex> guard(callLock_);
    RetireFrameQueue(KELVRA_FRAME_CLOSED);
    return 1;
}

std::shared_ptr<FrameQueue> CKelvra::FrameQueueToWait(KELVRA_FRAME* frame) {
    if (frame == nullptr) return RecordError(kErrorParameter), nullptr;
    if (frame->size < static_cast<int32_t>(sizeof(KELVRA_FRAME))) {
        frame->status = KELVRA_FRAME_BAD_RECORD;
        return RecordError(kErrorParameter), nullptr;
    }
    std::shared_ptr<FrameQueue> queue = CurrentFrameQueue();
    if (!queue) {
        const int32_t size = frame->size;
        *frame = KELVRA_FRAME{};
        frame->size = size;
        frame->status = KELVRA_FRAME_CLOSED;
    }
    return queue;
}

// The open queue is searched first, then the closed ones with frames out (under the queue lock,
// so that a queue being closed is in one place or the other).
int CKelvra::ReleaseFrame(const KELVRA_FRAME* frame) {
    if (frame == nullptr || frame->size < static_cast<int32_t>(sizeof(KELVRA_FRAME))) {
        return RecordError(kErrorParameter), 0;
    }
    {
        std::lock_guard<std::mutex> lock(queueLock_);
        if (frameQueue_ && frameQueue_->Release(*frame)) return 1;
        if (retired_frame_queues::Release(*frame)) return 1;
    }
    return RecordError(kErrorParameter), 0;
}

int CKelvra::GetStreamStatistics(KELVRA_STREAM_STATS* stats) {
    if (stats == nullptr || stats->size < static_cast<int32_t>(sizeof(KELVRA_STREAM_STATS))) {
        return RecordError(kErrorParameter), 0;
    }
    std::lock_guard<std::recursive_mutex> guard(callLock_);
    const StreamTally::Counts counts = tally_.Read(device_ ? device_->Counters() : TransferTally{});
    const std::shared_ptr<FrameQueue> queue = CurrentFrameQueue();
    const FrameQueue::Counts queued = queue ? queue->Read() : FrameQueue::Counts{};
    const int32_t size = stats->size;
    *stats = KELVRA_STREAM_STATS{};
    stats->size = size;
    stats->framesQueued = queued.queued;
    stats->framesHeld = queued.held;
    stats->framesReceived = counts.device.received;
    stats->framesProcessed = counts.processed;
    stats->framesDelivered = queued.delivered;
    stats->droppedQueueFull = queued.droppedFull;
    stats->droppedInRing = counts.droppedInRing;
    stats->lostInCamera = counts.device.cameraGaps;
    stats->failedTransfers = counts.device.failedReads;
    stats->resyncs = counts.device.resyncs;
    stats->cameraLost = counts.device.lostRuns;
    stats->lastFrameCounter = counts.lastFrameCounter;
    return 1;
}

int CKelvra::GetFrameQueueFd() {
    const std::shared_ptr<FrameQueue> queue = CurrentFrameQueue();
    if (!queue) return RecordError(kErrorNoCamera), kNoFd;
    return queue->Fd();
}

// An acquisition starts (end of a successful preparation, call lock held, no frame in flight).
void CKelvra::BeginFrameStream(const CDibImage& output) {
    tally_.Begin(device_->Counters());
    if (const std::shared_ptr<FrameQueue> queue = CurrentFrameQueue()) {
        queue->Begin(ImageBytes(output));
    }
}

void CKelvra::EndFrameStream(int32_t status) {
    if (const std::shared_ptr<FrameQueue> queue = CurrentFrameQueue()) queue->End(status);
}

// The frame just processed, counted and copied into the queue if one is open. Frame lock held.
void CKelvra::HandOnProcessedFrame() {
    StreamTally::Identity id;
    if (!tally_.Count(lastFrameSlot_, &id)) return;
    const std::shared_ptr<FrameQueue> queue = CurrentFrameQueue();
    if (!queue) return;
    const int32_t mode = preparedMode_.load();
    const CDibImage& output = *OutputImage(mode);
    FrameQueue::FrameInfo info;
    info.width = output.Width();
    info.height = output.Height();
    info.bitsPerPixel = kModeBits[size_t(mode)];
    info.rowStride = output.Stride();
    info.frameCounter = id.frameCounter;
    info.timestampUs = id.timestampUs;
    info.receivedNs = id.receivedNs;
    info.exposureUs = id.exposureUs;
    info.temperatureMilliC = id.temperatureMilliC;
    info.lostBefore = id.lostBefore;
    queue->Offer(output.Bits(), info);
}

// Closes the queue for good; its held frames move to the retired queues.
void CKelvra::RetireFrameQueue(int32_t status) {
    std::lock_guard<std::mutex> lock(queueLock_);
    if (!frameQueue_) return;
    frameQueue_->Close(status);
    retired_frame_queues::Keep(frameQueue_);
    frameQueue_.reset();
}

std::shared_ptr<FrameQueue> CKelvra::CurrentFrameQueue() const {
    std::lock_guard<std::mutex> lock(queueLock_);
    return frameQueue_;
}

// Bytes of one output frame: as prepared while an acquisition runs, else as the settings would
// prepare it (nothing for a readout window that a start would refuse).
size_t CKelvra::OutputFrameBytes() {
    const int32_t state = state_.load();
    if (state != kIdle) {
        std::lock_guard<std::recursive_mutex> frame(frameLock_);
        const CDibImage* output = OutputImage(preparedMode_.load());
        return output != nullptr ? ImageBytes(*output) : 0;
    }
    const settings::ReadoutWindow window = ReadoutWindow();
    const settings::StreamFormat format = StreamFormat();
    if (!IsReadoutWindowValid(window, format.subSample) || !IsValidMode(format.color)) return 0;
    const FrameSize size = OutputFrameSize(window, format.subSample);
    const int64_t stride = CDibImage::StrideFor(size.width, kModeBits[size_t(format.color)]);
    return size_t(stride) * size_t(size.height);
}

}  // namespace kelvra

#include "sim/BulkEndpoints.h"

#include <algorithm>
#include <cstring>

#include "driver/Ioctl.h"
#include "sim/Bytes.h"

namespace kelvra::sim {

namespace rec = driver::record;

BulkEndpoints::BulkEndpoints(std::mutex& cameraMutex, FrameSource& source, MemoryWindow& window,
                             const SensorModel& model, uint32_t defectSeed)
    : mutex_(cameraMutex),
      source_(source),
      window_(window),
      renderer_(model, defectSeed),
      blockFrames_(model.family == SensorFamily::LiCmos) {
    // Room for a full 16-bit frame, so the usual geometries never allocate while streaming; for
    // the largest sensors, whose frames are windows of the array, as much as any other sensor's
    // (the buffer grows at the first frame that needs more). Reserved, not filled: a camera
    // that never streams (most of a test's cameras) never touches those pages.
    frame_.reserve(size_t(
        std::min<int64_t>(int64_t(model.width) * model.height, SensorModel::kLargeArrayPixels)));
}

// Ends every pending read and stops the worker. The caller does not hold the camera's lock.
BulkEndpoints::~BulkEndpoints() {
    {
        std::lock_guard lock(mutex_);
        stopping_ = true;
        endAll(driver::kErrorOperationAborted, driver::kUsbStatusCanceled);
    }
    changed_.notify_all();
    if (worker_.joinable()) worker_.join();
}

// Starts one bulk transfer. OUT transfers and reads whose data is ready finish at once; other
// reads queue for the worker and return {997, 0}. The result is also left in `request`.
driver::IoResult BulkEndpoints::submit(const Transfer& transfer, driver::Overlapped& request) {
    Pending p{transfer, &request, false};
    if (transfer.endpoint == driver::kEndpointBulkOut) {
        const WindowTransfer r = window_.out(transfer.data);
        if (r.ok && blockFrames_ && window_.readPending() && window_.pendingAddress() == 0) {
            putBlockFrame();
        }
        if (r.ok) {
            finish(p, driver::kErrorSuccess, r.bytes, 0);
        } else {
            finish(p, driver::kErrorGenFailure, 0, driver::kUsbStatusStall);
        }
        return request.result();
    }
    if (transfer.endpoint != driver::kEndpointStreamIn &&
        transfer.endpoint != driver::kEndpointSyncIn) {
        finish(p, driver::kErrorInvalidParameter, 0, driver::kUsbStatusStall);
        return request.result();
    }
    if (transfer.data.empty()) {
        finish(p, driver::kErrorSuccess, 0, 0);
        return request.result();
    }
    Queue& queue = queueFor(transfer.endpoint);
    if (queue.count == 0) {
        const bool served =
            transfer.endpoint == driver::kEndpointSyncIn ? serveSync(p) : serveStream(p);
        if (served) return request.result();
    }
    if (queue.count == kQueueDepth) {
        finish(p, driver::kErrorNoSystemResources, 0, 0);
        return request.result();
    }
    request.begin(&BulkEndpoints::cancelThunk, this);
    queue.items[queue.count++] = p;
    if (!worker_.joinable()) worker_ = std::thread(&BulkEndpoints::run, this);
    changed_.notify_all();
    return {driver::kErrorIoPending, 0};
}

// IOCTL 0x220044: every read pending on `endpoint` ends at once with 995.
void BulkEndpoints::abortPipe(uint8_t endpoint) {
    if (endpoint != driver::kEndpointStreamIn && endpoint != driver::kEndpointSyncIn) return;
    Queue& queue = queueFor(endpoint);
    while (queue.count) {
        finish(queue.items[0], driver::kErrorOperationAborted, 0, driver::kUsbStatusCanceled);
        ++stats_.readsAborted;
        queue.pop(0);
    }
    changed_.notify_all();
}

// IOCTL 0x22002C: the pipe starts clean: on 0x81 no partial frame or window data, on 0x01 no
// announced window chunk.
void BulkEndpoints::resetPipe(uint8_t endpoint) {
    if (endpoint == driver::kEndpointStreamIn) restartStream();
    if (endpoint == driver::kEndpointBulkOut) window_.reset();
}

// Ends every pending read with `error` (port reset, unplug, destruction).
void BulkEndpoints::endAll(uint32_t error, uint32_t usbStatus) {
    for (Queue* queue : {&streamQueue_, &syncQueue_}) {
        while (queue->count) {
            finish(queue->items[0], error, 0, usbStatus);
            ++stats_.readsAborted;
            queue->pop(0);
        }
    }
    changed_.notify_all();
}

// A handle closes: its reads end with 995 before the close returns.
void BulkEndpoints::endHandle(uint64_t handle) {
    for (Queue* queue : {&streamQueue_, &syncQueue_}) {
        for (size_t i = 0; i < queue->count;) {
            if (queue->items[i].transfer.handle != handle) {
                ++i;
                continue;
            }
            finish(queue->items[i], driver::kErrorOperationAborted, 0, driver::kUsbStatusCanceled);
            ++stats_.readsAborted;
            queue->pop(i);
        }
    }
    changed_.notify_all();
}

// Request 0xC2 and the FPGA's readout restart: a partly sent (or still drawn) frame is dropped.
void BulkEndpoints::resyncStream() {
    if (phase_ == Phase::Rendering) {
        discardRendering_ = true;
    } else if (phase_ != Phase::Boundary) {
        dropFrame();
    }
}

void BulkEndpoints::restartStream() {
    resyncStream();
    window_.reset();
}

void BulkEndpoints::Queue::pop(size_t at) {
    for (size_t i = at + 1; i < count; ++i) items[i - 1] = items[i];
    --count;
}

void BulkEndpoints::cancelThunk(void* self, driver::Overlapped* request) {
    static_cast<BulkEndpoints*>(self)->cancel(request);
}

// Overlapped::cancel: ends the read if it is still queued (it may have just finished).
void BulkEndpoints::cancel(driver::Overlapped* request) {
    std::lock_guard lock(mutex_);
    for (Queue* queue : {&streamQueue_, &syncQueue_}) {
        for (size_t i = 0; i < queue->count; ++i) {
            if (queue->items[i].request != request) continue;
            finish(queue->items[i], driver::kErrorOperationAborted, 0, driver::kUsbStatusCanceled);
            ++stats_.readsAborted;
            queue->pop(i);
            changed_.notify_all();
            return;
        }
    }
}

// A read on 0x81: memory-window data first, else frame data if a frame is being sent. Returns
// false when the read must wait (for a frame, or forever when stalled by a fault).
bool BulkEndpoints::serveStream(Pending& p) {
    if (p.stalled) return false;
    if (consume(stallReads_)) {
        p.stalled = true;
        return false;
    }
    if (window_.readPending()) {
        const WindowTransfer r = window_.in(p.transfer.data);
        if (r.ok) {
            finish(p, driver::kErrorSuccess, r.bytes, 0);
        } else {
            ++stats_.readsFailed;
            finish(p, driver::kErrorGenFailure, 0, driver::kUsbStatusBabble);
        }
        return true;
    }
    if (phase_ == Phase::Header || phase_ == Phase::Body) return serveFrameData(p, phase_);
    return false;
}

// A read on 0x83 takes a whole drawn body in one transfer.
bool BulkEndpoints::serveSync(Pending& p) {
    if (phase_ != Phase::SyncBody) return false;
    const uint32_t n = static_cast<uint32_t>(std::min<size_t>(p.transfer.data.size(), bodyLength_));
    std::memcpy(p.transfer.data.data(), body(), n);
    phase_ = Phase::Boundary;
    ++stats_.framesSent;
    finish(p, driver::kErrorSuccess, n, 0);
    return true;
}

// Header or body bytes for one read, with the injected failures and the overflow rule.
bool BulkEndpoints::serveFrameData(Pending& p, Phase phase) {
    const bool header = phase == Phase::Header;
    const uint32_t total = header ? uint32_t(kFrameHeaderSize) : bodyLength_;
    const uint8_t* source = (header ? header_.data() : body()) + sent_;
    if (consume(header ? failHeaders_ : failBodies_) || (!header && sent_ == 0 && loseThisBody())) {
        dropFrame();
        ++stats_.readsFailed;
        finish(p, driver::kErrorGenFailure, 0, driver::kUsbStatusStall);
        return true;
    }
    const BulkInAmount amount = bulkInAmount(p.transfer.data.size(), total - sent_);
    std::memcpy(p.transfer.data.data(), source, amount.bytes);
    if (amount.babble) {
        dropFrame();
        ++stats_.readsFailed;
        finish(p, driver::kErrorGenFailure, 0, driver::kUsbStatusBabble);
        return true;
    }
    sent_ += amount.bytes;
    if (sent_ == total) {
        sent_ = 0;
        phase_ = header && bodyLength_ != 0 ? Phase::Body : Phase::Boundary;
        if (phase_ == Phase::Boundary) ++stats_.framesSent;
    }
    finish(p, driver::kErrorSuccess, amount.bytes, 0);
    return true;
}

void BulkEndpoints::serveQueues() {
    bool progress = true;
    while (progress) {
        progress = false;
        if (Pending* p = streamQueue_.head(); p && serveStream(*p)) {
            streamQueue_.pop(0);
            progress = true;
        }
        if (Pending* p = syncQueue_.head(); p && serveSync(*p)) {
            syncQueue_.pop(0);
            progress = true;
        }
    }
}

// The worker: answers queued reads, drawing a frame whenever one is due and a read waits at a
// frame boundary; otherwise sleeps until the frame clock's next frame or a change.
void BulkEndpoints::run() {
    std::unique_lock lock(mutex_);
    while (!stopping_) {
        serveQueues();
        Phase target = Phase::Boundary;
        if (phase_ == Phase::Boundary) {
            const Pending* head = streamQueue_.head();
            // Block-frame cameras send no stream frames, and their renderer belongs to
            // putBlockFrame.
            if (head && !head->stalled && !window_.readPending() && !blockFrames_) {
                target = Phase::Header;
            } else if (!head && syncQueue_.head()) {
                target = Phase::SyncBody;
            }
        }
        if (target == Phase::Boundary) {
            changed_.wait(lock);
            continue;
        }
        const Clock::time_point now = Clock::now();
        const FrameClock::Next next = source_.nextFrame(now);
        if (next.ready) {
            drawFrame(lock, target, next.number, now);
        } else if (next.never) {
            changed_.wait(lock);
        } else {
            changed_.wait_until(lock, next.due);
        }
    }
}

// Takes frame `number` from the camera and draws it with the lock released; only the worker
// touches the frame buffer while the phase is Rendering.
void BulkEndpoints::drawFrame(std::unique_lock<std::mutex>& lock, Phase target, uint64_t number,
                              Clock::time_point now) {
    FrameSettings settings;
    FrameHeaderFields fields;
    source_.takeFrame(number, now, settings, fields);
    if (!FrameRenderer::drawable(settings)) return;
    const size_t bytes = FrameRenderer::bodyBytes(settings);
    phase_ = Phase::Rendering;
    discardRendering_ = false;
    lock.unlock();
    if (frame_.size() * 2 < bytes) frame_.resize((bytes + 1) / 2);
    renderer_.render(settings, body());
    std::array<uint8_t, kFrameHeaderSize> header{};
    writeFrameHeader(fields, header.data());
    lock.lock();
    if (discardRendering_) {
        phase_ = Phase::Boundary;
        ++stats_.framesDropped;
        return;
    }
    header_ = header;
    bodyLength_ = static_cast<uint32_t>(bytes);
    sent_ = 0;
    phase_ = target;
}

// Cameras that deliver frames as memory blocks put the newest frame at address 0 when a read
// of it begins; a stopped sensor leaves what was there.
void BulkEndpoints::putBlockFrame() {
    const Clock::time_point now = Clock::now();
    const FrameClock::Next next = source_.nextFrame(now);
    if (next.never) return;
    FrameSettings settings;
    FrameHeaderFields fields;
    source_.takeFrame(next.number, now, settings, fields);
    if (!FrameRenderer::drawable(settings)) return;
    const size_t bytes = FrameRenderer::bodyBytes(settings);
    if (block_.size() * 2 < bytes) block_.resize((bytes + 1) / 2);
    renderer_.render(settings, reinterpret_cast<uint8_t*>(block_.data()));
    window_.memory().write(0, std::span(reinterpret_cast<const uint8_t*>(block_.data()), bytes));
    ++stats_.framesSent;
}

void BulkEndpoints::dropFrame() {
    phase_ = Phase::Boundary;
    sent_ = 0;
    ++stats_.framesDropped;
}

bool BulkEndpoints::consume(int& faultCount) {
    if (faultCount == 0) return false;
    if (faultCount > 0) --faultCount;
    return true;
}

// Counts a frame body begun; true when it is one the periodic loss fault takes.
bool BulkEndpoints::loseThisBody() {
    ++bodiesStarted_;
    return loseEvery_ > 0 && bodiesStarted_ % static_cast<uint64_t>(loseEvery_) == 0;
}

// Writes the status words into the record, if any, and completes the request.
void BulkEndpoints::finish(Pending& p, uint32_t error, uint32_t bytes, uint32_t usbStatus) {
    if (p.transfer.record != nullptr) {
        storeU32(p.transfer.record + rec::kDriverStatus,
                 error ? driver::kDriverStatusUnsuccessful : 0);
        storeU32(p.transfer.record + rec::kUsbStatus, usbStatus);
    }
    p.request->finish({error, error ? 0 : bytes + p.transfer.bytesBias});
}

}  // namespace kelvra::sim

#include "front/FrameQueue.h"

#include <sys/eventfd.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstring>

namespace kelvra {
namespace {

// Buffers start on a cache line, which also suits vector loads of the application.
constexpr size_t kAlignment = 64;

// Tokens are unique in the process, so a record can never name a buffer of another loan, even
// one at an address a freed buffer had.
std::atomic<uint64_t> g_nextToken{1};

}  // namespace

std::shared_ptr<FrameQueue> FrameQueue::Create(int32_t count, size_t bytes, int32_t status) {
    std::shared_ptr<FrameQueue> queue(new FrameQueue());
    queue->buffers_.resize(size_t(count));
    queue->free_.reserve(size_t(count));
    queue->ready_.resize(size_t(count));
    queue->frameBytes_ = bytes;
    queue->status_ = status;
    for (int32_t i = count - 1; i >= 0; --i) {
        if (!queue->Allocate(queue->buffers_[size_t(i)], bytes)) return nullptr;
        queue->free_.push_back(i);
    }
    queue->fd_ = eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    if (queue->fd_ < 0) return nullptr;
    queue->SyncFd();
    return queue;
}

FrameQueue::~FrameQueue() {
    if (fd_ >= 0) close(fd_);
}

// Replaces the buffer's memory with `bytes` (at least one cache line). False, leaving the old
// memory, when there is none to be had.
bool FrameQueue::Allocate(Buffer& buffer, size_t bytes) {
    const size_t size = std::max(kAlignment, (bytes + kAlignment - 1) / kAlignment * kAlignment);
    auto* memory = static_cast<uint8_t*>(std::aligned_alloc(kAlignment, size));
    if (memory == nullptr) return false;
    buffer.data.reset(memory);
    buffer.capacity = bytes;
    return true;
}

void FrameQueue::Offer(const uint8_t* pixels, const FrameInfo& info) {
    const size_t bytes = size_t(info.height) * size_t(info.rowStride);
    int32_t index = -1;
    {
        std::lock_guard lock(mutex_);
        if (closed_) return;
        index = TakeFree(bytes);
        if (index < 0) {
            ++droppedFull_;
            return;
        }
        buffers_[size_t(index)].state = State::Filling;
    }
    // The buffer is the producer's alone while it is being filled.
    std::memcpy(buffers_[size_t(index)].data.get(), pixels, bytes);
    std::lock_guard lock(mutex_);
    if (closed_) {
        GiveBack(index);
        return;
    }
    FileFrame(index, info, bytes);
}

// A free buffer with room for `bytes`, taken off the free list; -1 when there is none (a
// buffer too small is one whose growth failed for want of memory).
int32_t FrameQueue::TakeFree(size_t bytes) {
    for (size_t k = free_.size(); k-- > 0;) {
        const int32_t index = free_[k];
        if (buffers_[size_t(index)].capacity < bytes) continue;
        free_[k] = free_.back();
        free_.pop_back();
        return index;
    }
    return -1;
}

// Fills the record of a filled buffer and queues it. Lock held.
void FrameQueue::FileFrame(int32_t index, const FrameInfo& info, size_t bytes) {
    const uint64_t lostTotal = info.lostBefore + droppedFull_;
    Buffer& buffer = buffers_[size_t(index)];
    KELVRA_FRAME& r = buffer.record;
    r = KELVRA_FRAME{};
    r.data = buffer.data.get();
    r.bytes = bytes;
    r.width = info.width;
    r.height = info.height;
    r.bitsPerPixel = info.bitsPerPixel;
    r.rowStride = info.rowStride;
    r.frameCounter = info.frameCounter;
    r.timestampUs = info.timestampUs;
    r.receivedNs = info.receivedNs;
    r.exposureUs = info.exposureUs;
    r.temperatureMilliC = info.temperatureMilliC;
    // A queue opened in the middle of an acquisition has no previous frame to count from.
    r.lost = havePrevious_ ? lostTotal - lastLostTotal_ : 0;
    r.token = g_nextToken.fetch_add(1, std::memory_order_relaxed);
    lastLostTotal_ = lostTotal;
    havePrevious_ = true;
    buffer.state = State::Queued;
    ready_[(readyHead_ + readyCount_) % ready_.size()] = index;
    ++readyCount_;
    SyncFd();
    changed_.notify_one();
}

int FrameQueue::Wait(KELVRA_FRAME* frame, int timeoutMs) {
    std::unique_lock lock(mutex_);
    const auto answered = [this] { return readyCount_ > 0 || status_ != KELVRA_FRAME_OK; };
    if (timeoutMs < 0) {
        changed_.wait(lock, answered);
    } else {
        changed_.wait_for(lock, std::chrono::milliseconds(timeoutMs), answered);
    }
    if (readyCount_ == 0) {
        const int32_t size = frame->size;
        *frame = KELVRA_FRAME{};
        frame->size = size;
        frame->status = status_ != KELVRA_FRAME_OK ? status_ : KELVRA_FRAME_TIMEOUT;
        return 0;
    }
    const int32_t index = ready_[readyHead_];
    readyHead_ = (readyHead_ + 1) % ready_.size();
    --readyCount_;
    Hand(index, frame);
    SyncFd();
    return 1;
}

// Lends a queued buffer: its record into `frame`, the caller's size kept. Lock held.
void FrameQueue::Hand(int32_t index, KELVRA_FRAME* frame) {
    Buffer& buffer = buffers_[size_t(index)];
    buffer.state = State::Held;
    ++held_;
    ++delivered_;
    const int32_t size = frame->size;
    *frame = buffer.record;
    frame->size = size;
    frame->status = KELVRA_FRAME_OK;
}

bool FrameQueue::Release(const KELVRA_FRAME& frame) {
    std::lock_guard lock(mutex_);
    for (size_t i = 0; i < buffers_.size(); ++i) {
        const Buffer& buffer = buffers_[i];
        if (buffer.state != State::Held || buffer.record.token != frame.token ||
            buffer.data.get() != frame.data) {
            continue;
        }
        --held_;
        GiveBack(int32_t(i));
        return true;
    }
    return false;
}

// A buffer back to the free list, grown to the current frame size if it fell behind; a closed
// queue frees it instead. Lock held.
void FrameQueue::GiveBack(int32_t index) {
    Buffer& buffer = buffers_[size_t(index)];
    buffer.state = State::Free;
    buffer.record = KELVRA_FRAME{};
    if (closed_) {
        buffer.data.reset();
        buffer.capacity = 0;
        return;
    }
    if (buffer.capacity < frameBytes_) Allocate(buffer, frameBytes_);
    free_.push_back(index);
}

void FrameQueue::Begin(size_t bytes) {
    std::lock_guard lock(mutex_);
    if (closed_) return;
    frameBytes_ = bytes;
    for (const int32_t index : free_) {
        Buffer& buffer = buffers_[size_t(index)];
        if (buffer.capacity < bytes) Allocate(buffer, bytes);
    }
    status_ = KELVRA_FRAME_OK;
    delivered_ = 0;
    droppedFull_ = 0;
    lastLostTotal_ = 0;
    havePrevious_ = true;
    SyncFd();
}

void FrameQueue::End(int32_t status) {
    std::lock_guard lock(mutex_);
    if (closed_ || status_ != KELVRA_FRAME_OK) return;
    status_ = status;
    SyncFd();
    changed_.notify_all();
}

void FrameQueue::Close(int32_t status) {
    std::lock_guard lock(mutex_);
    if (closed_) return;
    closed_ = true;
    status_ = status;
    for (; readyCount_ > 0; --readyCount_) {
        GiveBack(ready_[readyHead_]);
        readyHead_ = (readyHead_ + 1) % ready_.size();
    }
    for (const int32_t index : free_) {
        buffers_[size_t(index)].data.reset();
        buffers_[size_t(index)].capacity = 0;
    }
    free_.clear();
    // Readable before it goes, so that a poll already waiting on it returns.
    SyncFd();
    close(fd_);
    fd_ = -1;
    changed_.notify_all();
}

int FrameQueue::Fd() const {
    std::lock_guard lock(mutex_);
    return fd_;
}

FrameQueue::Counts FrameQueue::Read() const {
    std::lock_guard lock(mutex_);
    return Counts{delivered_, droppedFull_, int32_t(readyCount_), held_};
}

bool FrameQueue::HoldsFrames() const {
    std::lock_guard lock(mutex_);
    return held_ > 0;
}

// The eventfd is readable exactly while a wait would return at once. Lock held.
void FrameQueue::SyncFd() {
    const bool readable = readyCount_ > 0 || status_ != KELVRA_FRAME_OK;
    if (fd_ < 0 || readable == fdReadable_) return;
    eventfd_t value = 1;
    // Neither call can fail on a valid non-blocking eventfd kept at 0 or 1.
    if (readable) {
        eventfd_write(fd_, value);
    } else {
        eventfd_read(fd_, &value);
    }
    fdReadable_ = readable;
}

}  // namespace kelvra

// A queue of owned frames: a fixed set of buffers that processed frames are copied into and
// that the application borrows one at a time (Kelvra_WaitFrame) and gives back
// (Kelvra_ReleaseFrame).
//
// A buffer is free, being filled, queued or held. The producer only ever fills a free buffer:
// when none is free the frame is dropped and counted, so what is queued or held is never
// written. Buffers are allocated when the queue is made and when the frame size grows at an
// acquisition start (free ones then, the others as they are given back), never per frame.
//
// Threads: one producer at a time (the thread that processed the frame), any number of waiters
// and releasers. One lock guards the bookkeeping; pixels are copied outside it. An eventfd is
// readable whenever a wait would return at once.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <mutex>
#include <vector>

#include "KelvraSdk.h"

namespace kelvra {

class FrameQueue {
  public:
    static constexpr int32_t kMinBuffers = 2;
    static constexpr int32_t kMaxBuffers = 64;

    // What the producer tells of a frame beside its pixels.
    struct FrameInfo {
        int32_t width = 0, height = 0, bitsPerPixel = 0, rowStride = 0;
        uint64_t frameCounter = 0;
        uint64_t timestampUs = 0;
        int64_t receivedNs = 0;
        uint32_t exposureUs = 0;
        int32_t temperatureMilliC = 0;
        // Frames lost in this acquisition before this one, outside the queue (ring, camera).
        uint64_t lostBefore = 0;
    };

    struct Counts {
        uint64_t delivered = 0;
        uint64_t droppedFull = 0;
        int32_t queued = 0;
        int32_t held = 0;
    };

    // `count` buffers of `bytes` each and the eventfd; `status` is KELVRA_FRAME_OK while an
    // acquisition runs, else why none does. Null when memory or the eventfd could not be had.
    static std::shared_ptr<FrameQueue> Create(int32_t count, size_t bytes, int32_t status);
    ~FrameQueue();
    FrameQueue(const FrameQueue&) = delete;
    FrameQueue& operator=(const FrameQueue&) = delete;

    // Producer: copies `bytes` of `pixels` (height x rowStride) into a free buffer and queues
    // it, or counts the frame dropped. Nothing happens once the queue is closed.
    void Offer(const uint8_t* pixels, const FrameInfo& info);

    // Waits up to timeoutMs (< 0: no limit) for a queued frame: 1 with `frame` filled and the
    // buffer held, else 0 with the reason in frame->status. `frame` has room for the record.
    int Wait(KELVRA_FRAME* frame, int timeoutMs);
    // Gives back the buffer `frame` names (its data and token). False when no held buffer
    // matches: never lent, or given back already.
    bool Release(const KELVRA_FRAME& frame);

    // An acquisition starts with frames of `bytes`: counts reset, waiters wait again, free
    // buffers grow to fit.
    void Begin(size_t bytes);
    // The acquisition ended (stopped, camera lost): waiters wake with `status` once the queue
    // is drained. The first reason stays until the next Begin.
    void End(int32_t status);
    // Closed for good with `status` (closed, handle released): frames not taken are dropped,
    // waiters wake, the eventfd is closed; held buffers stay until given back.
    void Close(int32_t status);

    int Fd() const;
    Counts Read() const;
    bool HoldsFrames() const;

  private:
    enum class State { Free, Filling, Queued, Held };
    struct FreeBytes {
        void operator()(uint8_t* p) const { std::free(p); }
    };
    struct Buffer {
        std::unique_ptr<uint8_t, FreeBytes> data;
        size_t capacity = 0;
        State state = State::Free;
        KELVRA_FRAME record{};
    };

    FrameQueue() = default;
    bool Allocate(Buffer& buffer, size_t bytes);
    int32_t TakeFree(size_t bytes);
    void FileFrame(int32_t index, const FrameInfo& info, size_t bytes);
    void Hand(int32_t index, KELVRA_FRAME* frame);
    void GiveBack(int32_t index);
    void SyncFd();

    mutable std::mutex mutex_;
    std::condition_variable changed_;
    std::vector<Buffer> buffers_;  // never resized after Create
    std::vector<int32_t> free_;    // indices of free buffers
    std::vector<int32_t> ready_;   // queued indices, a ring of readyHead_/readyCount_
    size_t readyHead_ = 0;
    size_t readyCount_ = 0;
    size_t frameBytes_ = 0;  // frame size of the current acquisition
    int32_t status_ = KELVRA_FRAME_OK;
    bool closed_ = false;
    int32_t held_ = 0;
    uint64_t delivered_ = 0;
    uint64_t droppedFull_ = 0;
    // Loss bookkeeping: the lost total (outside + dropped here) at the last queued frame.
    uint64_t lastLostTotal_ = 0;
    bool havePrevious_ = false;
    int fd_ = -1;
    bool fdReadable_ = false;
};

}  // namespace kelvra

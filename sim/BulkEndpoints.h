#pragma once
// The camera's bulk endpoints: 0x01 OUT (memory-window commands and data), 0x81 IN (frame
// headers and bodies, memory-window data) and 0x83 IN (whole frame bodies). Reads that cannot
// be answered at once queue (at most kQueueDepth per endpoint) and are answered by one worker
// thread per camera, which waits for the frame clock and draws frames without the camera's lock.
//
// Every member except the constructor and destructor is called with the camera's lock held.
//
// The stream on 0x81: a 64-byte header transfer, then the body. A read takes what it asks for up
// to the end of the current transfer (header, or the rest of the body); ending inside the
// transfer on a length that is not a multiple of 1024 overflows (babble, error 31).

#include <array>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <span>
#include <thread>
#include <vector>

#include "driver/Overlapped.h"
#include "sim/FrameHeader.h"
#include "sim/FrameRenderer.h"
#include "sim/MemoryWindow.h"
#include "sim/StreamControl.h"

namespace kelvra::sim {

struct StreamStats {
    uint64_t framesSent = 0;     // bodies delivered completely
    uint64_t framesDropped = 0;  // frames abandoned part way (restart, ready query, fault)
    uint64_t readsAborted = 0;   // reads ended by abort pipe, reset, close or unplug
    uint64_t readsFailed = 0;    // reads failed by an injected fault or babble
};

class BulkEndpoints final : public StreamControl {
  public:
    using Clock = std::chrono::steady_clock;
    static constexpr size_t kQueueDepth = 16;

    // One bulk transfer. `record`, when not null, receives the status words at completion.
    // `bytesBias` is added to the bytes returned (38 for staged transfers).
    struct Transfer {
        uint64_t handle = 0;
        uint8_t endpoint = 0;
        std::span<uint8_t> data;
        uint8_t* record = nullptr;
        uint32_t bytesBias = 0;
    };

    BulkEndpoints(std::mutex& cameraMutex, FrameSource& source, MemoryWindow& window,
                  const SensorModel& model, uint32_t defectSeed);
    ~BulkEndpoints() override;
    BulkEndpoints(const BulkEndpoints&) = delete;
    BulkEndpoints& operator=(const BulkEndpoints&) = delete;

    driver::IoResult submit(const Transfer& transfer, driver::Overlapped& request);
    void abortPipe(uint8_t endpoint);
    void resetPipe(uint8_t endpoint);
    void endAll(uint32_t error, uint32_t usbStatus);
    void endHandle(uint64_t handle);

    void resyncStream() override;
    void restartStream() override;
    void wake() override { changed_.notify_all(); }

    void failHeaderReads(int count) { failHeaders_ = count; }
    void failBodyReads(int count) { failBodies_ = count; }
    void stallReads(int count) { stallReads_ = count; }
    void loseEveryNthFrame(int n) { loseEvery_ = n; }
    StreamStats stats() const { return stats_; }
    const std::vector<Defect>& defects() const { return renderer_.defects(); }

  private:
    enum class Phase { Boundary, Rendering, Header, Body, SyncBody };

    struct Pending {
        Transfer transfer;
        driver::Overlapped* request = nullptr;
        bool stalled = false;
    };
    struct Queue {
        std::array<Pending, kQueueDepth> items;
        size_t count = 0;
        Pending* head() { return count ? &items[0] : nullptr; }
        void pop(size_t at);
    };

    static void cancelThunk(void* self, driver::Overlapped* request);
    void cancel(driver::Overlapped* request);
    Queue& queueFor(uint8_t endpoint) { return endpoint == 0x83 ? syncQueue_ : streamQueue_; }
    bool serveStream(Pending& p);
    bool serveSync(Pending& p);
    bool serveFrameData(Pending& p, Phase phase);
    void serveQueues();
    void run();
    void drawFrame(std::unique_lock<std::mutex>& lock, Phase target, uint64_t number,
                   Clock::time_point now);
    void dropFrame();
    void putBlockFrame();
    bool consume(int& faultCount);
    bool loseThisBody();
    void finish(Pending& p, uint32_t error, uint32_t bytes, uint32_t usbStatus);
    uint8_t* body() { return reinterpret_cast<uint8_t*>(frame_.data()); }

    std::mutex& mutex_;
    FrameSource& source_;
    MemoryWindow& window_;
    FrameRenderer renderer_;       // worker thread only (submitting thread for block frames)
    const bool blockFrames_;       // frames are memory blocks read through the memory window
    std::vector<uint16_t> block_;  // the block frame being put, guarded by the camera's lock
    std::condition_variable changed_;
    Queue streamQueue_;
    Queue syncQueue_;
    Phase phase_ = Phase::Boundary;
    bool discardRendering_ = false;
    std::array<uint8_t, kFrameHeaderSize> header_{};
    std::vector<uint16_t> frame_;  // 16-bit storage so 16-bit samples are aligned
    uint32_t bodyLength_ = 0;
    uint32_t sent_ = 0;  // bytes of the current transfer (header or body) already sent
    int failHeaders_ = 0;
    int failBodies_ = 0;
    int stallReads_ = 0;
    int loseEvery_ = 0;           // 0: no periodic loss
    uint64_t bodiesStarted_ = 0;  // frame bodies begun, for loseEvery_
    StreamStats stats_;
    bool stopping_ = false;
    std::thread worker_;
};

}  // namespace kelvra::sim

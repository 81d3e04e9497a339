// The transfer thread: its procedure and the three loops that move frames from the camera into
// the ring (header and body on endpoint 0x81, whole frames on 0x83, memory-window blocks).
#include <algorithm>
#include <chrono>
#include <cstring>

#include "device/CKelvraU3Q6Base.h"
#include "device/DeviceRegisters.h"
#include "device/ProductIds.h"

namespace kelvra {
namespace {

constexpr int32_t kModeSingle = 1;
constexpr int32_t kModeTrigger = 2;
constexpr int32_t kModeCounterOnly = 3;
constexpr int32_t kTriggerExternal = 1;

constexpr int32_t kMaxRetries = 5;         // failed reads in a row that end the thread
constexpr int32_t kMaxSyncFailures = 10;   // sync stream: failures beyond this end it
constexpr uint32_t kSyncSilenceMs = 9999;  // sync stream: so long without a frame ends it
constexpr int32_t kMaxBlockFailures = 10;  // block stream: failures in a row that end it
constexpr uint32_t kTriggerPollMs = 1;
constexpr uint32_t kSettlePauseMs = 20000;  // 0x32D0 after its first failed header
constexpr uint32_t kSettleStepMs = 200;     // how often that pause looks for a stop
constexpr uint32_t kBaseHeaderTimeoutMs = 400;
constexpr double kMsPerTimeUnit = 0.1;             // exposure time unit of the descriptor
constexpr double kMaxHeaderExposureMs = 600000.0;  // bounds a damaged descriptor's exposure

// Header words kept per slot, by header offset; the second is the frame number.
constexpr size_t kHeaderWordOffsets[] = {28, 32, 40, 44};
constexpr size_t kFrameNumberWord = 1;

// Products whose stream pipe is reset after a failed read.
bool ResetsPipeOnFailure(int32_t productId) {
    return product::IsOneOf(productId, {0x3100, 0x3130, 0x3150, 0x3170, 0x31B0, 0x31B4, 0x31C0,
                                        0x31C4, 0x31E0, 0x32A0});
}

double SecondsSince(std::chrono::steady_clock::time_point start) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

}  // namespace

// The thread procedure: the loop of the product, then the end every loop shares. The running
// flag is cleared last, after the thread-end and (on error) frame events. Transfer thread.
void CKelvraU3Q6Base::TransferThreadMain() {
    if (m_productId == product::kSyncStream) {
        TransferLoopSync();
    } else {
        TransferLoop();
    }
    if (m_controller) m_controller->CloseStream();
    m_threadEnd.Set();
    if (m_transferError) m_frameEvent.Set();
    m_running = 0;
    m_threadGone.Set();
}

// Reads frames (64-byte header, then the body) into the staging buffer and commits each to the
// ring, until stopped, until one frame in modes 1 and 2, until one header in mode 3, or until
// five failed reads in a row (transfer error flag set, frame event signalled). Transfer thread;
// returns at once without a controller or staging buffer.
void CKelvraU3Q6Base::TransferLoop() {
    if (!m_controller || !m_ring.Staging()) return;
    if (IsBlockStreamModel()) {
        TransferLoopBlock();
        return;
    }
    FrameRequest request;
    request.destination = m_ring.Staging();
    request.capacity = m_ring.StagingSize();
    m_transferError = 0;
    if (!m_controller->OpenStream()) return;
    while (m_running) {
        HeaderWords words{};
        double bodySeconds = 0.0;
        if (ReadNextFrame(request, words, bodySeconds) != FrameResult::Complete) break;
        CompleteFrame(m_lastFrameNumber, words, bodySeconds);
        if (EndsAfterFrame()) break;
    }
}

// One frame, retried after failures: Complete with the body in the staging buffer,
// CounterOnly after the header of mode 3, Stopped when the running flag went, Lost after the
// fifth failure.
CKelvraU3Q6Base::FrameResult CKelvraU3Q6Base::ReadNextFrame(FrameRequest& request,
                                                            HeaderWords& words,
                                                            double& bodySeconds) {
    int32_t retries = 0;
    while (m_running) {
        const int32_t timeoutMs = m_frameTimeoutMs;
        if (m_pendingExposureFlag.exchange(0) && m_sensor) {
            m_sensor->SetExposureTime(int32_t(m_pendingExposure.load()));
        }
        if (m_triggerMode == kTriggerExternal && !WaitForTriggeredFrame()) break;
        const ReadResult read = ReadHeaderAndBody(request, timeoutMs, words, bodySeconds);
        if (read == ReadResult::Frame) return FrameResult::Complete;
        if (read == ReadResult::CounterOnly) return FrameResult::CounterOnly;
        if (!RecoverAfterFailure(retries, read == ReadResult::HeaderFailed)) {
            return FrameResult::Lost;
        }
    }
    return FrameResult::Stopped;
}

// The header, then (apart from mode 3) the body. The header's frame number becomes the last
// frame number in modes 0, 1 and 3; in trigger mode it comes from the FPGA counter instead.
CKelvraU3Q6Base::ReadResult CKelvraU3Q6Base::ReadHeaderAndBody(FrameRequest& request,
                                                               int32_t timeoutMs,
                                                               HeaderWords& words,
                                                               double& bodySeconds) {
    const int32_t mode = m_captureMode;
    request.headerTimeoutMs = HeaderTimeoutMs();
    // Once the counter has shown a triggered frame, its header gets the whole frame timeout: a
    // header read that expires restarts the readout, which throws that frame away, and no other
    // comes until the next trigger. A slow camera (or a loaded machine serving the simulated one)
    // then lost the trigger for good.
    if (mode == kModeTrigger && m_triggerMode == kTriggerExternal) {
        request.headerTimeoutMs =
            std::max(request.headerTimeoutMs, uint32_t(std::max(timeoutMs, int32_t{0})));
    }
    if (!m_controller->ReadFrameHeader(request)) return ReadResult::HeaderFailed;
    words = HeaderWordsOf(request);
    if (mode == kModeCounterOnly) {
        m_ring.StoreWords(m_writeIndex, words);
        m_lastFrameNumber = int32_t(request.frameNumber);
        return ReadResult::CounterOnly;
    }
    if (mode != kModeTrigger) m_lastFrameNumber = int32_t(request.frameNumber);
    if (!BodyFitsRing(request)) return ReadResult::BodyFailed;
    const auto start = std::chrono::steady_clock::now();
    if (!m_controller->ReadFrameBody(request, timeoutMs)) return ReadResult::BodyFailed;
    bodySeconds = SecondsSince(start);
    return ReadResult::Frame;
}

// How long a header read waits for its frame: the standard 400 ms for readout and transfer,
// plus the exposure, which the frame's header cannot come before. Shorter, every read of a long
// exposure would expire, and its readout restart would start the exposure over.
uint32_t CKelvraU3Q6Base::HeaderTimeoutMs() {
    SensorDescriptor d;
    if (!Descriptor(&d)) return kBaseHeaderTimeoutMs;
    double exposureMs = std::max(d.exposureTime.current, 0) * kMsPerTimeUnit;
    if (d.exposureSecondsSupported)
        exposureMs = std::max(exposureMs, d.exposureSecondsCurrent * 1e3);
    return kBaseHeaderTimeoutMs + uint32_t(std::min(exposureMs, kMaxHeaderExposureMs));
}

// A body announced longer or shorter than the ring's frame is a failed read: a short one would
// leave the rest of the slot from an older frame, a long one would be cut. The camera's window
// and the ring disagree, for example after an FPGA register was changed behind the core's back.
bool CKelvraU3Q6Base::BodyFitsRing(const FrameRequest& request) const {
    uint32_t length = 0;
    std::memcpy(&length, request.header + kHeaderBodyLengthOffset, sizeof length);
    return length == m_ring.FrameSize();
}

// After a failed header or body: the stream is closed and, unless this was the fifth failure
// in a row, the camera has gone, or it was the first of a triggered 0x3190 frame, reset and
// reopened. Product 0x32D0 skips
// the readout restart pulse and instead settles once after its first failed header since the
// last stop. Returns false when the transfer gives up, with the error flag set and the frame
// event signalled.
bool CKelvraU3Q6Base::RecoverAfterFailure(int32_t& retries, bool headerFailed) {
    m_controller->CloseStream();
    ++retries;
    m_counters.CountFailedRead();
    const int32_t productId = m_productId;
    // A camera that has gone cannot be brought back by retrying: give up at once.
    if (retries >= kMaxRetries || m_controller->DeviceGone() ||
        (productId == product::kModelJ && m_captureMode == kModeTrigger)) {
        m_counters.CountLostRun();
        m_transferError = 1;
        m_frameEvent.Set();
        return false;
    }
    m_counters.CountResync();
    if (ResetsPipeOnFailure(productId)) m_controller->ResetPipe(device_reg::kStreamEndpoint);
    if (productId == product::kModelG) {
        if (headerFailed && m_firstFrame.exchange(0)) SettleAfterFirstHeaderFailure();
    } else if (m_sensor) {
        m_sensor->PulseReadoutRestart();
    }
    m_controller->OpenStream();
    return true;
}

// Product 0x32D0: a stream reset, then a 20 s pause for the camera to recover. Which reset the
// camera wants is not documented; the core's own stream restart (pipe reset, restart request)
// is used. The pause ends early when the transfer is stopped, so that a stop (which waits for
// this thread without limit) is not held up by it. Transfer thread, stream closed.
void CKelvraU3Q6Base::SettleAfterFirstHeaderFailure() {
    RestartStream();
    for (uint32_t paused = 0; paused < kSettlePauseMs && m_running; paused += kSettleStepMs) {
        Sleep(kSettleStepMs);
    }
}

// External trigger: waits until the FPGA frame counter moves past the last frame number and
// takes its value. False when the transfer is stopped meanwhile, or when the camera has gone
// (then with the transfer error flag set and the frame event signalled).
bool CKelvraU3Q6Base::WaitForTriggeredFrame() {
    while (m_running) {
        uint8_t counter = 0;
        const bool read = m_controller->ReadFpgaRegister(device_reg::kFrameCounter, &counter);
        if (!read && m_controller->DeviceGone()) {
            m_transferError = 1;
            m_frameEvent.Set();
            return false;
        }
        if (!read || counter == m_lastFrameNumber) {
            Sleep(kTriggerPollMs);  // a failed read is retried too, but not in a busy loop
            continue;
        }
        m_lastFrameNumber = counter;
        return true;
    }
    return false;
}

// Files the frame in the staging buffer: error flag cleared, rates updated, frame committed to
// the ring at the write index (or the next slot no reader holds), write index advanced past
// it, frame event signalled.
void CKelvraU3Q6Base::CompleteFrame(int32_t frameNumber, const HeaderWords& words,
                                    double bodySeconds) {
    m_transferError = 0;
    if (bodySeconds > 0.0) {
        constexpr double kKibPerMegabit = 128.0;  // 2^20 bits
        m_dataRate = double(m_ring.FrameSize() >> 10) / kKibPerMegabit / bodySeconds;
    }
    m_frameRate.Count(Tick());
    const int32_t depth = m_ringDepth;
    const int32_t slot = m_ring.Commit(m_writeIndex, depth, frameNumber, words, StampFrame(words));
    if (slot >= 0) m_writeIndex = (slot + 1) % depth;
    m_frameEvent.Set();
}

// Numbers a received frame and notes when it came and how many frames the camera skipped
// before it in this run: the header's frame number counts every frame the sensor made, so a step
// of more than one is frames it made and never sent. A step back (a camera that restarted its
// count) is no gap. Transfer thread.
FrameStamp CKelvraU3Q6Base::StampFrame(const HeaderWords& words) {
    const auto number = uint32_t(words[kFrameNumberWord]);
    const uint32_t step = number - m_lastHeaderNumber;
    const bool gap = m_haveHeaderNumber && int32_t(step) > 1;
    const uint64_t gaps = gap ? m_counters.CountGaps(step - 1) : m_counters.Gaps();
    m_lastHeaderNumber = number;
    m_haveHeaderNumber = true;
    const auto now = std::chrono::steady_clock::now().time_since_epoch();
    return FrameStamp{m_counters.CountReceived(), gaps,
                      std::chrono::duration_cast<std::chrono::nanoseconds>(now).count()};
}

// Modes 1 and 2 take a single frame; mode 2 counts it.
bool CKelvraU3Q6Base::EndsAfterFrame() {
    const int32_t mode = m_captureMode;
    if (mode == kModeTrigger) ++m_triggerFrameCount;
    return mode == kModeSingle || mode == kModeTrigger;
}

HeaderWords CKelvraU3Q6Base::HeaderWordsOf(const FrameRequest& request) {
    HeaderWords words{};
    for (size_t i = 0; i < words.size(); ++i) {
        std::memcpy(&words[i], request.header + kHeaderWordOffsets[i], sizeof(int32_t));
    }
    return words;
}

// The sync-stream model (0x3042): whole frames from endpoint 0x83 after a stream restart. A
// failure resets the port, the stream and the pipe; more than 10 failures, or 9999 ms without
// a frame, end the thread with the error flag set. Transfer thread.
void CKelvraU3Q6Base::TransferLoopSync() {
    if (!m_controller || !m_ring.Staging()) return;
    FrameRequest request;
    request.destination = m_ring.Staging();
    request.capacity = m_ring.StagingSize();
    request.expectedLength = m_ring.FrameSize();
    m_transferError = 0;
    m_controller->StreamRestart();
    int32_t failures = 0;
    uint32_t lastFrame = Tick();
    while (m_running) {
        const auto start = std::chrono::steady_clock::now();
        if (m_controller->ReadFrameSync(request)) {
            failures = 0;
            lastFrame = Tick();
            CompleteFrame(m_lastFrameNumber, HeaderWords{}, SecondsSince(start));
            if (EndsAfterFrame()) break;
            continue;
        }
        m_counters.CountFailedRead();
        m_controller->ResetParentPort();
        m_controller->StreamRestart();
        m_controller->ResetPipe(device_reg::kStreamEndpoint);
        if (++failures > kMaxSyncFailures || Tick() - lastFrame > kSyncSilenceMs) {
            m_counters.CountLostRun();
            m_transferError = 1;
            m_frameEvent.Set();
            break;
        }
    }
}

// Block-stream models (0x3310-0x3340): each frame is one memory-window block read, with the
// frame timeout (none in trigger mode). A failure restarts stream and readout; ten in a row
// end the thread with the error flag set. Transfer thread.
void CKelvraU3Q6Base::TransferLoopBlock() {
    if (!m_controller || !m_ring.Staging()) return;
    FrameRequest request;
    request.destination = m_ring.Staging();
    request.capacity = m_ring.StagingSize();
    m_transferError = 0;
    int32_t failures = 0;
    while (m_running) {
        uint32_t length = m_ring.FrameSize();
        const int32_t timeoutMs = m_captureMode == kModeTrigger ? -1 : m_frameTimeoutMs.load();
        const auto start = std::chrono::steady_clock::now();
        if (m_controller->ReadBlock(request, &length, timeoutMs)) {
            failures = 0;
            CompleteFrame(m_lastFrameNumber, HeaderWords{}, SecondsSince(start));
            if (EndsAfterFrame()) break;
            continue;
        }
        m_counters.CountFailedRead();
        m_controller->CloseStream();
        RestartStream();
        if (m_sensor) m_sensor->PulseReadoutRestart();
        m_controller->StreamRestart();
        m_controller->OpenStream();
        if (++failures >= kMaxBlockFailures) {
            m_counters.CountLostRun();
            m_transferError = 1;
            m_frameEvent.Set();
            break;
        }
    }
}

}  // namespace kelvra

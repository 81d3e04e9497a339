#include "FrameRecorder.h"

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <thread>
#include <vector>

#include "CameraReport.h"
#include "ErrorWords.h"
#include "Formatting.h"
#include "FrameQueueScope.h"
#include "RateMeter.h"
#include "StopSignal.h"

namespace kelvra::tool {
namespace {

using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;

// The queue takes as many buffers as fit this budget, within the library's 2..64: at full
// frame, 16 bits, 64 buffers (168 MB) ride out a write stall of almost half a second at 140
// frames/s.
constexpr size_t kQueueBudgetBytes = size_t{384} << 20;
constexpr int kMinQueueBuffers = 8;
constexpr int kMaxQueueBuffers = 64;
constexpr milliseconds kWaitPoll{100};
constexpr milliseconds kStatusPeriod{250};
constexpr int kMaxWriteDelayMs = 10000;
constexpr std::chrono::seconds kConsecutiveTimeout{10};

// Test hooks, read from the environment: a writer that falls behind, a smaller queue.
int hookValue(const char* name, int most) {
    const char* text = std::getenv(name);
    return text == nullptr ? 0 : std::clamp(std::atoi(text), 0, most);
}

int queueBuffers(const FrameRecorderLimits& limits) {
    if (const int hook = hookValue("KELVRA_TOOL_QUEUE_BUFFERS", kMaxQueueBuffers)) {
        return std::max(hook, 2);
    }
    int count = kMaxQueueBuffers;
    if (limits.frameBytes != 0) {
        count = static_cast<int>(
            std::min<size_t>(kQueueBudgetBytes / limits.frameBytes, size_t{kMaxQueueBuffers}));
    }
    // A frame limit needs no more buffers than frames.
    if (limits.frames != 0 && limits.frames < uint64_t(count)) count = int(limits.frames);
    return std::clamp(count, kMinQueueBuffers, kMaxQueueBuffers);
}

class Loop {
  public:
    Loop(Session& session, FrameWriter& writer, FrameRecorderResult& result)
        : session_(session), writer_(writer), result_(result), delay_(writeDelayMilliseconds()) {}

    // Waits up to `timeout` for one frame and writes it. Returns the frame's status.
    int takeOne(milliseconds timeout) {
        KELVRA_FRAME frame{};
        frame.size = sizeof frame;
        if (Kelvra_WaitFrame(session_.handle(), &frame, int(timeout.count())) != 1) {
            return frame.status;
        }
        if (result_.framesTaken == 0) result_.firstFrame = frame.frameCounter;
        result_.lastFrame = frame.frameCounter;
        ++result_.framesTaken;
        if (delay_ > 0) std::this_thread::sleep_for(milliseconds(delay_));
        const int error = writer_.write(frame);
        Kelvra_ReleaseFrame(session_.handle(), &frame);
        if (error != 0) {
            result_.writeError = error;
            result_.end = RecordingEnd::WriteError;
        }
        return frame.status;
    }

  private:
    Session& session_;
    FrameWriter& writer_;
    FrameRecorderResult& result_;
    int delay_;
};

void countLosses(Session& session, FrameRecorderResult& result) {
    const KELVRA_STREAM_STATS stats = readStreamStatistics(session);
    result.lostQueueFull = stats.droppedQueueFull;
    result.lostInRing = stats.droppedInRing;
    result.lostInCamera = stats.lostInCamera;
}

// Frames the application holds, given back however the run ends.
class HeldFrames {
  public:
    explicit HeldFrames(int handle) : handle_(handle) {}
    ~HeldFrames() { releaseAll(); }
    HeldFrames(const HeldFrames&) = delete;
    HeldFrames& operator=(const HeldFrames&) = delete;

    void releaseAll() {
        for (const KELVRA_FRAME& frame : frames_) Kelvra_ReleaseFrame(handle_, &frame);
        frames_.clear();
    }
    std::vector<KELVRA_FRAME>& frames() { return frames_; }

  private:
    int handle_;
    std::vector<KELVRA_FRAME> frames_;
};

}  // namespace

FrameRecorderResult recordConsecutiveFrames(Session& session, uint64_t count, FrameWriter& writer) {
    const std::string what = "taking frames from camera " + std::to_string(session.camera());
    const int handle = session.handle();
    const int buffers = static_cast<int>(std::max<uint64_t>(count, 2) + 2);
    session.call(what, [&] { return Kelvra_OpenFrameQueue(handle, buffers); });
    FrameQueueScope scope(handle);
    HeldFrames held(handle);
    session.call(what, [&] { return Kelvra_Preview(handle); });
    FrameRecorderResult result;
    const Clock::time_point start = Clock::now();
    while (held.frames().size() < count) {
        if (stopRequested()) {
            result.end = RecordingEnd::Stopped;
            break;
        }
        if (Clock::now() - start > kConsecutiveTimeout) {
            result.end = RecordingEnd::CameraLost;
            break;
        }
        KELVRA_FRAME frame{};
        frame.size = sizeof frame;
        if (Kelvra_WaitFrame(handle, &frame, int(kWaitPoll.count())) != 1) {
            if (frame.status == KELVRA_FRAME_TIMEOUT) continue;
            result.end = RecordingEnd::CameraLost;
            break;
        }
        if (frame.lost != 0) held.releaseAll();  // the run broke: it starts again here
        held.frames().push_back(frame);
    }
    Kelvra_StopPreview(handle);
    countLosses(session, result);
    if (held.frames().size() == count) {
        result.end = RecordingEnd::Complete;
        result.firstFrame = held.frames().front().frameCounter;
        result.lastFrame = held.frames().back().frameCounter;
        for (const KELVRA_FRAME& frame : held.frames()) {
            ++result.framesTaken;
            if (const int error = writer.write(frame)) {
                result.writeError = error;
                result.end = RecordingEnd::WriteError;
                break;
            }
        }
    }
    result.seconds = std::chrono::duration<double>(Clock::now() - start).count();
    return result;
}

int writeDelayMilliseconds() {
    return hookValue("KELVRA_TOOL_WRITE_DELAY_MS", kMaxWriteDelayMs);
}

FrameRecorderResult recordFrames(Session& session, const FrameRecorderLimits& limits,
                                 FrameWriter& writer, StatusLine& status) {
    const std::string what = "recording from camera " + std::to_string(session.camera());
    const int handle = session.handle();
    const int buffers = queueBuffers(limits);
    session.call(what, [&] { return Kelvra_OpenFrameQueue(handle, buffers); });
    FrameQueueScope scope(handle);
    session.call(what, [&] { return Kelvra_Preview(handle); });
    FrameRecorderResult result;
    Loop loop(session, writer, result);
    const Clock::time_point start = Clock::now();
    const auto deadline = limits.seconds > 0
                              ? start + std::chrono::duration_cast<Clock::duration>(
                                            std::chrono::duration<double>(limits.seconds))
                              : Clock::time_point::max();
    RateMeter rate(start);
    StreamCounters counters;
    Clock::time_point now = start, nextStatus = start;
    while (now < deadline && (limits.frames == 0 || result.framesTaken < limits.frames)) {
        if (stopRequested()) {
            result.end = RecordingEnd::Stopped;
            break;
        }
        const auto left = deadline == Clock::time_point::max()
                              ? kWaitPoll
                              : std::chrono::duration_cast<milliseconds>(deadline - now);
        const int frameStatus = loop.takeOne(std::clamp(left, milliseconds(1), kWaitPoll));
        now = Clock::now();
        if (result.end == RecordingEnd::WriteError) break;
        if (frameStatus != KELVRA_FRAME_OK && frameStatus != KELVRA_FRAME_TIMEOUT) {
            result.end = RecordingEnd::CameraLost;
            break;
        }
        if (status.live() && now >= nextStatus) {
            counters.frames = result.framesTaken;
            counters.lastFrame = result.lastFrame;
            rate.update(now, counters);
            countLosses(session, result);
            counters.lost = result.framesLost();
            status.show(formatStatus(counters));
            nextStatus = now + kStatusPeriod;
        }
    }
    // Frames already queued when the time ran out belong to the recording: the acquisition
    // stops, and the queue hands them out before it says so.
    Kelvra_StopPreview(handle);
    while (limits.frames == 0 && result.end != RecordingEnd::WriteError &&
           result.end != RecordingEnd::CameraLost &&
           loop.takeOne(milliseconds(0)) == KELVRA_FRAME_OK) {
    }
    result.seconds = std::chrono::duration<double>(Clock::now() - start).count();
    countLosses(session, result);
    status.clear();
    return result;
}

}  // namespace kelvra::tool

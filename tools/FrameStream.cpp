#include "FrameStream.h"

#include <algorithm>
#include <chrono>
#include <string>

#include "CameraReport.h"
#include "ErrorWords.h"
#include "FrameQueueScope.h"
#include "RateMeter.h"
#include "StopSignal.h"

namespace kelvra::tool {
namespace {

using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;

// Enough to ride out a slow moment of the terminal; the tool gives each frame back at once.
constexpr int kQueueBuffers = 8;
// How long one wait may last: bounds the reaction to Ctrl-C.
constexpr milliseconds kWaitPoll{100};
constexpr milliseconds kStatusPeriod{250};
constexpr milliseconds kTemperaturePeriod{1000};
// The library's own preview window: centred, at half the sensor's size.
constexpr int kPreviewWidth = 640;
constexpr int kPreviewHeight = 512;

uint64_t framesLost(const KELVRA_STREAM_STATS& stats) {
    return stats.droppedQueueFull + stats.droppedInRing + stats.lostInCamera;
}

// Takes the next frame within `timeout` and gives it back. Returns the frame's status.
int takeFrame(Session& session, milliseconds timeout, StreamCounters& counters) {
    KELVRA_FRAME frame{};
    frame.size = sizeof frame;
    if (Kelvra_WaitFrame(session.handle(), &frame, static_cast<int>(timeout.count())) == 1) {
        ++counters.frames;
        counters.lastFrame = frame.frameCounter;
        Kelvra_ReleaseFrame(session.handle(), &frame);
    }
    return frame.status;
}

// The library reports a closed preview window once, as error 4 to the notification window;
// acquisition goes on, so ending the stream is the tool's part. Other notifications are
// dropped: frame failures come through the frame queue.
bool previewWindowClosed(Session& session) {
    KELVRA_MSG message;
    bool closed = false;
    while (session.window() != nullptr && Kelvra_GetMessage(session.window(), &message, 0) == 1) {
        if (message.message == KELVRA_WM_ERROR && message.lParam == KELVRA_ERR_WINDOW)
            closed = true;
    }
    return closed;
}

}  // namespace

FrameStreamResult streamOwnedFrames(Session& session, double seconds, StatusLine& status,
                                    bool preview) {
    const std::string what = "streaming from camera " + std::to_string(session.camera());
    const int handle = session.handle();
    if (preview) {
        session.call("placing the preview window", [&] {
            return Kelvra_SetPreviewWindow(handle, nullptr, 0, 0, kPreviewWidth, kPreviewHeight);
        });
    }
    session.drainMessages();
    session.call(what, [&] { return Kelvra_OpenFrameQueue(handle, kQueueBuffers); });
    FrameQueueScope scope(handle);
    session.call(what, [&] { return Kelvra_Preview(handle); });
    FrameStreamResult result;
    StreamCounters& counters = result.counters;
    const Clock::time_point start = Clock::now();
    const auto deadline =
        start + std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(seconds));
    RateMeter rate(start);
    Clock::time_point nextStatus = start, nextTemperature = start;
    Clock::time_point now = start;
    int frameStatus = KELVRA_FRAME_OK;
    while (now < deadline) {
        if (stopRequested()) {
            result.interrupted = true;
            break;
        }
        const auto left = std::chrono::duration_cast<milliseconds>(deadline - now);
        frameStatus = takeFrame(session, std::clamp(left, milliseconds(1), kWaitPoll), counters);
        now = Clock::now();
        if (frameStatus != KELVRA_FRAME_OK && frameStatus != KELVRA_FRAME_TIMEOUT) break;
        if (preview && previewWindowClosed(session)) {
            result.windowClosed = true;
            break;
        }
        rate.update(now, counters);
        if (now >= nextTemperature) {
            counters.temperature = readTemperature(session);
            nextTemperature = now + kTemperaturePeriod;
        }
        if (status.live() && now >= nextStatus) {
            counters.lost = framesLost(readStreamStatistics(session));
            status.show(formatStatus(counters));
            nextStatus = now + kStatusPeriod;
        }
    }
    result.seconds = std::chrono::duration<double>(now - start).count();
    result.stats = readStreamStatistics(session);
    counters.lost = framesLost(result.stats);
    status.clear();
    if (frameStatus == KELVRA_FRAME_CAMERA_LOST) throw ToolFailure(what, KELVRA_ERR_CAMERA_LOST);
    if (frameStatus != KELVRA_FRAME_OK && frameStatus != KELVRA_FRAME_TIMEOUT) {
        throw ToolFailure(what, "the stream ended unexpectedly");
    }
    return result;
}

}  // namespace kelvra::tool

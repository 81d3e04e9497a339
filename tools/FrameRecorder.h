#pragma once
// Every frame of a running acquisition taken from the library's frame queue and handed to a
// writer on the calling thread (record, snap --count). The queue's buffers are the bounded
// queue between the camera and the disk: the library's acquisition thread never waits for a
// write; when the writer falls behind and every buffer is taken, the library drops the newest
// frame and counts it, and the counts end up in the result.

#include <cstdint>
#include <string>

#include "KelvraSdk.h"
#include "Session.h"
#include "StatusLine.h"

namespace kelvra::tool {

// Takes one frame the loop holds; returns 0 or an errno value, which ends the loop.
class FrameWriter {
  public:
    virtual ~FrameWriter() = default;
    virtual int write(const KELVRA_FRAME& frame) = 0;
};

// How a recording ended.
enum class RecordingEnd {
    Complete,    // its duration or frame count was reached
    Stopped,     // a stop signal (Ctrl-C, SIGTERM, SIGHUP)
    WriteError,  // the writer failed (disk full, ...)
    CameraLost   // the camera stopped delivering
};

struct FrameRecorderResult {
    uint64_t framesTaken = 0;    // frames the queue delivered and the writer took
    uint64_t lostQueueFull = 0;  // no free buffer: the writer was too slow
    uint64_t lostInRing = 0;     // replaced in the library before processing
    uint64_t lostInCamera = 0;   // never sent by the camera
    uint64_t firstFrame = 0;     // the camera's frame counters of the first and last frame taken
    uint64_t lastFrame = 0;
    double seconds = 0;
    RecordingEnd end = RecordingEnd::Complete;
    int writeError = 0;  // errno value when end is WriteError

    uint64_t framesLost() const { return lostQueueFull + lostInRing + lostInCamera; }
};

struct FrameRecorderLimits {
    double seconds = 0;     // 0: no time limit
    uint64_t frames = 0;    // 0: no frame limit
    size_t frameBytes = 0;  // bytes of one frame, to size the queue
};

// Opens the frame queue, starts a preview, and hands every frame to `writer` until a limit, a
// stop signal, a write failure or the loss of the camera; frames queued when the time is up
// are written too. Stops the acquisition and closes the queue before it returns. Throws
// ToolFailure when the stream cannot start.
FrameRecorderResult recordFrames(Session& session, const FrameRecorderLimits& limits,
                                 FrameWriter& writer, StatusLine& status);

// The longest run recordConsecutiveFrames takes: the frame queue's 64 buffers less two that
// stay free for the frames that arrive meanwhile.
inline constexpr uint64_t kMostConsecutiveFrames = 62;

// Takes `count` (1..kMostConsecutiveFrames) frames in a row and then hands them to `writer`:
// the frames are held until the run is whole, and a frame lost in between starts the run
// again, so a slow start of the stream costs time, not frames. Gives up after 10 s without a
// whole run (end CameraLost, with the losses counted). Throws ToolFailure when the stream
// cannot start.
FrameRecorderResult recordConsecutiveFrames(Session& session, uint64_t count, FrameWriter& writer);

// Test hooks, for tests that need a disk that falls behind: KELVRA_TOOL_WRITE_DELAY_MS, the
// milliseconds the writer waits before each frame (0 when unset), and
// KELVRA_TOOL_QUEUE_BUFFERS, the frame queue's buffer count (2..64) instead of the one chosen.
int writeDelayMilliseconds();

}  // namespace kelvra::tool

#pragma once
// kelvra stream: live frames owned through the library's frame queue, each given back as soon
// as it is counted. Runs on the calling thread, watches the stop flag (Ctrl-C) and stops the
// library's acquisition before it returns.

#include "Formatting.h"
#include "KelvraSdk.h"
#include "Session.h"
#include "StatusLine.h"

namespace kelvra::tool {

struct FrameStreamResult {
    StreamCounters counters;    // lost: frames the library's counters say were lost
    KELVRA_STREAM_STATS stats;  // the library's counters at the end
    double seconds = 0;
    bool interrupted = false;   // stopped by Ctrl-C
    bool windowClosed = false;  // stopped because the user closed the preview window
};

// Streams for `seconds`, showing the status line about four times a second. With `preview` the
// library's own window shows the frames, and closing it ends the stream as Ctrl-C does. Throws
// ToolFailure when the stream cannot start or the camera is lost.
FrameStreamResult streamOwnedFrames(Session& session, double seconds, StatusLine& status,
                                    bool preview = false);

}  // namespace kelvra::tool

#pragma once
// Live streaming and AVI recording on an open camera, shared by stream, record, bench and demo.
// Both loops run on the calling thread, watch the stop flag (Ctrl-C) and the library's
// messages, and stop the library's acquisition before they return.

#include <string>

#include "AviHeader.h"
#include "Formatting.h"
#include "Session.h"
#include "StatusLine.h"

namespace kelvra::tool {

struct StreamResult {
    StreamCounters counters;
    double seconds = 0;        // how long the stream ran
    bool interrupted = false;  // stopped by Ctrl-C
};

// Streams for `seconds` with frame messages to the session's window; each frame is also copied
// into `buffer` when one is given (bench). Shows the status line about four times a second.
// Throws ToolFailure when the stream cannot start or the camera is lost.
StreamResult streamFor(Session& session, double seconds, StatusLine& status, void* buffer = nullptr,
                       int length = 0);

struct RecordResult {
    AviHeader header;              // as finalised by the library
    unsigned long long bytes = 0;  // file size
    double seconds = 0;            // wall time of the recording
    bool interrupted = false;      // stopped by Ctrl-C
};

// Records `seconds` into the AVI file `path` and waits until the library has finalised it.
// Throws ToolFailure when recording cannot start, the camera is lost, or the file is left
// unfinalised.
RecordResult recordFor(Session& session, const std::string& path, double seconds,
                       StatusLine& status);

}  // namespace kelvra::tool

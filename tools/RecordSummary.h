#pragma once
// What `kelvra record` tells at the end, as a record (for the text below and for --json) and
// its text form.

#include <cstdint>
#include <string>

#include "FrameRecorder.h"
#include "Json.h"

namespace kelvra::tool {

struct RecordSummary {
    std::string path;
    std::string format;  // "avi", "tiff", "raw"
    int width = 0;
    int height = 0;
    int bitsPerPixel = 0;
    uint64_t framesWritten = 0;
    uint64_t bytesWritten = 0;  // pixel bytes in the file
    double seconds = 0;         // wall time of the recording
    double requestedSeconds = 0;
    FrameRecorderResult frames;  // frames taken, lost and why, how the recording ended
    int fileError = 0;           // errno value of the file's first failure (write or close)

    // Frames lost, or a recording that ended before its duration (write error, lost camera).
    bool incomplete() const;
};

// "recorded 700 frames of 1280x1024, 16 bits (70.0 fps) into rec.tif, 1.8 GB; 0 frames lost"
// followed, where they apply, by lines that say why frames were lost and why the recording
// ended early.
std::string formatRecordSummary(const RecordSummary& summary);

// The summary's stable keys for --json (listed in 'kelvra record --help').
Json recordSummaryJson(const RecordSummary& summary);

// Exit statuses of `kelvra record` beyond 0, 1 and 2.
inline constexpr int kExitFramesLost = 3;
inline constexpr int kExitEndedEarly = 4;

// The exit status a summary calls for: 0, kExitFramesLost or kExitEndedEarly (which wins). A
// lost camera is the command's failure (exit 1), told apart by the caller.
int recordExitStatus(const RecordSummary& summary);

}  // namespace kelvra::tool

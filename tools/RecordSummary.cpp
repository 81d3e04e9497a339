#include "RecordSummary.h"

#include <cinttypes>
#include <cstdio>
#include <cstring>

#include "Formatting.h"

namespace kelvra::tool {
namespace {

std::string lossLine(const FrameRecorderResult& frames) {
    char line[256];
    std::snprintf(line, sizeof line,
                  "frames lost: %" PRIu64 " with the queue full (the disk was too slow), %" PRIu64
                  " in the library's ring, %" PRIu64 " by the camera\n",
                  frames.lostQueueFull, frames.lostInRing, frames.lostInCamera);
    return line;
}

std::string endLine(const RecordSummary& summary) {
    switch (summary.frames.end) {
        case RecordingEnd::WriteError:
            return "the recording ended early: writing " + summary.path +
                   " failed: " + std::strerror(summary.frames.writeError) + "\n";
        case RecordingEnd::CameraLost:
            return "the recording ended early: the camera stopped delivering frames\n";
        default:
            if (summary.fileError != 0) {
                return "finishing " + summary.path +
                       " failed: " + std::strerror(summary.fileError) + "\n";
            }
            return "";
    }
}

const char* endName(RecordingEnd end) {
    switch (end) {
        case RecordingEnd::Stopped:
            return "stopped";
        case RecordingEnd::WriteError:
            return "writeError";
        case RecordingEnd::CameraLost:
            return "cameraLost";
        default:
            return "complete";
    }
}

// The reason in words, or null when the file is whole.
Json errorJson(const RecordSummary& summary) {
    const int error = summary.frames.end == RecordingEnd::WriteError ? summary.frames.writeError
                                                                     : summary.fileError;
    return error != 0 ? Json(std::strerror(error)) : Json(nullptr);
}

}  // namespace

Json recordSummaryJson(const RecordSummary& summary) {
    const FrameRecorderResult& frames = summary.frames;
    const double rate = summary.seconds > 0 ? double(summary.framesWritten) / summary.seconds : 0;
    return Json{{"file", summary.path},
                {"format", summary.format},
                {"width", summary.width},
                {"height", summary.height},
                {"bitsPerPixel", summary.bitsPerPixel},
                {"framesWritten", summary.framesWritten},
                {"bytes", summary.bytesWritten},
                {"seconds", summary.seconds},
                {"fps", rate},
                {"lost",
                 {{"total", frames.framesLost()},
                  {"queueFull", frames.lostQueueFull},
                  {"inRing", frames.lostInRing},
                  {"byCamera", frames.lostInCamera}}},
                {"ended", endName(frames.end)},
                {"error", errorJson(summary)}};
}

bool RecordSummary::incomplete() const {
    return frames.framesLost() != 0 || fileError != 0 || frames.end == RecordingEnd::WriteError ||
           frames.end == RecordingEnd::CameraLost;
}

int recordExitStatus(const RecordSummary& summary) {
    if (summary.fileError != 0 || summary.frames.end == RecordingEnd::WriteError ||
        summary.framesWritten == 0) {
        return kExitEndedEarly;
    }
    return summary.frames.framesLost() != 0 ? kExitFramesLost : 0;
}

std::string formatRecordSummary(const RecordSummary& summary) {
    const double rate = summary.seconds > 0 ? double(summary.framesWritten) / summary.seconds : 0;
    char head[512];
    std::snprintf(head, sizeof head,
                  "recorded %" PRIu64 " frames of %dx%d, %d bits (%.1f fps) into %s, %s; %" PRIu64
                  " frames lost%s\n",
                  summary.framesWritten, summary.width, summary.height, summary.bitsPerPixel, rate,
                  summary.path.c_str(), formatBytes(summary.bytesWritten).c_str(),
                  summary.frames.framesLost(),
                  summary.frames.end == RecordingEnd::Stopped ? " (stopped early)" : "");
    std::string text = head;
    if (summary.frames.framesLost() != 0) text += lossLine(summary.frames);
    return text + endLine(summary);
}

}  // namespace kelvra::tool

// kelvra stream (owned frames).
#include <cstdio>
#include <cstdlib>

#include <unistd.h>

#include "Acquisition.h"
#include "CameraReport.h"
#include "Commands.h"
#include "ErrorWords.h"
#include "Formatting.h"
#include "FrameStream.h"
#include "Json.h"
#include "SettingsScope.h"
#include "StopSignal.h"

namespace kelvra::tool {
namespace {

constexpr double kDefaultSeconds = 5.0;

double secondsOption(const CommandLine& line) {
    return line.has("seconds") ? parseSeconds(line.command, "--seconds", line.options.at("seconds"))
                               : kDefaultSeconds;
}

// The summary's stable keys (listed in 'kelvra stream --help').
Json streamSummaryJson(const FrameStreamResult& result, bool withStats) {
    const StreamCounters& counters = result.counters;
    const double rate =
        result.seconds > 0 ? static_cast<double>(counters.frames) / result.seconds : 0.0;
    const char* stoppedBy = result.interrupted    ? "signal"
                            : result.windowClosed ? "window"
                                                  : nullptr;
    Json summary{{"frames", counters.frames},
                 {"seconds", result.seconds},
                 {"fps", rate},
                 {"lost", counters.lost},
                 {"lastFrame", jsonOrNull(counters.lastFrame)},
                 {"temperature", jsonOrNull(counters.temperature)},
                 {"stopped", stoppedBy != nullptr},
                 {"stoppedBy", stoppedBy != nullptr ? Json(stoppedBy) : Json(nullptr)}};
    if (withStats) {
        const KELVRA_STREAM_STATS& s = result.stats;
        summary["stats"] = {
            {"framesReceived", s.framesReceived},   {"framesProcessed", s.framesProcessed},
            {"framesDelivered", s.framesDelivered}, {"droppedQueueFull", s.droppedQueueFull},
            {"droppedInRing", s.droppedInRing},     {"lostInCamera", s.lostInCamera},
            {"failedTransfers", s.failedTransfers}, {"resyncs", s.resyncs},
            {"cameraLost", s.cameraLost},           {"lastFrameCounter", s.lastFrameCounter}};
    }
    return summary;
}

}  // namespace

int runStream(const CommandLine& line) {
    const double seconds = secondsOption(line);
    const SettingsRequest request = settingsFromOptions(line);
    const bool preview = line.flag("preview");
    const char* display = std::getenv("DISPLAY");
    if (preview && (display == nullptr || *display == '\0')) {
        throw UsageError(line.command, "--preview needs an X display (DISPLAY is not set)");
    }
    Session session(line.global, Session::Open::Camera);
    SettingsScope settings(session, request);
    installStopHandlers();
    // JSON goes to stdout alone: no status line.
    StatusLine status(stdout, !line.global.json && isatty(fileno(stdout)) != 0);
    const FrameStreamResult result = streamOwnedFrames(session, seconds, status, preview);
    if (line.global.json) {
        printJson(streamSummaryJson(result, line.flag("stats")));
        return 0;
    }
    const char* stopped = result.interrupted    ? " (stopped)"
                          : result.windowClosed ? " (window closed)"
                                                : "";
    std::printf("%s%s\n", formatStreamSummary(result.counters, result.seconds).c_str(), stopped);
    if (line.flag("stats")) std::printf("%s", formatStreamStatistics(result.stats).c_str());
    return 0;
}

}  // namespace kelvra::tool

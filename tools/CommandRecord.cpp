// kelvra record: every frame of the live stream into a TIFF, raw or AVI recording, written on
// this thread through the library's recording files.
#include <cerrno>
#include <cstdio>
#include <cstring>

#include <unistd.h>

#include "CameraReport.h"
#include "Commands.h"
#include "ErrorWords.h"
#include "FrameRecorder.h"
#include "Json.h"
#include "OutputPaths.h"
#include "RecordSummary.h"
#include "SettingsOptions.h"
#include "SettingsScope.h"
#include "StopSignal.h"

namespace kelvra::tool {
namespace {

constexpr double kDefaultSeconds = 5.0;

struct RecordFormat {
    const char* name;
    int format;
    const char* extensions;
};

constexpr RecordFormat kRecordFormats[] = {
    {"avi", KELVRA_RECORDING_AVI, ".avi"},
    {"tiff", KELVRA_RECORDING_TIFF, ".tif or .tiff"},
    {"raw", KELVRA_RECORDING_RAW, ".raw"},
};

const RecordFormat& recordFormat(int format) {
    for (const RecordFormat& entry : kRecordFormats) {
        if (entry.format == format) return entry;
    }
    return kRecordFormats[0];
}

// The options, checked before the camera is opened, so that a typo changes nothing.
struct RecordRequest {
    std::string path;
    int format = 0;
    double seconds = kDefaultSeconds;
    SettingsRequest settings;
};

int formatOption(const std::string& command, const std::string& value) {
    for (const RecordFormat& entry : kRecordFormats) {
        if (value == entry.name) return entry.format;
    }
    throw UsageError(command, "unknown --format '" + value + "': use avi, tiff or raw");
}

RecordRequest parseRecord(const CommandLine& line) {
    const std::string& command = line.command;
    if (!line.has("output")) throw UsageError(command, "-o FILE (.tif, .raw or .avi) is required");
    RecordRequest request;
    request.path = line.options.at("output");
    const int byName = Kelvra_RecordingFormatForPath(request.path.c_str());
    if (line.has("format")) {
        request.format = formatOption(command, line.options.at("format"));
        if (byName != request.format) {
            const RecordFormat& wanted = recordFormat(request.format);
            throw UsageError(command, "'" + request.path + "' is not named for --format " +
                                          wanted.name + ": end it in " + wanted.extensions);
        }
    } else if (byName < 0) {
        throw UsageError(command, "'" + request.path +
                                      "': not a recording format; name it .tif (TIFF), .raw "
                                      "(raw frames) or .avi, or see 'kelvra record --help'");
    } else {
        request.format = byName;
    }
    if (line.has("seconds")) {
        request.seconds = parseSeconds(command, "--seconds", line.options.at("seconds"));
    }
    request.settings = settingsFromOptions(line);
    return request;
}

// Frames into the library's recording file, which is created by the first one.
class RecordingWriter : public FrameWriter {
  public:
    RecordingWriter(const RecordRequest& request, uint64_t expectedFrames) {
        int error = 0;
        recording_ =
            Kelvra_OpenRecording(request.path.c_str(), request.format, 0.0, expectedFrames, &error);
        if (recording_ == nullptr) {
            throw ToolFailure("cannot write " + request.path, std::strerror(error));
        }
    }
    ~RecordingWriter() override { close(); }
    RecordingWriter(const RecordingWriter&) = delete;
    RecordingWriter& operator=(const RecordingWriter&) = delete;

    int write(const KELVRA_FRAME& frame) override {
        return Kelvra_WriteRecordingFrame(recording_, &frame);
    }
    // Finalises the file; 0 or errno.
    int close() {
        if (recording_ == nullptr) return summary_.error;
        summary_.size = sizeof summary_;
        const int result = Kelvra_CloseRecording(recording_, &summary_);
        recording_ = nullptr;
        return result;
    }
    const KELVRA_RECORDING_SUMMARY& summary() const { return summary_; }

  private:
    KELVRA_RECORDING* recording_ = nullptr;
    KELVRA_RECORDING_SUMMARY summary_{};
};

}  // namespace

int runRecord(const CommandLine& line) {
    const RecordRequest request = parseRecord(line);
    requireOutputDirectory(request.path);
    Session session(line.global, Session::Open::Camera);
    SettingsScope settings(session, request.settings);
    // The length is not known before the camera's rate is: a TIFF recording is a BigTIFF.
    RecordingWriter writer(request, 0);
    installStopHandlers();
    // JSON goes to stdout alone: no status line.
    StatusLine status(stdout, !line.global.json && isatty(fileno(stdout)) != 0);
    const FrameSize size = outputFrameSize(session);
    FrameRecorderLimits limits;
    limits.seconds = request.seconds;
    limits.frameBytes = size_t(size.width) * size_t(size.height) *
                        size_t(Kelvra_GetColorMode(session.handle()) / 8);
    RecordSummary summary;
    summary.frames = recordFrames(session, limits, writer, status);
    summary.fileError = writer.close();
    const KELVRA_RECORDING_SUMMARY& file = writer.summary();
    summary.path = request.path;
    summary.format = recordFormat(request.format).name;
    summary.width = file.width;
    summary.height = file.height;
    summary.bitsPerPixel = file.bitsPerPixel;
    summary.framesWritten = file.framesWritten;
    summary.bytesWritten = file.bytesWritten;
    summary.seconds = summary.frames.seconds;
    summary.requestedSeconds = request.seconds;
    if (line.global.json) {
        printJson(recordSummaryJson(summary));
    } else {
        std::fputs(formatRecordSummary(summary).c_str(), stdout);
    }
    // A lost camera ends the command as it ends every command, after the summary.
    if (summary.frames.end == RecordingEnd::CameraLost) {
        throw ToolFailure("recording into " + request.path, KELVRA_ERR_CAMERA_LOST);
    }
    return recordExitStatus(summary);
}

}  // namespace kelvra::tool

// kelvra snap.
#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <optional>

#include "CameraReport.h"
#include "Commands.h"
#include "ErrorWords.h"
#include "Formatting.h"
#include "FrameRecorder.h"
#include "ImageFormats.h"
#include "OutputPaths.h"
#include "SettingsScope.h"
#include "StopSignal.h"

namespace kelvra::tool {
namespace {

// The options, checked before the camera is touched so that a typo changes nothing.
struct SnapRequest {
    std::string path;
    int format = 0;
    SettingsRequest settings;
    uint64_t count = 1;  // --count: consecutive frames
};

constexpr int64_t kMaxCount = 1000000;

SnapRequest parseSnap(const CommandLine& line) {
    const std::string& command = line.command;
    if (!line.has("output")) throw UsageError(command, "-o FILE is required");
    SnapRequest request;
    request.path = line.options.at("output");
    const auto format = imageFormatForPath(request.path);
    if (!format) {
        throw UsageError(command, "'" + request.path + "': the extension must be one of " +
                                      std::string(imageExtensionList()));
    }
    request.format = *format;
    request.settings = settingsFromOptions(line);
    if (line.has("count")) {
        request.count =
            uint64_t(parseInteger(command, "--count", line.options.at("count"), 1, kMaxCount));
    }
    return request;
}

// "dir/name.png" -> "dir/name-0007.png": at least four digits, as many as the count needs.
std::string numberedPath(const std::string& path, uint64_t index, uint64_t count) {
    const size_t slash = path.find_last_of('/');
    const size_t dot = path.find_last_of('.');
    const size_t cut = (dot == std::string::npos || (slash != std::string::npos && dot < slash))
                           ? path.size()
                           : dot;
    const int digits = std::max(4, int(std::to_string(count).size()));
    char number[32];
    std::snprintf(number, sizeof number, "-%0*llu", digits, static_cast<unsigned long long>(index));
    return path.substr(0, cut) + number + path.substr(cut);
}

// Each frame into a numbered still image.
class NumberedFiles : public FrameWriter {
  public:
    NumberedFiles(const SnapRequest& request) : request_(request) {}
    int write(const KELVRA_FRAME& frame) override {
        ++written_;
        KELVRA_IMAGE image{};
        image.size = sizeof image;
        image.width = frame.width;
        image.height = frame.height;
        image.bitsPerPixel = frame.bitsPerPixel;
        image.rowStride = frame.rowStride;
        image.data = frame.data;
        const std::string path = numberedPath(request_.path, written_, request_.count);
        const int result = Kelvra_SaveImageData(path.c_str(), request_.format, &image);
        if (result == 1) return 0;
        failedPath_ = path;
        return errno != 0 ? errno : EIO;
    }
    const std::string& failedPath() const { return failedPath_; }

  private:
    const SnapRequest& request_;
    uint64_t written_ = 0;
    std::string failedPath_;
};

// Every frame a page of one TIFF file, through the library's recording file.
class MultiPageTiff : public FrameWriter {
  public:
    MultiPageTiff(const SnapRequest& request) {
        int error = 0;
        recording_ = Kelvra_OpenRecording(request.path.c_str(), KELVRA_RECORDING_TIFF, 0.0,
                                          request.count, &error);
        if (recording_ == nullptr) {
            throw ToolFailure("cannot write " + request.path, std::strerror(error));
        }
    }
    ~MultiPageTiff() override { close(); }
    MultiPageTiff(const MultiPageTiff&) = delete;
    MultiPageTiff& operator=(const MultiPageTiff&) = delete;
    int write(const KELVRA_FRAME& frame) override {
        return Kelvra_WriteRecordingFrame(recording_, &frame);
    }
    int close() {
        if (recording_ == nullptr) return 0;
        const int result = Kelvra_CloseRecording(recording_, nullptr);
        recording_ = nullptr;
        return result;
    }

  private:
    KELVRA_RECORDING* recording_ = nullptr;
};

// Takes request.count consecutive frames from the frame queue into numbered files or one
// multi-page TIFF. Frames the library had to drop break the run: they are counted, and the
// command fails.
void snapSeries(Session& session, const SnapRequest& request) {
    const bool tiff = request.format == KELVRA_FORMAT_TIFF;
    std::optional<MultiPageTiff> pages;
    std::optional<NumberedFiles> files;
    FrameWriter* writer = nullptr;
    if (tiff) {
        writer = &pages.emplace(request);
    } else {
        writer = &files.emplace(request);
    }
    installStopHandlers();
    StatusLine status(stdout);
    const FrameSize size = outputFrameSize(session);
    FrameRecorderLimits limits;
    limits.frames = request.count;
    limits.frameBytes = size_t(size.width) * size_t(size.height) *
                        size_t(Kelvra_GetColorMode(session.handle()) / 8);
    // Short runs are held until whole, so that they are consecutive; longer ones are written
    // as they come and fail when the library drops a frame between them.
    const bool held = request.count <= kMostConsecutiveFrames;
    const FrameRecorderResult result =
        held ? recordConsecutiveFrames(session, request.count, *writer)
             : recordFrames(session, limits, *writer, status);
    const int closed = tiff ? pages->close() : 0;
    const std::string what = "snapping " + std::to_string(request.count) + " frames";
    if (result.end == RecordingEnd::WriteError || closed != 0) {
        const std::string& path =
            tiff || files->failedPath().empty() ? request.path : files->failedPath();
        throw ToolFailure("writing " + path,
                          std::strerror(result.writeError != 0 ? result.writeError : closed));
    }
    if (result.end == RecordingEnd::Stopped) throw ToolFailure(what, "stopped by a signal");
    if (result.end == RecordingEnd::CameraLost && held && result.framesLost() != 0) {
        throw ToolFailure(what, "no run of that many frames without a loss within 10 s (" +
                                    std::to_string(result.framesLost()) + " frames lost)");
    }
    if (result.end == RecordingEnd::CameraLost) throw ToolFailure(what, KELVRA_ERR_CAMERA_LOST);
    std::printf("wrote %llu frames of %dx%d, %d bits per pixel (frames %llu to %llu) %s %s\n",
                static_cast<unsigned long long>(result.framesTaken), size.width, size.height,
                Kelvra_GetColorMode(session.handle()),
                static_cast<unsigned long long>(result.firstFrame),
                static_cast<unsigned long long>(result.lastFrame), tiff ? "into" : "as",
                tiff ? request.path.c_str()
                     : (numberedPath(request.path, 1, request.count) + " ...").c_str());
    if (!held && result.framesLost() != 0) {
        throw ToolFailure(what, std::to_string(result.framesLost()) +
                                    " frames were lost between them (" +
                                    std::to_string(result.lostQueueFull) +
                                    " with the queue full: the disk was too slow)");
    }
}

}  // namespace

int runSnap(const CommandLine& line) {
    const SnapRequest request = parseSnap(line);
    requireOutputDirectory(request.path);
    Session session(line.global, Session::Open::Camera);
    {
        SettingsScope settings(session, request.settings);
        if (line.has("count")) {
            snapSeries(session, request);
            return 0;
        }
        const int handle = session.handle();
        session.call("taking a frame", [&] { return Kelvra_SnapShot(handle, nullptr, 0, 1); });
        session.clearErrors();
        if (Kelvra_SaveImage(handle, request.path.c_str(), request.format) == 0) {
            throw writeFailure("saving " + request.path, Kelvra_GetLastError(handle), request.path);
        }
        const FrameSize size = outputFrameSize(session);
        std::printf("wrote %s: %dx%d, %d bits per pixel, %s\n", request.path.c_str(), size.width,
                    size.height, Kelvra_GetColorMode(handle),
                    formatBytes(fileSizeOrZero(request.path)).c_str());
    }
    return 0;
}

}  // namespace kelvra::tool

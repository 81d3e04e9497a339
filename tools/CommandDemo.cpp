// kelvra demo: the tour of the tool on a simulated camera.
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <string>
#include <system_error>
#include <vector>

#include "Acquisition.h"
#include "CameraReport.h"
#include "Commands.h"
#include "ErrorWords.h"
#include "Formatting.h"
#include "OutputPaths.h"
#include "StopSignal.h"

namespace kelvra::tool {
namespace {

using Clock = std::chrono::steady_clock;

constexpr const char* kDefaultDirectory = "kelvra-demo";
constexpr double kStreamSeconds = 3.0;
constexpr double kRecordSeconds = 2.0;

struct StillFile {
    const char* name;
    int format;
};
constexpr StillFile kStills[] = {
    {"frame.bmp", KELVRA_FORMAT_BMP},       {"frame.raw", KELVRA_FORMAT_RAW},
    {"frame.jpg", KELVRA_FORMAT_JPEG_HIGH}, {"frame.png", KELVRA_FORMAT_PNG},
    {"frame.tif", KELVRA_FORMAT_TIFF},
};

double secondsSince(Clock::time_point start) {
    return std::chrono::duration<double>(Clock::now() - start).count();
}

void heading(const char* text) {
    std::printf("\n== %s\n", text);
    std::fflush(stdout);
}

std::string makeDirectory(const CommandLine& line) {
    const std::string directory =
        line.has("output") ? line.options.at("output") : kDefaultDirectory;
    std::error_code error;
    std::filesystem::create_directories(directory, error);
    if (error || !std::filesystem::is_directory(directory)) {
        throw ToolFailure("creating the directory " + directory,
                          error ? error.message() : std::string("a file of that name exists"));
    }
    return directory;
}

// Saves the current frame in every format; returns the paths written.
std::vector<std::string> saveStills(Session& session, const std::string& directory,
                                    double* seconds) {
    const int handle = session.handle();
    session.call("taking a frame", [&] { return Kelvra_SnapShot(handle, nullptr, 0, 1); });
    std::vector<std::string> written;
    const auto start = Clock::now();
    for (const StillFile& still : kStills) {
        const std::string path = directory + "/" + still.name;
        session.call("saving " + path,
                     [&] { return Kelvra_SaveImage(handle, path.c_str(), still.format); });
        written.push_back(path);
    }
    *seconds = secondsSince(start);
    return written;
}

}  // namespace

int runDemo(const CommandLine& line) {
    const auto start = Clock::now();
    requestSimulatedCamera();
    const std::string directory = makeDirectory(line);
    installStopHandlers();
    Session session(line.global, Session::Open::Camera);

    heading("kelvra list");
    printCameraList(session, stdout);
    heading("kelvra info");
    printCameraInfo(session, stdout);

    heading("kelvra stream --seconds 3");
    StatusLine status(stdout);
    const StreamResult stream = streamFor(session, kStreamSeconds, status);
    std::printf("%s\n", formatStreamSummary(stream.counters, stream.seconds).c_str());
    if (stopRequested()) return 0;

    heading("one frame in every format");
    double stillSeconds = 0;
    std::vector<std::string> files = saveStills(session, directory, &stillSeconds);
    std::printf("saved %zu images in %.0f ms\n", files.size(), stillSeconds * 1000.0);

    heading("kelvra record --seconds 2");
    const std::string avi = directory + "/recording.avi";
    const RecordResult record = recordFor(session, avi, kRecordSeconds, status);
    files.push_back(avi);
    std::printf("recorded %u frames of %dx%d\n", record.header.totalFrames, record.header.width,
                record.header.height);

    heading("files written");
    for (const std::string& path : files) {
        std::printf("  %-36s %10s\n", path.c_str(), formatBytes(fileSizeOrZero(path)).c_str());
    }
    const double streamRate =
        stream.seconds > 0 ? static_cast<double>(stream.counters.frames) / stream.seconds : 0;
    const double recordRate =
        record.header.microsecondsPerFrame != 0 ? 1e6 / record.header.microsecondsPerFrame : 0;
    std::printf(
        "\ndemo finished in %.1f s: streamed at %.1f fps, saved %zu images in %.0f ms, recorded "
        "%u frames at %.1f fps\n",
        secondsSince(start), streamRate, files.size() - 1, stillSeconds * 1000.0,
        record.header.totalFrames, recordRate);
    return 0;
}

}  // namespace kelvra::tool

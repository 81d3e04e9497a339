// kelvra stream (owned frames).
#include <cstdio>

#include "Acquisition.h"
#include "CameraReport.h"
#include "Commands.h"
#include "ErrorWords.h"
#include "Formatting.h"
#include "FrameStream.h"
#include "StopSignal.h"

namespace kelvra::tool {
namespace {

constexpr double kDefaultSeconds = 5.0;

// Checked before the camera is opened, so that a typo changes nothing.
void checkColorModeOption(const CommandLine& line) {
    if (line.has("color-mode")) parseColorMode(line.command, line.options.at("color-mode"));
}

double secondsOption(const CommandLine& line) {
    return line.has("seconds") ? parseSeconds(line.command, "--seconds", line.options.at("seconds"))
                               : kDefaultSeconds;
}

// Colour mode changes apply to this run only: the previous mode is restored, so the library
// does not save the tool's choice as the camera's setting.
class ColorModeScope {
  public:
    ColorModeScope(Session& session, const CommandLine& line) : session_(session) {
        if (!line.has("color-mode")) return;
        previous_ = Kelvra_GetColorMode(session.handle());
        applyColorMode(session, line.command, line.options.at("color-mode"));
    }
    ~ColorModeScope() {
        if (previous_ > 0) Kelvra_SetColorMode(session_.handle(), previous_);
    }
    ColorModeScope(const ColorModeScope&) = delete;
    ColorModeScope& operator=(const ColorModeScope&) = delete;

  private:
    Session& session_;
    int previous_ = 0;
};

}  // namespace

int runStream(const CommandLine& line) {
    const double seconds = secondsOption(line);
    checkColorModeOption(line);
    Session session(line.global, Session::Open::Camera);
    ColorModeScope colorMode(session, line);
    installStopHandlers();
    StatusLine status(stdout);
    const FrameStreamResult result = streamOwnedFrames(session, seconds, status);
    std::printf("%s%s\n", formatStreamSummary(result.counters, result.seconds).c_str(),
                result.interrupted ? " (stopped)" : "");
    if (line.flag("stats")) std::printf("%s", formatStreamStatistics(result.stats).c_str());
    return 0;
}

}  // namespace kelvra::tool

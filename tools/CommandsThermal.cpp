// kelvra cooler, kelvra temperature.
#include <chrono>
#include <cstdio>
#include <thread>

#include "CameraReport.h"
#include "Commands.h"
#include "ErrorWords.h"
#include "Formatting.h"
#include "StopSignal.h"

namespace kelvra::tool {
namespace {

using Clock = std::chrono::steady_clock;

// Sleeping in short steps keeps Ctrl-C prompt during --watch.
constexpr std::chrono::milliseconds kSleepStep{50};

const char* coolerText(std::optional<bool> cooler) {
    return cooler ? (*cooler ? "on" : "off") : "n/a";
}

void printReading(Session& session, const char* prefix) {
    std::printf("%ssensor %s, cooler %s\n", prefix,
                formatTemperature(readTemperature(session)).c_str(),
                coolerText(readCooler(session)));
    std::fflush(stdout);
}

// A reading that fails while watching: an unplugged camera answers no request, which the library
// records as a device access failure; the camera's absence from the list tells it was lost.
ToolFailure watchFailure(Session& session) {
    const int code = Kelvra_GetLastError(session.handle());
    const std::string what =
        "watching the sensor temperature of camera " + std::to_string(session.camera());
    char names[KELVRA_MAX_LISTED_DEVICES][KELVRA_DEVICE_NAME_LENGTH];
    const int count = Kelvra_EnumDevice(session.handle(), names);
    if (code == KELVRA_ERR_CAMERA_LOST || session.camera() >= count) {
        return ToolFailure(what, KELVRA_ERR_CAMERA_LOST);
    }
    return ToolFailure(what, code);
}

// Sleeps until `until` or a stop request; false when stopped.
bool sleepUntil(Clock::time_point until) {
    while (Clock::now() < until) {
        if (stopRequested()) return false;
        std::this_thread::sleep_for(std::min<Clock::duration>(kSleepStep, until - Clock::now()));
    }
    return !stopRequested();
}

}  // namespace

int runCooler(const CommandLine& line) {
    if (!line.operands.empty() && line.operands[0] != "on" && line.operands[0] != "off") {
        throw UsageError(line.command, "'" + line.operands[0] + "': use on or off");
    }
    Session session(line.global, Session::Open::Camera);
    if (line.operands.empty()) {
        std::printf("cooler %s\n", coolerText(readCooler(session)));
        return 0;
    }
    const bool on = line.operands[0] == "on";
    session.call(std::string("switching the cooler ") + (on ? "on" : "off"),
                 [&] { return Kelvra_SetPeltier(session.handle(), on ? 1 : 0); });
    std::printf("cooler %s\n", coolerText(readCooler(session)));
    return 0;
}

int runTemperature(const CommandLine& line) {
    const bool watch = line.flag("watch");
    if (!watch && (line.has("seconds") || line.has("interval"))) {
        throw UsageError(line.command, "--seconds and --interval go with --watch");
    }
    const double interval =
        line.has("interval") ? parseSeconds(line.command, "--interval", line.options.at("interval"))
                             : 1.0;
    std::optional<double> seconds;
    if (line.has("seconds"))
        seconds = parseSeconds(line.command, "--seconds", line.options.at("seconds"));
    Session session(line.global, Session::Open::Camera);
    session.clearErrors();
    int ok = 0;
    Kelvra_GetTemperatureEx(session.handle(), &ok);
    if (ok == 0) session.fail("reading the sensor temperature");
    if (!watch) {
        printReading(session, "");
        return 0;
    }
    installStopHandlers();
    const auto start = Clock::now();
    const auto step =
        std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(interval));
    for (auto next = start;; next += step) {
        if (!sleepUntil(next)) break;
        const double elapsed = std::chrono::duration<double>(Clock::now() - start).count();
        if (seconds && elapsed > *seconds + 1e-3) break;
        char prefix[32];
        std::snprintf(prefix, sizeof prefix, "%7.1f s  ", elapsed);
        session.clearErrors();
        if (!readTemperature(session)) throw watchFailure(session);
        printReading(session, prefix);
        session.drainMessages();  // the library posts a notification per reading
    }
    return 0;
}

}  // namespace kelvra::tool

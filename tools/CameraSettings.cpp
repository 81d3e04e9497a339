#include "CameraSettings.h"

#include <map>

#include "CameraReport.h"
#include "ErrorWords.h"
#include "Formatting.h"

namespace kelvra::tool {
namespace {

// The sensor reads rows and starts in steps of 8; the library rounds other values down
// silently, so the tool asks for exact steps instead of delivering a window it was not given.
constexpr int kWindowStep = 8;
constexpr int kMinimumRows = kWindowStep;

std::optional<int> filterValue(Session& session, int index) {
    int ok = 0;
    const int value = Kelvra_GetFilterValue(session.handle(), index, &ok);
    if (ok == 0) return std::nullopt;
    return value;
}

SettingReading onOffReading(const std::string& name, std::optional<bool> on) {
    return {name, on ? std::string(onOff(*on)) : "n/a", jsonOrNull(on)};
}

SettingReading readOne(Session& session, const std::string& name) {
    const int handle = session.handle();
    int ok = 0;
    if (name == "exposure") {
        const double seconds = Kelvra_GetExposureTimeEx(handle, &ok);
        if (ok == 0) return {name, "n/a", nullptr};
        return {name, formatDuration(seconds), seconds};
    }
    if (name == "gain") {
        const int gain = Kelvra_GetGlobalGain(handle, &ok);
        if (ok == 0) return {name, "n/a", nullptr};
        return {name, std::to_string(gain), gain};
    }
    if (name == "black-level") {
        const std::optional<int> level = filterValue(session, KELVRA_FILTER_BLACK_LEVEL);
        return {name, level ? std::to_string(*level) : "n/a (not on this camera)",
                jsonOrNull(level)};
    }
    if (name == "mirror") {
        const Mirror mirror{Kelvra_GetMirrorH(handle) != 0, Kelvra_GetMirrorV(handle) != 0};
        return {name, mirrorName(mirror), mirrorName(mirror)};
    }
    if (name == "window") {
        const WindowGeometry w = currentWindow(session);
        return {name, windowText(w),
                Json{{"width", w.width}, {"height", w.height}, {"x", w.x}, {"y", w.y}}};
    }
    if (name == "color-mode") {
        const int bits = Kelvra_GetColorMode(handle);
        return {name, std::to_string(bits) + " bits per pixel", bits};
    }
    if (name == "cooler") return onOffReading(name, readCooler(session));
    if (name == "temperature") {
        const std::optional<double> celsius = readTemperature(session);
        return {name, formatTemperature(celsius), jsonOrNull(celsius)};
    }
    if (name == "auto-exposure") {
        const int mode = Kelvra_GetAutoIris(handle, &ok);
        if (ok == 0) return {name, "n/a", nullptr};
        const std::string_view text = autoExposureName(static_cast<AutoExposure>(mode));
        return {name, std::string(text), text};
    }
    if (name == "flat-field") {
        const std::optional<int> on = filterValue(session, KELVRA_FILTER_MASK_FILTER);
        return onOffReading(name, on ? std::optional<bool>(*on != 0) : std::nullopt);
    }
    const std::optional<int> on = filterValue(session, KELVRA_FILTER_DOT_FILTER);
    return onOffReading(name, on ? std::optional<bool>(*on != 0) : std::nullopt);
}

// Whole rows only when the library refuses a narrower window; the probe puts the window back.
bool readsWholeRowsOnly(Session& session, const KELVRA_CAMERA_INFO& info) {
    const int handle = session.handle();
    int th = 0, ehs = 0, eh = 0, tv = 0, evs = 0, ev = 0;
    Kelvra_GetCaptureWindowEx(handle, &th, &ehs, &eh, &tv, &evs, &ev);
    session.clearErrors();
    if (Kelvra_SetCaptureWindowEx(handle, info.maxWidth, 0, info.maxWidth - kWindowStep,
                                  info.maxHeight, evs, ev) != 0) {
        Kelvra_SetCaptureWindowEx(handle, th, ehs, eh, tv, evs, ev);
        return false;
    }
    return Kelvra_GetLastError(handle) == KELVRA_ERR_PARAMETER;
}

}  // namespace

KELVRA_CAMERA_INFO readCameraInfo(Session& session) {
    KELVRA_CAMERA_INFO info{};
    info.size = sizeof info;
    session.call("reading the camera information",
                 [&] { return Kelvra_GetCameraInfo(session.handle(), &info); });
    return info;
}

WindowGeometry currentWindow(Session& session) {
    int th = 0, ehs = 0, eh = 0, tv = 0, evs = 0, ev = 0;
    Kelvra_GetCaptureWindowEx(session.handle(), &th, &ehs, &eh, &tv, &evs, &ev);
    return {eh, ev, ehs, evs};
}

std::vector<SettingReading> readSettings(Session& session, const std::string& command,
                                         const std::vector<std::string>& names) {
    for (const std::string& name : names) {
        const auto& known = settingNames();
        if (std::find(known.begin(), known.end(), name) == known.end()) {
            throw UsageError(command, "unknown setting '" + name + "'" + didYouMean(name, known));
        }
    }
    std::vector<SettingReading> readings;
    for (const std::string& name : names.empty() ? settingNames() : names) {
        readings.push_back(readOne(session, name));
    }
    return readings;
}

std::string windowRules(Session& session) {
    const KELVRA_CAMERA_INFO info = readCameraInfo(session);
    const std::string rows =
        "H from " + std::to_string(kMinimumRows) + " to " + std::to_string(info.maxHeight) +
        " in steps of " + std::to_string(kWindowStep) + ", Y a multiple of " +
        std::to_string(kWindowStep) + ", Y + H at most " + std::to_string(info.maxHeight);
    const std::string camera = "camera " + std::to_string(session.camera());
    if (readsWholeRowsOnly(session, info)) {
        return camera + " reads whole rows only: " + std::to_string(info.maxWidth) + "xH+0+Y, " +
               rows;
    }
    return camera + " takes WxH+X+Y with W and X in steps of " + std::to_string(kWindowStep) +
           ", X + W at most " + std::to_string(info.maxWidth) + "; " + rows;
}

void checkWindow(Session& session, const WindowGeometry& window, std::string_view what) {
    const KELVRA_CAMERA_INFO info = readCameraInfo(session);
    const bool fits = window.x + window.width <= info.maxWidth &&
                      window.y + window.height <= info.maxHeight && window.height >= kMinimumRows &&
                      window.width % kWindowStep == 0 && window.height % kWindowStep == 0 &&
                      window.x % kWindowStep == 0 && window.y % kWindowStep == 0;
    const bool wholeRows = window.width == info.maxWidth && window.x == 0;
    if (fits && (wholeRows || !readsWholeRowsOnly(session, info))) return;
    throw ToolFailure(std::string(what) + " " + windowText(window), windowRules(session));
}

}  // namespace kelvra::tool

#include "SettingsScope.h"

#include <cmath>

#include "CameraReport.h"
#include "CameraSettings.h"
#include "ErrorWords.h"
#include "Formatting.h"

namespace kelvra::tool {
namespace {

// Exposure in sensor units of 0.1 ms.
constexpr double kExposureUnitsPerSecond = 10000.0;

}  // namespace

SettingsScope::SettingsScope(Session& session, const SettingsRequest& request) : session_(session) {
    check(request);
    try {
        apply(request);
    } catch (...) {
        restoreAll();
        throw;
    }
}

SettingsScope::~SettingsScope() {
    restoreAll();
}

void SettingsScope::restoreAll() {
    for (auto it = restore_.rbegin(); it != restore_.rend(); ++it) (*it)();
    restore_.clear();
}

// The camera's ranges, read before the first change so that a bad value changes nothing.
void SettingsScope::check(const SettingsRequest& request) {
    if (request.empty()) return;
    const KELVRA_CAMERA_INFO info = readCameraInfo(session_);
    if (request.exposure && info.exposureSecondsMax > 0 &&
        (*request.exposure < info.exposureSecondsMin ||
         *request.exposure > info.exposureSecondsMax)) {
        throw ToolFailure("exposure " + formatDuration(*request.exposure),
                          "the camera takes " + formatDuration(info.exposureSecondsMin) + " to " +
                              formatDuration(info.exposureSecondsMax));
    }
    if (request.gain && (*request.gain < info.gainMin || *request.gain > info.gainMax)) {
        throw ToolFailure("gain " + std::to_string(*request.gain),
                          "the camera takes " + std::to_string(info.gainMin) + " to " +
                              std::to_string(info.gainMax));
    }
    if (request.window) checkWindow(session_, *request.window, "window");
}

// Geometry first (it decides the frame size), then the analog settings, then processing.
void SettingsScope::apply(const SettingsRequest& request) {
    if (request.colorMode) colorMode(*request.colorMode);
    if (request.window) window(*request.window);
    if (request.exposure) exposure(*request.exposure);
    if (request.gain) gain(*request.gain);
    if (request.blackLevel) blackLevel(*request.blackLevel);
    if (request.mirror) mirror(*request.mirror);
    if (request.autoExposure) autoExposure(*request.autoExposure);
    if (request.cooler) cooler(*request.cooler);
    if (request.mask) mask(*request.mask);
    if (request.flatField)
        filterSwitch(KELVRA_FILTER_MASK_FILTER, "flat-field", *request.flatField);
    if (request.dotFilter) filterSwitch(KELVRA_FILTER_DOT_FILTER, "dot filter", *request.dotFilter);
}

void SettingsScope::colorMode(int bits) {
    const int handle = session_.handle();
    const int previous = Kelvra_GetColorMode(handle);
    session_.call("setting the colour mode to " + std::to_string(bits) + " bits",
                  [&] { return Kelvra_SetColorMode(handle, bits); });
    if (previous > 0)
        restore_.push_back([handle, previous] { Kelvra_SetColorMode(handle, previous); });
}

// Seconds where the camera takes them, else sensor units.
void SettingsScope::exposure(double seconds) {
    const int handle = session_.handle();
    const std::string what = "setting the exposure to " + formatDuration(seconds);
    int ok = 0;
    const double previousSeconds = Kelvra_GetExposureTimeEx(handle, &ok);
    if (ok != 0) {
        session_.call(what, [&] { return Kelvra_SetExposureTimeEx(handle, seconds); });
        restore_.push_back(
            [handle, previousSeconds] { Kelvra_SetExposureTimeEx(handle, previousSeconds); });
        return;
    }
    const int previousUnits = Kelvra_GetExposureTime(handle, &ok);
    const int units = static_cast<int>(std::lround(seconds * kExposureUnitsPerSecond));
    session_.call(what, [&] { return Kelvra_SetExposureTime(handle, units); });
    if (ok != 0) {
        restore_.push_back(
            [handle, previousUnits] { Kelvra_SetExposureTime(handle, previousUnits); });
    }
}

void SettingsScope::gain(int value) {
    const int handle = session_.handle();
    int ok = 0;
    const int previous = Kelvra_GetGlobalGain(handle, &ok);
    session_.call("setting the gain to " + std::to_string(value),
                  [&] { return Kelvra_SetGlobalGain(handle, value); });
    if (ok != 0) restore_.push_back([handle, previous] { Kelvra_SetGlobalGain(handle, previous); });
}

void SettingsScope::blackLevel(int value) {
    const int handle = session_.handle();
    int ok = 0;
    const int previous = Kelvra_GetFilterValue(handle, KELVRA_FILTER_BLACK_LEVEL, &ok);
    session_.call("setting the black level to " + std::to_string(value),
                  [&] { return Kelvra_SetFilterValue(handle, KELVRA_FILTER_BLACK_LEVEL, value); });
    if (ok != 0) {
        restore_.push_back([handle, previous] {
            Kelvra_SetFilterValue(handle, KELVRA_FILTER_BLACK_LEVEL, previous);
        });
    }
}

// The library refuses a window it cannot read with code 9 (a partial width on a camera that
// reads whole rows) or 7; either way the user gets the camera's rules.
void SettingsScope::window(const WindowGeometry& window) {
    const int handle = session_.handle();
    int th = 0, ehs = 0, eh = 0, tv = 0, evs = 0, ev = 0;
    Kelvra_GetCaptureWindowEx(handle, &th, &ehs, &eh, &tv, &evs, &ev);
    const KELVRA_CAMERA_INFO info = readCameraInfo(session_);
    // The library keeps a refused window as its stored one; putting the old one back first
    // thing keeps a refusal from changing anything.
    restore_.push_back([=] { Kelvra_SetCaptureWindowEx(handle, th, ehs, eh, tv, evs, ev); });
    session_.clearErrors();
    // The total size is the sensor's; the window lies inside it.
    if (Kelvra_SetCaptureWindowEx(handle, info.maxWidth, window.x, window.width, info.maxHeight,
                                  window.y, window.height) == 0) {
        throw ToolFailure("window " + windowText(window), windowRules(session_));
    }
}

void SettingsScope::mirror(const Mirror& mirror) {
    const int handle = session_.handle();
    const int previousH = Kelvra_GetMirrorH(handle);
    const int previousV = Kelvra_GetMirrorV(handle);
    restore_.push_back([=] {
        Kelvra_SetMirrorH(handle, previousH);
        Kelvra_SetMirrorV(handle, previousV);
    });
    session_.call("setting the horizontal mirror",
                  [&] { return Kelvra_SetMirrorH(handle, mirror.horizontal ? 1 : 0); });
    session_.call("setting the vertical mirror",
                  [&] { return Kelvra_SetMirrorV(handle, mirror.vertical ? 1 : 0); });
}

void SettingsScope::autoExposure(AutoExposure mode) {
    const int handle = session_.handle();
    int ok = 0;
    const int previous = Kelvra_GetAutoIris(handle, &ok);
    session_.call("setting the automatic exposure to " + std::string(autoExposureName(mode)),
                  [&] { return Kelvra_SetAutoIris(handle, static_cast<int>(mode)); });
    if (ok != 0) restore_.push_back([handle, previous] { Kelvra_SetAutoIris(handle, previous); });
}

// The cooler is put back as it was when the camera was opened (the library switches it on).
void SettingsScope::cooler(bool on) {
    const int handle = session_.handle();
    const std::optional<bool> previous = readCooler(session_);
    session_.call("switching the cooler " + std::string(onOff(on)),
                  [&] { return Kelvra_SetPeltier(handle, on ? 1 : 0); });
    if (previous) {
        restore_.push_back([handle, was = *previous] { Kelvra_SetPeltier(handle, was ? 1 : 0); });
    }
}

void SettingsScope::mask(const std::string& path) {
    const int handle = session_.handle();
    session_.call("loading the mask file " + path,
                  [&] { return Kelvra_LoadMaskFile(handle, path.c_str()); });
    filterSwitch(KELVRA_FILTER_MASK_FILTER, "flat-field", true);
}

void SettingsScope::filterSwitch(int index, const char* name, bool on) {
    const int handle = session_.handle();
    int ok = 0;
    const int previous = Kelvra_GetFilterValue(handle, index, &ok);
    session_.call("switching the " + std::string(name) + " " + std::string(onOff(on)),
                  [&] { return Kelvra_SetFilterValue(handle, index, on ? 1 : 0); });
    if (ok != 0) {
        restore_.push_back(
            [handle, index, previous] { Kelvra_SetFilterValue(handle, index, previous); });
    }
}

}  // namespace kelvra::tool

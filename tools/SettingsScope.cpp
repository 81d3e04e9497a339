#include "SettingsScope.h"

#include <cmath>
#include <cstdio>

#include "CameraReport.h"
#include "ErrorWords.h"

namespace kelvra::tool {
namespace {

// Exposure in sensor units of 0.1 ms.
constexpr double kExposureUnitsPerSecond = 10000.0;

std::string secondsText(double seconds) {
    char text[48];
    std::snprintf(text, sizeof text, "%g s", seconds);
    return text;
}

}  // namespace

SettingsScope::~SettingsScope() {
    for (auto it = restore_.rbegin(); it != restore_.rend(); ++it) (*it)();
}

void SettingsScope::colorMode(const std::string& command, const std::string& value) {
    const int previous = Kelvra_GetColorMode(session_.handle());
    applyColorMode(session_, command, value);
    restore_.push_back([this, previous] { Kelvra_SetColorMode(session_.handle(), previous); });
}

// Seconds where the camera takes them, else sensor units; the range is checked first so that
// the message can name it.
void SettingsScope::exposure(double seconds) {
    const int handle = session_.handle();
    const std::string what = "setting the exposure to " + secondsText(seconds);
    KELVRA_CAMERA_INFO info{};
    info.size = sizeof info;
    session_.call("reading the camera information",
                  [&] { return Kelvra_GetCameraInfo(handle, &info); });
    if (info.exposureSecondsMax > 0 &&
        (seconds < info.exposureSecondsMin || seconds > info.exposureSecondsMax)) {
        throw ToolFailure(what, "the camera takes " + secondsText(info.exposureSecondsMin) +
                                    " to " + secondsText(info.exposureSecondsMax));
    }
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

void SettingsScope::window(const WindowGeometry& window) {
    const int handle = session_.handle();
    int th = 0, ehs = 0, eh = 0, tv = 0, evs = 0, ev = 0;
    Kelvra_GetCaptureWindowEx(handle, &th, &ehs, &eh, &tv, &evs, &ev);
    KELVRA_CAMERA_INFO info{};
    info.size = sizeof info;
    session_.call("reading the camera information",
                  [&] { return Kelvra_GetCameraInfo(handle, &info); });
    const std::string what = "setting the readout window to " + std::to_string(window.width) + "x" +
                             std::to_string(window.height) + "+" + std::to_string(window.x) + "+" +
                             std::to_string(window.y);
    // The total size is the sensor's; the window lies inside it.
    session_.call(what, [&] {
        return Kelvra_SetCaptureWindowEx(handle, info.maxWidth, window.x, window.width,
                                         info.maxHeight, window.y, window.height);
    });
    restore_.push_back([=] { Kelvra_SetCaptureWindowEx(handle, th, ehs, eh, tv, evs, ev); });
}

void SettingsScope::mirror(const Mirror& mirror) {
    const int handle = session_.handle();
    const int previousH = Kelvra_GetMirrorH(handle);
    const int previousV = Kelvra_GetMirrorV(handle);
    session_.call("setting the horizontal mirror",
                  [&] { return Kelvra_SetMirrorH(handle, mirror.horizontal ? 1 : 0); });
    session_.call("setting the vertical mirror",
                  [&] { return Kelvra_SetMirrorV(handle, mirror.vertical ? 1 : 0); });
    restore_.push_back([=] {
        Kelvra_SetMirrorH(handle, previousH);
        Kelvra_SetMirrorV(handle, previousV);
    });
}

void SettingsScope::mask(const std::string& path) {
    const int handle = session_.handle();
    int ok = 0;
    const int previous = Kelvra_GetMaskFilter(handle, &ok);
    session_.call("loading the mask file " + path,
                  [&] { return Kelvra_LoadMaskFile(handle, path.c_str()); });
    session_.call("switching the flat-field correction on",
                  [&] { return Kelvra_SetMaskFilter(handle, 1); });
    restore_.push_back([handle, previous] { Kelvra_SetMaskFilter(handle, previous != 0 ? 1 : 0); });
}

}  // namespace kelvra::tool

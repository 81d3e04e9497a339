// kelvra snap.
#include <cstdio>
#include <optional>

#include "CameraReport.h"
#include "Commands.h"
#include "ErrorWords.h"
#include "Formatting.h"
#include "ImageFormats.h"
#include "OutputPaths.h"
#include "SettingsScope.h"

namespace kelvra::tool {
namespace {

// The options, checked before the camera is touched so that a typo changes nothing.
struct SnapRequest {
    std::string path;
    int format = 0;
    std::optional<std::string> colorMode;
    std::optional<double> exposure;
    std::optional<int> gain;
    std::optional<WindowGeometry> window;
    std::optional<Mirror> mirror;
    std::optional<std::string> mask;
};

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
    auto option = [&](const char* name) -> const std::string* {
        auto it = line.options.find(name);
        return it == line.options.end() ? nullptr : &it->second;
    };
    if (auto* value = option("color-mode")) {
        parseColorMode(command, *value);
        request.colorMode = *value;
    }
    if (auto* value = option("exposure")) request.exposure = parseExposure(command, *value);
    if (auto* value = option("gain"))
        request.gain = static_cast<int>(parseInteger(command, "--gain", *value, 0, 0x7FFFFFFF));
    if (auto* value = option("window")) request.window = parseWindow(command, *value);
    if (auto* value = option("mirror")) request.mirror = parseMirror(command, *value);
    if (auto* value = option("mask")) request.mask = *value;
    return request;
}

}  // namespace

int runSnap(const CommandLine& line) {
    const SnapRequest request = parseSnap(line);
    requireOutputDirectory(request.path);
    Session session(line.global, Session::Open::Camera);
    {
        SettingsScope settings(session);
        if (request.colorMode) settings.colorMode(line.command, *request.colorMode);
        if (request.exposure) settings.exposure(*request.exposure);
        if (request.gain) settings.gain(*request.gain);
        if (request.window) settings.window(*request.window);
        if (request.mirror) settings.mirror(*request.mirror);
        if (request.mask) settings.mask(*request.mask);
        const int handle = session.handle();
        session.call("taking a frame", [&] { return Kelvra_SnapShot(handle, nullptr, 0, 1); });
        session.call("saving " + request.path, [&] {
            return Kelvra_SaveImage(handle, request.path.c_str(), request.format);
        });
        const FrameSize size = outputFrameSize(session);
        std::printf("wrote %s: %dx%d, %d bits per pixel, %s\n", request.path.c_str(), size.width,
                    size.height, Kelvra_GetColorMode(handle),
                    formatBytes(fileSizeOrZero(request.path)).c_str());
    }
    return 0;
}

}  // namespace kelvra::tool

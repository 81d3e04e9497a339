// kelvra snap.
#include <cstdio>

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
    SettingsRequest settings;
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
    request.settings = settingsFromOptions(line);
    return request;
}

}  // namespace

int runSnap(const CommandLine& line) {
    const SnapRequest request = parseSnap(line);
    requireOutputDirectory(request.path);
    Session session(line.global, Session::Open::Camera);
    {
        SettingsScope settings(session, request.settings);
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

// kelvra mask capture|save|load.
#include <cstdio>
#include <filesystem>

#include "CameraReport.h"
#include "Commands.h"
#include "ErrorWords.h"
#include "Formatting.h"
#include "OutputPaths.h"

namespace kelvra::tool {
namespace {

// References are kept for the full sensor only; the library skips other frame sizes silently.
constexpr int kSensorWidth = 1280;
constexpr int kSensorHeight = 1024;
constexpr int kDarkReference = 0;
constexpr int kWhiteReference = 1;

void requireOperands(const CommandLine& line, size_t count) {
    if (line.operands.size() != count) {
        throw UsageError(line.command, "'mask " + line.operands[0] + "' takes " +
                                           std::to_string(count - 1) + " operand(s)");
    }
}

int capture(Session& session, const std::string& which, const std::string& path) {
    const int handle = session.handle();
    const FrameSize size = outputFrameSize(session);
    if (size.width != kSensorWidth || size.height != kSensorHeight) {
        throw ToolFailure("capturing the " + which + " reference",
                          "it needs the full " + std::to_string(kSensorWidth) + "x" +
                              std::to_string(kSensorHeight) + " frame, the readout window is " +
                              std::to_string(size.width) + "x" + std::to_string(size.height));
    }
    // Keep the other reference of an existing file.
    if (std::filesystem::exists(path)) {
        session.call("loading the mask file " + path,
                     [&] { return Kelvra_LoadMaskFile(handle, path.c_str()); });
    }
    session.call("taking a frame", [&] { return Kelvra_SnapShot(handle, nullptr, 0, 1); });
    const int reference = which == "dark" ? kDarkReference : kWhiteReference;
    session.call("capturing the " + which + " reference",
                 [&] { return Kelvra_UpdateMaskData(handle, reference); });
    session.call("writing the mask file " + path,
                 [&] { return Kelvra_SaveMaskFile(handle, path.c_str()); });
    std::printf("captured the %s reference into %s (%s)\n", which.c_str(), path.c_str(),
                formatBytes(fileSizeOrZero(path)).c_str());
    return 0;
}

}  // namespace

int runMask(const CommandLine& line) {
    const std::string& action = line.operands[0];
    if (action == "capture") {
        requireOperands(line, 3);
        const std::string& which = line.operands[1];
        if (which != "dark" && which != "white") {
            throw UsageError(line.command, "'" + which + "': capture dark or white");
        }
        requireOutputDirectory(line.operands[2]);
        Session session(line.global, Session::Open::Camera);
        return capture(session, which, line.operands[2]);
    }
    if (action != "save" && action != "load") {
        throw UsageError(line.command, "'" + action + "': use capture, save or load");
    }
    requireOperands(line, 2);
    const std::string& path = line.operands[1];
    if (action == "save") requireOutputDirectory(path);
    Session session(line.global, Session::Open::Camera);
    const int handle = session.handle();
    if (action == "save") {
        session.call("writing the mask file " + path,
                     [&] { return Kelvra_SaveMaskFile(handle, path.c_str()); });
        std::printf("wrote %s (%s)\n", path.c_str(), formatBytes(fileSizeOrZero(path)).c_str());
    } else {
        session.call("loading the mask file " + path,
                     [&] { return Kelvra_LoadMaskFile(handle, path.c_str()); });
        std::printf("%s is a valid mask file\n", path.c_str());
    }
    return 0;
}

}  // namespace kelvra::tool

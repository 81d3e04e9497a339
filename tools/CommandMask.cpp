// kelvra mask capture|save|load.
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <vector>

#include "CameraReport.h"
#include "Commands.h"
#include "ErrorWords.h"
#include "Formatting.h"
#include "OutputPaths.h"
#include "SettingsScope.h"

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

// Share of full-scale pixels above which a reference is called saturated, and the mean (as a
// share of full scale) below which a white reference is too dark to divide by.
constexpr double kSaturatedShare = 0.01;
constexpr double kDarkMeanShare = 0.05;
constexpr int kFullScale8 = 255;
constexpr int kFullScale16 = 4095;  // 12-bit samples in 16-bit words

struct FrameLevels {
    double mean = 0;       // share of full scale
    double saturated = 0;  // share of pixels at full scale
};

template <typename Sample>
FrameLevels measure(const std::vector<Sample>& pixels, int fullScale) {
    uint64_t sum = 0, atTop = 0;
    for (const Sample value : pixels) {
        sum += value;
        atTop += value >= fullScale ? 1 : 0;
    }
    const double count = static_cast<double>(pixels.size());
    return {static_cast<double>(sum) / count / fullScale, static_cast<double>(atTop) / count};
}

// Takes one frame at `bits` per pixel as the reference of that depth and measures it.
template <typename Sample>
FrameLevels captureDepth(Session& session, int bits, int reference, const std::string& which) {
    SettingsRequest request;
    request.colorMode = bits;
    // References come from uncorrected frames.
    request.flatField = false;
    request.dotFilter = false;
    SettingsScope settings(session, request);
    const int handle = session.handle();
    std::vector<Sample> pixels(static_cast<size_t>(kSensorWidth) * kSensorHeight);
    const int bytes = static_cast<int>(pixels.size() * sizeof(Sample));
    session.call("taking a frame",
                 [&] { return Kelvra_SnapShot(handle, pixels.data(), bytes, 1); });
    const int updated = Kelvra_UpdateMaskData(handle, reference);
    Kelvra_StopPreview(handle);  // the next depth starts a new acquisition in its colour mode
    if (updated == 0) session.fail("capturing the " + which + " reference");
    return measure(pixels, sizeof(Sample) == 1 ? kFullScale8 : kFullScale16);
}

void warnAboutLevels(const std::string& which, int bits, const FrameLevels& levels) {
    if (levels.saturated > kSaturatedShare) {
        std::fprintf(stderr,
                     "kelvra: warning: the %s reference (%d bits) is saturated: %.1f%% of the "
                     "pixels at full scale; lower the exposure or gain\n",
                     which.c_str(), bits, levels.saturated * 100);
    }
    if (which == "white" && levels.mean < kDarkMeanShare) {
        std::fprintf(stderr,
                     "kelvra: warning: the white reference (%d bits) is too dark: mean %.1f%% of "
                     "full scale; raise the exposure or light the scene evenly\n",
                     bits, levels.mean * 100);
    }
}

// Both depths are captured: the library corrects 8-bit frames with the 8-bit references and
// 16-bit frames with the 16-bit ones, and a capture in one colour mode only leaves the other
// depth's reference neutral.
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
    const int reference = which == "dark" ? kDarkReference : kWhiteReference;
    warnAboutLevels(which, 8, captureDepth<uint8_t>(session, 8, reference, which));
    warnAboutLevels(which, 16, captureDepth<uint16_t>(session, 16, reference, which));
    session.clearErrors();
    if (Kelvra_SaveMaskFile(handle, path.c_str()) == 0) {
        throw writeFailure("writing the mask file " + path, Kelvra_GetLastError(handle), path);
    }
    std::printf("captured the %s reference (8 and 16 bits) into %s (%s)\n", which.c_str(),
                path.c_str(), formatBytes(fileSizeOrZero(path)).c_str());
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
        session.clearErrors();
        if (Kelvra_SaveMaskFile(handle, path.c_str()) == 0) {
            throw writeFailure("writing the mask file " + path, Kelvra_GetLastError(handle), path);
        }
        std::printf("wrote %s (%s)\n", path.c_str(), formatBytes(fileSizeOrZero(path)).c_str());
    } else {
        session.call("loading the mask file " + path,
                     [&] { return Kelvra_LoadMaskFile(handle, path.c_str()); });
        std::printf("%s is a valid mask file\n", path.c_str());
    }
    return 0;
}

}  // namespace kelvra::tool

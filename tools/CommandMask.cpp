// kelvra mask capture|save|load.
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <span>
#include <system_error>
#include <vector>

#include "CameraReport.h"
#include "Commands.h"
#include "ErrorWords.h"
#include "Formatting.h"
#include "MaskFileImage.h"
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

constexpr int kDefaultFrames = 16;
constexpr int kMaxFrames = 1000;

struct FrameLevels {
    double mean = 0;       // share of full scale
    double saturated = 0;  // share of pixels at full scale
};

// Sums of the frames taken for one reference, per pixel.
using PixelSums = std::vector<uint32_t>;

int sampleAt(std::span<const uint8_t> block, int bits, size_t i) {
    return bits == 8 ? block[i] : block[2 * i] | block[2 * i + 1] << 8;
}

void addFrame(PixelSums& sums, std::span<const uint8_t> block, int bits) {
    for (size_t i = 0; i < sums.size(); ++i)
        sums[i] += static_cast<uint32_t>(sampleAt(block, bits, i));
}

// Writes the rounded means into `block` and measures them.
FrameLevels storeMean(const PixelSums& sums, int frames, std::span<uint8_t> block, int bits) {
    const int fullScale = bits == 8 ? kFullScale8 : kFullScale16;
    uint64_t total = 0, atTop = 0;
    for (size_t i = 0; i < sums.size(); ++i) {
        const uint32_t mean =
            (sums[i] + static_cast<uint32_t>(frames) / 2) / static_cast<uint32_t>(frames);
        total += mean;
        atTop += mean >= static_cast<uint32_t>(fullScale) ? 1 : 0;
        if (bits == 8) {
            block[i] = static_cast<uint8_t>(mean);
        } else {
            block[2 * i] = static_cast<uint8_t>(mean & 0xFF);
            block[2 * i + 1] = static_cast<uint8_t>(mean >> 8);
        }
    }
    const double count = static_cast<double>(sums.size());
    return {static_cast<double>(total) / count / fullScale, static_cast<double>(atTop) / count};
}

void saveMask(Session& session, const std::string& path) {
    session.clearErrors();
    if (Kelvra_SaveMaskFile(session.handle(), path.c_str()) == 0) {
        throw writeFailure("writing the mask file " + path, Kelvra_GetLastError(session.handle()),
                           path);
    }
}

// The library takes a reference from one raw frame (Kelvra_UpdateMaskData); each frame's
// reference is read back through a saved file and summed, so the average is of exactly what the
// library would have used.
PixelSums sumReferences(Session& session, int bits, bool white, int frames,
                        const std::string& scratch) {
    SettingsRequest request;
    request.colorMode = bits;
    // References come from uncorrected frames.
    request.flatField = false;
    request.dotFilter = false;
    SettingsScope settings(session, request);
    const int handle = session.handle();
    PixelSums sums(static_cast<size_t>(kSensorWidth) * kSensorHeight, 0);
    for (int i = 0; i < frames; ++i) {
        session.call("taking a frame", [&] { return Kelvra_SnapShot(handle, nullptr, 0, 1); });
        session.call("capturing a reference", [&] {
            return Kelvra_UpdateMaskData(handle, white ? kWhiteReference : kDarkReference);
        });
        saveMask(session, scratch);
        addFrame(sums, MaskFileImage::read(scratch).reference(white, bits), bits);
    }
    Kelvra_StopPreview(handle);  // the next depth starts a new acquisition in its colour mode
    return sums;
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

// A scratch file for the per-frame references, in memory where the machine has a tmpfs: the
// library's save makes each file durable, which on a disk would cost a sync per frame.
class ScratchFile {
  public:
    ScratchFile() {
        std::error_code error;
        const std::filesystem::path directory =
            std::filesystem::is_directory(kMemoryDirectory, error)
                ? std::filesystem::path(kMemoryDirectory)
                : std::filesystem::temp_directory_path();
        path_ = (directory / "kelvra-mask-XXXXXX").string();
        const int fd = mkstemp(path_.data());
        if (fd < 0)
            throw ToolFailure("creating a scratch file in " + directory.string(),
                              std::strerror(errno));
        close(fd);
    }
    ~ScratchFile() { std::filesystem::remove(path_, ignored_); }
    ScratchFile(const ScratchFile&) = delete;
    ScratchFile& operator=(const ScratchFile&) = delete;
    const std::string& path() const { return path_; }

  private:
    static constexpr const char* kMemoryDirectory = "/dev/shm";
    std::string path_;
    std::error_code ignored_;
};

// Both depths are captured: the library corrects 8-bit frames with the 8-bit references and
// 16-bit frames with the 16-bit ones, and a capture in one colour mode only would leave the
// other depth's reference neutral.
int capture(Session& session, const std::string& which, const std::string& path, int frames) {
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
    const bool white = which == "white";
    ScratchFile scratch;
    const PixelSums sums8 = sumReferences(session, 8, white, frames, scratch.path());
    const PixelSums sums16 = sumReferences(session, 16, white, frames, scratch.path());
    saveMask(session, scratch.path());
    MaskFileImage image = MaskFileImage::read(scratch.path());
    const FrameLevels levels8 = storeMean(sums8, frames, image.reference(white, 8), 8);
    const FrameLevels levels16 = storeMean(sums16, frames, image.reference(white, 16), 16);
    image.write(scratch.path());
    // The library checks the averaged references as it loads them and writes the file itself.
    session.call("loading the averaged references",
                 [&] { return Kelvra_LoadMaskFile(handle, scratch.path().c_str()); });
    saveMask(session, path);
    warnAboutLevels(which, 8, levels8);
    warnAboutLevels(which, 16, levels16);
    const std::string taken =
        frames == 1 ? "one frame" : "mean of " + std::to_string(frames) + " frames";
    std::printf("captured the %s reference (8 and 16 bits, %s) into %s (%s)\n", which.c_str(),
                taken.c_str(), path.c_str(), formatBytes(fileSizeOrZero(path)).c_str());
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
        const int frames =
            line.has("frames")
                ? static_cast<int>(parseInteger(line.command, "--frames", line.options.at("frames"),
                                                1, kMaxFrames))
                : kDefaultFrames;
        requireOutputDirectory(line.operands[2]);
        Session session(line.global, Session::Open::Camera);
        return capture(session, which, line.operands[2], frames);
    }
    if (line.has("frames")) throw UsageError(line.command, "--frames goes with mask capture");
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

#include "output/RawRecordingFile.h"

#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cinttypes>
#include <cstdio>

#include "platform/SafeFile.h"

namespace kelvra {

namespace {

// Frames kept in memory before the first growth of the sidecar's table when the caller cannot
// tell how many come (a minute at full rate); the table then grows by doubling, rarely.
constexpr size_t kInitialFrameRecords = 8192;
// Expected counts beyond this are not reserved up front (a wrong estimate must not take
// gigabytes).
constexpr uint64_t kMostFrameRecordsReserved = 1u << 20;
// The sidecar goes out in pieces of about this size.
constexpr size_t kSidecarChunk = 1 << 20;
constexpr int kTwelveBitSamples = 12;

const char* SampleType(int32_t bitsPerPixel) {
    return (bitsPerPixel == 16 || bitsPerPixel >= 48) ? "uint16" : "uint8";
}

int SamplesPerPixel(int32_t bitsPerPixel) {
    switch (bitsPerPixel) {
        case 24:
        case 48:
            return 3;
        case 32:
        case 64:
            return 4;
        default:
            return 1;
    }
}

const char* ChannelOrder(int32_t bitsPerPixel) {
    switch (SamplesPerPixel(bitsPerPixel)) {
        case 3:
            return "BGR";
        case 4:
            return "BGRX";  // the fourth sample carries nothing
        default:
            return "grey";
    }
}

}  // namespace

RawRecordingFile::~RawRecordingFile() {
    if (open_) Close();
}

int RawRecordingFile::Open(const char* path, const RecordingFrame& first, double framesPerSecond) {
    if (open_) return EBUSY;
    packedRow_ = PackedRowBytes(first.width, first.bitsPerPixel);
    if (packedRow_ == 0 || first.height <= 0) return EINVAL;
    const int error = CreateRecordingTarget(path, fd_);
    if (error != 0) return error;
    path_ = path;
    geometry_ = first;
    frameBytes_ = packedRow_ * first.height;
    framesPerSecond_ = framesPerSecond;
    frames_.clear();
    frames_.reserve(expectedFrames_ != 0 ? std::min(expectedFrames_, kMostFrameRecordsReserved)
                                         : kInitialFrameRecords);
    failure_ = 0;
    open_ = true;
    return 0;
}

// Padded rows go out one write each; camera widths of 1280 (any multiple of 4) have none.
int RawRecordingFile::WriteRows(const RecordingFrame& frame) {
    if (frame.rowStride == packedRow_) {
        return WriteFully(fd_, frame.pixels, static_cast<size_t>(frameBytes_));
    }
    for (int32_t y = 0; y < frame.height; ++y) {
        const int error = WriteFully(fd_, frame.pixels + int64_t{y} * frame.rowStride,
                                     static_cast<size_t>(packedRow_));
        if (error != 0) return error;
    }
    return 0;
}

int RawRecordingFile::Write(const RecordingFrame& frame) {
    if (!open_) return EBADF;
    if (failure_ != 0) return failure_;
    if (frame.pixels == nullptr || frame.width != geometry_.width ||
        frame.height != geometry_.height || frame.bitsPerPixel != geometry_.bitsPerPixel ||
        frame.rowStride < packedRow_) {
        return EINVAL;  // not written; the file goes on
    }
    const int error = WriteRows(frame);
    if (error != 0) {
        // The file keeps whole frames only, as the sidecar will list them.
        failure_ = error;
        if (::ftruncate(fd_, int64_t(frames_.size()) * frameBytes_) != 0) failure_ = errno;
        return error;
    }
    frames_.push_back(
        {frame.frameCounter, frame.timestampUs, frame.exposureUs, frame.temperatureMilliC});
    return 0;
}

// Frames per second by the camera's clock over the whole recording; the rate given at open
// when fewer than two frames (or no clock) tell it.
double RawRecordingFile::MeasuredRate() const {
    if (frames_.size() >= 2 && frames_.back().timestampUs > frames_.front().timestampUs) {
        const double span = double(frames_.back().timestampUs - frames_.front().timestampUs);
        return double(frames_.size() - 1) * 1e6 / span;
    }
    return framesPerSecond_;
}

int RawRecordingFile::WriteSidecar() const {
    platform::ReplacingFile file;
    errno = 0;
    if (!file.Open(SidecarPath(path_).c_str())) return errno != 0 ? errno : EIO;
    std::string text;
    text.reserve(kSidecarChunk + 512);
    char line[512];
    std::snprintf(
        line, sizeof line,
        "{\n  \"width\": %d,\n  \"height\": %d,\n  \"dtype\": \"%s\",\n"
        "  \"byte_order\": \"little\",\n  \"bits_per_sample\": %d,\n"
        "  \"samples_per_pixel\": %d,\n  \"channels\": \"%s\",\n"
        "  \"frame_bytes\": %" PRId64
        ",\n  \"frame_count\": %zu,\n"
        "  \"frame_rate\": %.6g,\n  \"frames\": [",
        geometry_.width, geometry_.height, SampleType(geometry_.bitsPerPixel),
        geometry_.bitsPerPixel == 8 || geometry_.bitsPerPixel == 24 || geometry_.bitsPerPixel == 32
            ? 8
            : kTwelveBitSamples,
        SamplesPerPixel(geometry_.bitsPerPixel), ChannelOrder(geometry_.bitsPerPixel), frameBytes_,
        frames_.size(), MeasuredRate());
    text += line;
    for (size_t i = 0; i < frames_.size(); ++i) {
        const FrameRecord& r = frames_[i];
        RecordingFrame frame;
        frame.frameCounter = r.frameCounter;
        frame.timestampUs = r.timestampUs;
        frame.exposureUs = r.exposureUs;
        frame.temperatureMilliC = r.temperatureMilliC;
        char fields[256];
        FormatRecordingFrameFields(fields, sizeof fields, frame);
        std::snprintf(line, sizeof line, "%s\n    {%s, \"offset\": %" PRIu64 "}", i == 0 ? "" : ",",
                      fields, uint64_t(i) * uint64_t(frameBytes_));
        text += line;
        if (text.size() >= kSidecarChunk) {
            if (const int error = WriteFully(file.Descriptor(), text.data(), text.size())) {
                return error;
            }
            text.clear();
        }
    }
    text += frames_.empty() ? "]\n}\n" : "\n  ]\n}\n";
    if (const int error = WriteFully(file.Descriptor(), text.data(), text.size())) return error;
    errno = 0;
    return file.Commit() ? 0 : (errno != 0 ? errno : EIO);
}

int RawRecordingFile::Close() {
    if (!open_) return EBADF;
    open_ = false;
    int result = failure_;
    if (::close(fd_) != 0 && result == 0) result = errno;
    fd_ = -1;
    // Written even after a failure: it lists the frames the file holds.
    const int sidecar = WriteSidecar();
    return result != 0 ? result : sidecar;
}

}  // namespace kelvra

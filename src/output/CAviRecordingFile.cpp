#include "output/CAviRecordingFile.h"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstring>
#include <new>

namespace kelvra {

namespace {

constexpr uint16_t kMaxSample = 4095;  // 12-bit samples
constexpr double kHundred = 100.0;
constexpr double kMaxRateHundredths = 4.0e9;
constexpr double kMicrosPerSecond = 1e6;

uint32_t RateHundredths(double framesPerSecond) {
    return static_cast<uint32_t>(
        std::lround(std::clamp(framesPerSecond * kHundred, 1.0, kMaxRateHundredths)));
}

AviVideo VideoFor(int32_t bits) {
    if (bits == 8) return AviVideo::Grey8;
    if (bits == 16) return AviVideo::Grey16;
    return AviVideo::Bgr24;
}

void Grey16Row(uint8_t* d, const uint8_t* s, int32_t n) {
    for (int32_t x = 0; x < n; ++x) {
        uint16_t v;
        std::memcpy(&v, s + 2 * x, 2);
        v = std::min(v, kMaxSample);
        const auto full = static_cast<uint16_t>(v << 4 | v >> 8);
        d[2 * x] = static_cast<uint8_t>(full >> 8);  // big-endian
        d[2 * x + 1] = static_cast<uint8_t>(full);
    }
}

// Colour pixels of `step` bytes whose blue, green and red bytes sit `sampleStep` apart from
// `first` on: 4, 1, 0 for 32-bit pixels; 6, 2, 1 and 8, 2, 1 for the high bytes of 16-bit
// samples.
void ColourRow(uint8_t* d, const uint8_t* s, int32_t n, int32_t step, int32_t sampleStep,
               int32_t first) {
    for (int32_t x = 0; x < n; ++x) {
        const uint8_t* p = s + step * x + first;
        d[3 * x] = p[0];
        d[3 * x + 1] = p[sampleStep];
        d[3 * x + 2] = p[2 * sampleStep];
    }
}

}  // namespace

// A file still open is finalised with the frames it has.
CAviRecordingFile::~CAviRecordingFile() {
    if (writer_.IsOpen()) Close();
}

bool CAviRecordingFile::FitsGeometry(const RecordingFrame& frame) const {
    return frame.pixels != nullptr && frame.width == width_ && frame.height == height_ &&
           frame.bitsPerPixel == bits_ && frame.rowStride >= PackedRowBytes(width_, bits_);
}

// Starts the file at `path` for frames shaped like `first` (its pixels are not written: Write
// takes every frame, the first too) playing at framesPerSecond; 0 means unknown: the file then
// plays at the rate the frames' timestamps show, set at Close. 0, or EINVAL for a geometry,
// depth or rate the file cannot hold (or a file already open), ENOMEM, or the errno of
// creating the file.
int CAviRecordingFile::Open(const char* path, const RecordingFrame& first, double framesPerSecond) {
    if (writer_.IsOpen() || path == nullptr || first.width <= 0 || first.height <= 0 ||
        PackedRowBytes(first.width, first.bitsPerPixel) == 0 ||
        first.rowStride < PackedRowBytes(first.width, first.bitsPerPixel) ||
        !std::isfinite(framesPerSecond) || framesPerSecond < 0) {
        return EINVAL;
    }
    width_ = first.width;
    height_ = first.height;
    bits_ = first.bitsPerPixel;
    frames_ = 0;
    bytes_ = 0;
    writer_.SetFormat(width_, height_, static_cast<int16_t>(bits_));
    writer_.SetVideo(VideoFor(bits_), true);
    const uint32_t frameSize = writer_.FrameSize();
    if (frameSize == 0) return EINVAL;
    stride_ = frameSize / static_cast<uint32_t>(height_);
    try {
        frame_.assign(frameSize, 0);  // row padding stays 0
    } catch (const std::bad_alloc&) {
        return ENOMEM;
    }
    if (writer_.OpenAvi(path) == 0) return writer_.LastError();
    measureRate_ = framesPerSecond == 0;
    if (!measureRate_) writer_.SetRate(RateHundredths(framesPerSecond));
    bytes_ = writer_.BytesWritten();
    return 0;
}

// Rows come top row first; DIB rows go into the file bottom-up, "b16g" rows top-down.
void CAviRecordingFile::Convert(const RecordingFrame& frame) {
    for (int32_t r = 0; r < height_; ++r) {
        const uint8_t* s = frame.pixels + static_cast<int64_t>(r) * frame.rowStride;
        const int32_t fileRow = bits_ == 16 ? r : height_ - 1 - r;
        uint8_t* d = frame_.data() + static_cast<size_t>(fileRow) * stride_;
        switch (bits_) {
            case 8:
                std::memcpy(d, s, static_cast<size_t>(width_));
                break;
            case 16:
                Grey16Row(d, s, width_);
                break;
            case 24:
                std::memcpy(d, s, static_cast<size_t>(width_) * 3);
                break;
            case 32:
                ColourRow(d, s, width_, 4, 1, 0);
                break;
            case 48:
                ColourRow(d, s, width_, 6, 2, 1);
                break;
            case 64:
                ColourRow(d, s, width_, 8, 2, 1);
                break;
        }
    }
}

// Appends one frame. 0, or EINVAL (no file open, or a frame unlike the first), EFBIG (the file
// can grow no further), ENOSPC and other write errors; the frame is then not in the file.
int CAviRecordingFile::Write(const RecordingFrame& frame) {
    if (!writer_.IsOpen() || !FitsGeometry(frame)) return EINVAL;
    Convert(frame);
    if (writer_.AddFrame(frame_.data()) == 0) return writer_.LastError();
    if (frames_ == 0) firstTimestampUs_ = frame.timestampUs;
    lastTimestampUs_ = frame.timestampUs;
    ++frames_;
    bytes_ = writer_.BytesWritten();
    return 0;
}

// Finalises the file with the frames written. 0 when it is complete (frames whose Write failed
// were reported there), ENOSPC when the full disk made the last frames give way to the indexes
// (FramesWritten() then counts what the file holds), or the errno of a failed finalisation
// (the file is then not made). EINVAL when no file is open.
int CAviRecordingFile::Close() {
    if (!writer_.IsOpen()) return EINVAL;
    // The camera's clock tells the rate the frames were taken at; with fewer than two frames
    // (or a clock that did not move) the writer's opening rate stays.
    if (measureRate_ && frames_ > 1 && lastTimestampUs_ > firstTimestampUs_) {
        const double seconds = double(lastTimestampUs_ - firstTimestampUs_) / kMicrosPerSecond;
        writer_.SetRate(RateHundredths(double(frames_ - 1) / seconds));
    }
    writer_.CloseAvi();
    bytes_ = writer_.ClosedSize();
    if (bytes_ == 0) {  // not finalised: no file
        frames_ = 0;
        return writer_.LastError();
    }
    frames_ -= std::min(frames_, writer_.FramesDroppedAtClose());
    return writer_.FramesDroppedAtClose() != 0 ? ENOSPC : 0;
}

std::unique_ptr<RecordingFile> MakeAviRecordingFile() {
    return std::make_unique<CAviRecordingFile>();
}

}  // namespace kelvra

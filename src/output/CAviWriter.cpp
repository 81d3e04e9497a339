#include "output/CAviWriter.h"

#include <algorithm>
#include <array>
#include <limits>
#include <new>

#include "output/ByteOrder.h"

namespace kelvra {

namespace {

// Byte offsets of the fields written at open and patched at close.
constexpr uint64_t kRiffSizeAt = 4;
constexpr uint32_t kMicrosPerFrameAt = 32;
constexpr uint32_t kMaxBytesPerSecondAt = 36;
constexpr uint32_t kTotalFramesAt = 48;
constexpr uint32_t kScaleAt = 128;
constexpr uint32_t kLengthAt = 140;
constexpr uint32_t kMoviSizeAt = 224;
constexpr uint32_t kHeadersSize = 232;  // everything up to and including "movi"

constexpr uint32_t kHdrlListSize = 200;
constexpr uint32_t kAvihSize = 56;
constexpr uint32_t kStrlListSize = 124;
constexpr uint32_t kStrhSize = 64;
constexpr uint32_t kStrfSize = 40;
constexpr uint32_t kAviFlags = 0x10010;  // has index, was capture file
constexpr uint32_t kKeyFrame = 0x10;
constexpr uint32_t kStreamRate = 10000000;
constexpr uint16_t kFrameBitCount = 24;
constexpr uint32_t kChunkHeader = 8;  // four-character code and size
constexpr uint32_t kIndexEntrySize = 16;
constexpr uint32_t kMoviIdSize = 4;  // the movi size counts its "movi" identifier

// Frame timing from a rate in hundredths of a frame per second.
constexpr uint32_t kMicrosTimesHundred = 100000000;
constexpr uint32_t kScaleTimesHundred = 1000000000;
constexpr uint32_t kMeasureScale = 100000;  // frames × 100000 / ms = hundredths per second
constexpr uint32_t kHundred = 100;

constexpr size_t kIndexReserve = 4096;  // frames before the index first grows

uint32_t ClampTo32(uint64_t v) {
    return static_cast<uint32_t>(std::min<uint64_t>(v, std::numeric_limits<uint32_t>::max()));
}

uint32_t MaxBytesPerSecond(uint64_t frameSize, uint32_t rateHundredths) {
    return ClampTo32((frameSize + kChunkHeader) * rateHundredths / kHundred);
}

void BuildHeaders(std::array<uint8_t, kHeadersSize>& h, int32_t width, int32_t height,
                  uint32_t frameSize, uint32_t rateHundredths) {
    h.fill(0);
    uint8_t* p = h.data();
    const uint32_t bufferSize = frameSize + kChunkHeader;
    le::PutTag(p + 0, "RIFF");
    le::PutTag(p + 8, "AVI ");
    le::PutTag(p + 12, "LIST");
    le::Put32(p + 16, kHdrlListSize);
    le::PutTag(p + 20, "hdrl");
    le::PutTag(p + 24, "avih");
    le::Put32(p + 28, kAvihSize);
    le::Put32(p + kMicrosPerFrameAt, kMicrosTimesHundred / rateHundredths);
    le::Put32(p + kMaxBytesPerSecondAt, MaxBytesPerSecond(frameSize, rateHundredths));
    le::Put32(p + 44, kAviFlags);
    le::Put32(p + 56, 1);  // streams
    le::Put32(p + 60, bufferSize);
    le::Put32(p + 64, static_cast<uint32_t>(width));
    le::Put32(p + 68, static_cast<uint32_t>(height));
    le::PutTag(p + 88, "LIST");
    le::Put32(p + 92, kStrlListSize);
    le::PutTag(p + 96, "strl");
    le::PutTag(p + 100, "strh");
    le::Put32(p + 104, kStrhSize);
    le::PutTag(p + 108, "vids");
    le::PutTag(p + 112, "DIB ");
    le::Put32(p + kScaleAt, kScaleTimesHundred / rateHundredths);
    le::Put32(p + 132, kStreamRate);
    le::Put32(p + 144, bufferSize);
    le::PutTag(p + 172, "strf");
    le::Put32(p + 176, kStrfSize);
    le::Put32(p + 180, kStrfSize);  // BITMAPINFOHEADER size
    le::Put32(p + 184, static_cast<uint32_t>(width));
    le::Put32(p + 188, static_cast<uint32_t>(height));
    le::Put16(p + 192, 1);  // planes
    le::Put16(p + 194, kFrameBitCount);
    le::PutTag(p + 220, "LIST");
    le::PutTag(p + 228, "movi");
}

}  // namespace

// An open recording is finalised rather than abandoned, so that frames already written stay
// playable when the owner goes away first.
CAviWriter::~CAviWriter() {
    if (IsOpen()) CloseAvi();
}

// Width, height and bit count (informational) of the recorded image, given before OpenAvi. A
// change while a file is open takes effect at the next OpenAvi.
void CAviWriter::SetFormat(int32_t width, int32_t height, int16_t bitCount) {
    if (IsOpen()) return;
    width_ = width;
    height_ = height;
    bitCount_ = bitCount;
}

// Stores the frame rate CloseAvi writes, in hundredths of a frame per second (at least 1).
void CAviWriter::SetRate(uint32_t rateHundredths) {
    rateHundredths_ = std::max<uint32_t>(rateHundredths, 1);
}

// The measured rate in hundredths of a frame per second: frames × 100000 / elapsed ms, at
// least 1. 64-bit arithmetic: 32 bits overflow after 42950 frames.
uint32_t CAviWriter::MeasureRate(uint32_t frames, uint32_t elapsedMs) {
    const uint64_t rate = uint64_t{frames} * kMeasureScale / std::max<uint32_t>(elapsedMs, 1);
    return std::max<uint32_t>(ClampTo32(rate), 1);
}

uint64_t CAviWriter::FrameSize64() const {
    if (width_ <= 0 || height_ <= 0) return 0;
    const uint64_t stride = (uint64_t{3} * static_cast<uint32_t>(width_) + 3) & ~uint64_t{3};
    return stride * static_cast<uint32_t>(height_);
}

uint32_t CAviWriter::FrameSize() const {
    const uint64_t f = FrameSize64();
    return f <= std::numeric_limits<uint32_t>::max() ? static_cast<uint32_t>(f) : 0;
}

// File offset where the next frame chunk (or, at close, the index) goes.
uint64_t CAviWriter::DataEnd() const {
    return uint64_t{kHeadersSize} - kMoviIdSize + moviSize_;
}

// Whether a finalised file of `frames` frames keeps every size and offset field within 32 bits
// (the RIFF size, file size − 8, is the largest of them).
bool CAviWriter::FinalFileFits(uint64_t frames) const {
    const uint64_t fileSize = kHeadersSize + frames * (kChunkHeader + FrameSize64()) +
                              kChunkHeader + frames * kIndexEntrySize;
    return fileSize - kChunkHeader <= std::numeric_limits<uint32_t>::max();
}

// Starts a recording at `path` with the format given to SetFormat: resets the writer (an open
// file is abandoned), sets the rate to 30 fps, starts the new file (beside an existing one,
// which it replaces at CloseAvi) and writes the headers up to and including "movi". Returns
// 1, or 0 when the format has no valid frame size, `path` is not a regular or new file, or the
// file cannot be created or written.
int CAviWriter::OpenAvi(const char* path) {
    ResetAvi();
    rateHundredths_ = kOpenRateHundredths;
    const uint32_t frameSize = FrameSize();
    if (frameSize == 0 || !FinalFileFits(0)) return 0;
    try {
        index_.reserve(kIndexReserve);
    } catch (const std::bad_alloc&) {
        return 0;
    }
    std::array<uint8_t, kHeadersSize> headers;
    BuildHeaders(headers, width_, height_, frameSize, rateHundredths_);
    if (!file_.OpenForWrite(path)) return 0;
    if (!file_.Write(headers.data(), headers.size())) {
        ResetAvi();
        return 0;
    }
    riffSize_ = kHeadersSize - kChunkHeader;
    moviSize_ = kMoviIdSize;
    return 1;
}

// Appends one frame: FrameSize() bytes of 24-bit bottom-up rows, blue-green-red. Returns 1, or
// 0 with nothing recorded when no file is open, `pixels` is null, the frame would take the
// file past the 4 GiB its size fields can describe, or the write fails. A failed frame is
// overwritten by the next one (or cut off at close), so the file stays consistent; CloseAvi
// then reports the failure.
int CAviWriter::AddFrame(const uint8_t* pixels) {
    if (!IsOpen() || pixels == nullptr || !FinalFileFits(index_.size() + 1)) return 0;
    const uint32_t frameSize = FrameSize();
    uint8_t chunk[kChunkHeader];
    le::PutTag(chunk, "00db");
    le::Put32(chunk + 4, frameSize);
    const ByteRange parts[] = {{chunk, sizeof(chunk)}, {pixels, frameSize}};
    if (!file_.WriteAt(DataEnd(), parts)) return 0;
    try {
        index_.push_back({moviSize_, frameSize});
    } catch (const std::bad_alloc&) {
        return 0;
    }
    riffSize_ += kChunkHeader + frameSize;
    moviSize_ += kChunkHeader + frameSize;
    return 1;
}

// Finalises the recording after any number of frames (none included): appends the idx1 index,
// writes the RIFF and movi sizes, the frame count and the timing of the rate set with SetRate
// (30 fps when none was set), and puts the file in the place of any old one. Frames whose write
// failed are left out, so a recording cut short by a full disk stays whole and playable; only
// a failure of the finalisation itself drops the new file and keeps the old one. Returns 1 when
// every frame and the finalisation were written; 0 when no file was open, a frame was lost or
// the file could not be finalised. The writer is closed afterwards either way.
int CAviWriter::CloseAvi() {
    if (!IsOpen()) return 0;
    const bool framesLost = file_.WriteFailed();
    file_.ForgetWriteFailure();  // reported through the result; the index leaves them out
    const auto frames = static_cast<uint32_t>(index_.size());
    const uint64_t indexAt = DataEnd();
    const size_t indexBytes = kChunkHeader + size_t{kIndexEntrySize} * frames;
    std::vector<uint8_t> index;
    try {
        index.resize(indexBytes);
    } catch (const std::bad_alloc&) {
        ResetAvi();
        return 0;
    }
    le::PutTag(index.data(), "idx1");
    le::Put32(index.data() + 4, kIndexEntrySize * frames);
    for (uint32_t i = 0; i < frames; ++i) {
        uint8_t* e = index.data() + kChunkHeader + size_t{kIndexEntrySize} * i;
        le::PutTag(e, "00db");
        le::Put32(e + 4, kKeyFrame);
        le::Put32(e + 8, index_[i].offset);
        le::Put32(e + 12, index_[i].size);
    }
    file_.WriteAt(indexAt, index.data(), index.size());
    riffSize_ += static_cast<uint32_t>(indexBytes);

    const auto patch = [this](uint64_t at, uint32_t value) {
        uint8_t bytes[4];
        le::Put32(bytes, value);
        file_.WriteAt(at, bytes, sizeof(bytes));
    };
    patch(kRiffSizeAt, riffSize_);
    patch(kMoviSizeAt, moviSize_);
    patch(kTotalFramesAt, frames);
    patch(kLengthAt, frames);
    patch(kMicrosPerFrameAt, kMicrosTimesHundred / rateHundredths_);
    patch(kScaleAt, kScaleTimesHundred / rateHundredths_);
    patch(kMaxBytesPerSecondAt, MaxBytesPerSecond(FrameSize64(), rateHundredths_));
    // A frame that failed part-way may have left bytes beyond the index.
    if (framesLost) file_.TruncateTo(indexAt + indexBytes);
    const bool finalised = file_.CloseAll();
    ResetAvi();
    return finalised && !framesLost ? 1 : 0;
}

// Drops an unfinished recording: its file is removed and an old file of that name stays as it
// was. Empties the index; the format and rate stay.
void CAviWriter::ResetAvi() {
    file_.Abandon();
    index_.clear();
    riffSize_ = 0;
    moviSize_ = 0;
}

}  // namespace kelvra

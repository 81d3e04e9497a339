#include "output/CAviWriter.h"

#include <algorithm>
#include <cerrno>
#include <limits>
#include <new>

#include "output/ByteOrder.h"

namespace kelvra {

std::atomic<uint64_t> CAviWriter::riffLimitForTesting_{0};

namespace {

// Byte offsets of the fields written at open and patched at close; the same in both layouts,
// which differ only after the stream format.
constexpr uint64_t kRiffSizeAt = 4;
constexpr uint32_t kMicrosPerFrameAt = 32;
constexpr uint32_t kMaxBytesPerSecondAt = 36;
constexpr uint32_t kTotalFramesAt = 48;
constexpr uint32_t kScaleAt = 128;
constexpr uint32_t kLengthAt = 140;
constexpr uint32_t kStrfAt = 172;
constexpr uint32_t kBitmapInfoAt = 180;

constexpr uint32_t kRiffHeader = 12;  // "RIFF", size, form type
constexpr uint32_t kListHeader = 12;  // "LIST", size, list type
constexpr uint32_t kChunkHeader = 8;  // four-character code and size
constexpr uint32_t kAvihSize = 56;
constexpr uint32_t kStrhSize = 64;
constexpr uint32_t kBitmapInfoSize = 40;
constexpr uint32_t kPaletteEntries = 256;
constexpr uint32_t kPaletteSize = 4 * kPaletteEntries;
constexpr uint32_t kAviFlags = 0x10010;  // has index, was capture file
constexpr uint32_t kKeyFrame = 0x10;
constexpr uint32_t kStreamRate = 10000000;
constexpr uint32_t kIdx1EntrySize = 16;
constexpr uint32_t kMoviIdSize = 4;  // the movi size counts its "movi" identifier

// OpenDML index chunks: a 24-byte header after the chunk header, then the entries.
constexpr uint32_t kIndexHeaderSize = 24;
constexpr uint32_t kSuperEntrySize = 16;  // offset (64-bit), size, duration
constexpr uint32_t kStdEntrySize = 8;     // offset from the base, size
constexpr uint16_t kSuperLongsPerEntry = 4;
constexpr uint16_t kStdLongsPerEntry = 2;
constexpr uint8_t kIndexOfIndexes = 0;
constexpr uint8_t kIndexOfChunks = 1;
constexpr uint32_t kDmlhSize = 248;  // total frames and reserved space, as readers expect
constexpr uint32_t kOdmlListSize = 4 + kChunkHeader + kDmlhSize;

// Frame timing from a rate in hundredths of a frame per second.
constexpr uint32_t kMicrosTimesHundred = 100000000;
constexpr uint32_t kScaleTimesHundred = 1000000000;
constexpr uint32_t kMeasureScale = 100000;  // frames × 100000 / ms = hundredths per second
constexpr uint32_t kHundred = 100;

constexpr size_t kScratchSize = 64 * 1024;   // index bytes per write
constexpr uint32_t kGrey16Tag = 0x67363162;  // "b16g" as a little-endian number

uint32_t ClampTo32(uint64_t v) {
    return static_cast<uint32_t>(std::min<uint64_t>(v, std::numeric_limits<uint32_t>::max()));
}

uint32_t MaxBytesPerSecond(uint64_t frameSize, uint32_t rateHundredths) {
    return ClampTo32((frameSize + kChunkHeader) * rateHundredths / kHundred);
}

bool IsSpaceError(int error) {
    return error == ENOSPC || error == EFBIG || error == EDQUOT;
}

uint32_t StrfSize(AviVideo video) {
    return kBitmapInfoSize + (video == AviVideo::Grey8 ? kPaletteSize : 0);
}

uint32_t SuperIndexSize() {
    return kIndexHeaderSize + kSuperEntrySize * CAviWriter::kSuperIndexEntries;
}

struct HeaderPlan {
    uint32_t strfSize;
    uint32_t superIndexAt;  // 0 in the classic layout
    uint32_t dmlhAt;
    uint32_t moviAt;
};

HeaderPlan PlanHeaders(AviVideo video, bool openDml) {
    HeaderPlan plan{};
    plan.strfSize = StrfSize(video);
    uint32_t at = kBitmapInfoAt + plan.strfSize;
    if (openDml) {
        plan.superIndexAt = at;
        at += kChunkHeader + SuperIndexSize();
        plan.dmlhAt = at + kListHeader;
        at += kChunkHeader + kOdmlListSize;
    }
    plan.moviAt = at;
    return plan;
}

// Everything up to and including the first "movi": the file's headers with the counts of an
// empty recording, patched at close.
void BuildHeaders(std::vector<uint8_t>& h, const HeaderPlan& plan, AviVideo video, int32_t width,
                  int32_t height, uint32_t frameSize, uint32_t rateHundredths) {
    h.assign(plan.moviAt + kListHeader, 0);
    uint8_t* p = h.data();
    const uint32_t bufferSize = frameSize + kChunkHeader;
    const uint32_t strlEnd = plan.dmlhAt != 0 ? plan.dmlhAt - kListHeader : plan.moviAt;
    le::PutTag(p + 0, "RIFF");
    le::PutTag(p + 8, "AVI ");
    le::PutTag(p + 12, "LIST");
    le::Put32(p + 16, plan.moviAt - 20);
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
    le::Put32(p + 92, strlEnd - 96);
    le::PutTag(p + 96, "strl");
    le::PutTag(p + 100, "strh");
    le::Put32(p + 104, kStrhSize);
    le::PutTag(p + 108, "vids");
    if (video == AviVideo::Grey16) {
        le::Put32(p + 112, kGrey16Tag);
    } else {
        le::PutTag(p + 112, "DIB ");
    }
    le::Put32(p + kScaleAt, kScaleTimesHundred / rateHundredths);
    le::Put32(p + 132, kStreamRate);
    le::Put32(p + 144, bufferSize);
    le::PutTag(p + kStrfAt, "strf");
    le::Put32(p + kStrfAt + 4, plan.strfSize);
    uint8_t* bmi = p + kBitmapInfoAt;
    le::Put32(bmi, kBitmapInfoSize);
    le::Put32(bmi + 4, static_cast<uint32_t>(width));
    le::Put32(bmi + 8, static_cast<uint32_t>(height));
    le::Put16(bmi + 12, 1);  // planes
    switch (video) {
        case AviVideo::Bgr24:
            le::Put16(bmi + 14, 24);
            break;
        case AviVideo::Grey8:
            le::Put16(bmi + 14, 8);
            le::Put32(bmi + 20, frameSize);
            le::Put32(bmi + 32, kPaletteEntries);  // colours used
            for (uint32_t i = 0; i < kPaletteEntries; ++i) {
                uint8_t* q = bmi + kBitmapInfoSize + 4 * i;  // blue, green, red, 0
                q[0] = q[1] = q[2] = static_cast<uint8_t>(i);
            }
            break;
        case AviVideo::Grey16:
            le::Put16(bmi + 14, 16);
            le::Put32(bmi + 16, kGrey16Tag);
            le::Put32(bmi + 20, frameSize);
            break;
    }
    if (plan.superIndexAt != 0) {
        uint8_t* indx = p + plan.superIndexAt;
        le::PutTag(indx, "indx");
        le::Put32(indx + 4, SuperIndexSize());
        le::Put16(indx + 8, kSuperLongsPerEntry);
        indx[10] = 0;  // sub-type: standard indexes
        indx[11] = kIndexOfIndexes;
        le::PutTag(indx + 16, "00db");
        uint8_t* odml = p + plan.dmlhAt - kListHeader;
        le::PutTag(odml, "LIST");
        le::Put32(odml + 4, kOdmlListSize);
        le::PutTag(odml + 8, "odml");
        le::PutTag(odml + 12, "dmlh");
        le::Put32(odml + 16, kDmlhSize);
    }
    le::PutTag(p + plan.moviAt, "LIST");
    le::PutTag(p + plan.moviAt + 8, "movi");
}

// The errno of a failed write (EIO when the call set none).
int WriteError() {
    return errno != 0 ? errno : EIO;
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

// How the frames are stored and whether the file may grow past its first RIFF, given before
// OpenAvi (24-bit classic files by default).
void CAviWriter::SetVideo(AviVideo video, bool openDml) {
    if (IsOpen()) return;
    video_ = video;
    openDml_ = openDml;
}

// Stores the frame rate CloseAvi writes, in hundredths of a frame per second (at least 1).
void CAviWriter::SetRate(uint32_t rateHundredths) {
    rateHundredths_ = std::max<uint32_t>(rateHundredths, 1);
}

// Disk space reserved ahead of the writes in steps of `stepBytes` (0: none), for files opened
// afterwards.
void CAviWriter::SetPreallocation(uint64_t stepBytes) {
    preallocationSetting_ = stepBytes;
}

void CAviWriter::SetRiffLimitForTesting(uint64_t bytes) {
    riffLimitForTesting_ = bytes;
}

// The measured rate in hundredths of a frame per second: frames × 100000 / elapsed ms, at
// least 1. 64-bit arithmetic: 32 bits overflow after 42950 frames.
uint32_t CAviWriter::MeasureRate(uint32_t frames, uint32_t elapsedMs) {
    const uint64_t rate = uint64_t{frames} * kMeasureScale / std::max<uint32_t>(elapsedMs, 1);
    return std::max<uint32_t>(ClampTo32(rate), 1);
}

uint64_t CAviWriter::FrameSize64() const {
    if (width_ <= 0 || height_ <= 0) return 0;
    const auto w = static_cast<uint64_t>(width_);
    uint64_t row = 0;
    switch (video_) {
        case AviVideo::Bgr24:
            row = (3 * w + 3) & ~uint64_t{3};
            break;
        case AviVideo::Grey8:
            row = (w + 3) & ~uint64_t{3};
            break;
        case AviVideo::Grey16:
            row = 2 * w;  // raw FourCC rows are not padded; 2 bytes keep chunks word-aligned
            break;
    }
    return row * static_cast<uint64_t>(height_);
}

uint32_t CAviWriter::FrameSize() const {
    const uint64_t f = FrameSize64();
    return f <= std::numeric_limits<uint32_t>::max() ? static_cast<uint32_t>(f) : 0;
}

// The largest RIFF part: the whole file in the classic layout, whose RIFF size (file size − 8)
// is the largest 32-bit field.
uint64_t CAviWriter::RiffLimit() const {
    const uint64_t real =
        openDml_ ? kOpenDmlRiffLimit : uint64_t{std::numeric_limits<uint32_t>::max()} + 8;
    const uint64_t test = riffLimitForTesting_.load();
    return test != 0 ? std::min(real, test) : real;
}

// Bytes the indexes that end a RIFF part of `frames` frames take.
uint64_t CAviWriter::TailSize(uint32_t frames, bool first) const {
    uint64_t size = 0;
    if (openDml_) size += kChunkHeader + kIndexHeaderSize + uint64_t{kStdEntrySize} * frames;
    if (first) size += kChunkHeader + uint64_t{kIdx1EntrySize} * frames;
    return size;
}

// Whether the current RIFF part, finished with `frames` frames, stays within its limit.
bool CAviWriter::RiffHasRoomFor(uint32_t frames) const {
    if (openDml_ && frames > kMaxFramesPerRiff) return false;
    const uint64_t end = MoviDataAt() + uint64_t{frames} * ChunkSize();
    return end - riffAt_ + TailSize(frames, riffAt_ == 0) <= riffLimit_;
}

int CAviWriter::Fail(int error) {
    lastError_ = error;
    return 0;
}

// Starts a recording at `path` with the format given to SetFormat and SetVideo: resets the
// writer (an open file is abandoned), sets the rate to 30 fps, starts the new file (beside an
// existing one, which it replaces at CloseAvi) and writes the headers up to and including the
// first "movi". Returns 1, or 0 (LastError says why) when the format has no valid frame size,
// `path` is not a regular or new file, or the file cannot be created or written.
int CAviWriter::OpenAvi(const char* path) {
    ResetAvi();
    rateHundredths_ = kOpenRateHundredths;
    const uint32_t frameSize = FrameSize();
    const HeaderPlan plan = PlanHeaders(video_, openDml_);
    moviAt_ = plan.moviAt;
    riffLimit_ = RiffLimit();
    if (frameSize == 0 || !RiffHasRoomFor(0)) return Fail(EINVAL);
    std::vector<uint8_t> headers;
    try {
        scratch_.resize(kScratchSize);
        parts_.reserve(openDml_ ? kSuperIndexEntries : 1);
        BuildHeaders(headers, plan, video_, width_, height_, frameSize, rateHundredths_);
    } catch (const std::bad_alloc&) {
        return Fail(ENOMEM);
    }
    errno = 0;
    if (!file_.OpenForWrite(path)) return Fail(WriteError());
    errno = 0;
    if (!file_.Write(headers.data(), headers.size())) {
        const int error = WriteError();
        ResetAvi();
        return Fail(error);
    }
    superIndexAt_ = plan.superIndexAt;
    dmlhAt_ = plan.dmlhAt;
    preallocatedTo_ = headers.size();
    preallocationStep_ = preallocationSetting_;
    lastError_ = 0;
    return 1;
}

// Reserves disk space up to `end` and a step beyond, where the file system allows; where it
// does not (or the disk is full) the writes go on without.
void CAviWriter::Preallocate(uint64_t end) {
    if (preallocationStep_ == 0 || end <= preallocatedTo_) return;
    const uint64_t to = end + preallocationStep_;
    if (!file_.Preallocate(preallocatedTo_, to - preallocatedTo_)) {
        preallocationStep_ = 0;
        return;
    }
    preallocatedTo_ = to;
}

// Appends one frame of FrameSize() bytes, laid out as SetVideo says. Returns 1, or 0 with
// nothing recorded (LastError says why) when no file is open or `pixels` is null (EINVAL), the
// file can grow no further (EFBIG: the classic layout's 4 GiB, or the OpenDML super index is
// full) or the write fails (ENOSPC ...). A failed frame is overwritten by the next one (or
// cut off at close), so the file stays consistent; CloseAvi then reports the failure.
int CAviWriter::AddFrame(const uint8_t* pixels) {
    if (!IsOpen() || pixels == nullptr) return Fail(EINVAL);
    if (riffOpen_ && !RiffHasRoomFor(framesInRiff_ + 1)) {
        if (!openDml_ || framesInRiff_ == 0) return Fail(EFBIG);
        if (parts_.size() + 2 > kSuperIndexEntries) return Fail(EFBIG);
        if (const int error = WriteRiffTail(); error != 0) return framesFailed_ = true, Fail(error);
    }
    if (!riffOpen_) {
        if (const int error = StartExtension(); error != 0) {
            return framesFailed_ = true, Fail(error);
        }
    }
    const uint32_t frameSize = FrameSize();
    Preallocate(DataEnd() + ChunkSize());
    uint8_t chunk[kChunkHeader];
    le::PutTag(chunk, "00db");
    le::Put32(chunk + 4, frameSize);
    const ByteRange parts[] = {{chunk, sizeof(chunk)}, {pixels, pixelsAsHoles_ ? 0 : frameSize}};
    errno = 0;
    if (!file_.WriteAt(DataEnd(), parts)) return framesFailed_ = true, Fail(WriteError());
    ++framesInRiff_;
    ++totalFrames_;
    if (riffAt_ == 0) ++firstRiffFrames_;
    lastError_ = 0;
    return 1;
}

// Starts a "RIFF AVIX" part with its movi list where the finished part ends.
int CAviWriter::StartExtension() {
    uint8_t header[kRiffHeader + kListHeader] = {};
    le::PutTag(header, "RIFF");
    le::PutTag(header + 8, "AVIX");
    le::PutTag(header + 12, "LIST");
    le::PutTag(header + 20, "movi");
    errno = 0;
    if (!file_.WriteAt(fileEnd_, header, sizeof(header))) return WriteError();
    riffAt_ = fileEnd_;
    moviAt_ = fileEnd_ + kRiffHeader;
    framesInRiff_ = 0;
    riffOpen_ = true;
    return 0;
}

// Streams an index of the current part's frames at `at`: a standard index ("ix00", inside
// the movi list) or the idx1 after it. Frames follow each other at ChunkSize() steps, so the
// entries are computed rather than kept.
int CAviWriter::WriteIndex(uint64_t at, const char* id, uint32_t frames, bool standard) {
    const uint32_t entrySize = standard ? kStdEntrySize : kIdx1EntrySize;
    const uint32_t headerSize = kChunkHeader + (standard ? kIndexHeaderSize : 0);
    const uint64_t moviIdAt = moviAt_ + kChunkHeader;
    uint8_t* s = scratch_.data();
    std::fill(s, s + headerSize, 0);
    std::copy(id, id + 4, s);
    le::Put32(s + 4, headerSize - kChunkHeader + entrySize * frames);
    if (standard) {
        le::Put16(s + 8, kStdLongsPerEntry);
        s[11] = kIndexOfChunks;
        le::Put32(s + 12, frames);
        le::PutTag(s + 16, "00db");
        le::Put32(s + 20, static_cast<uint32_t>(moviIdAt));  // base offset, 64-bit
        le::Put32(s + 24, static_cast<uint32_t>(moviIdAt >> 32));
    }
    size_t used = headerSize;
    const uint32_t frameSize = FrameSize();
    for (uint32_t i = 0; i <= frames; ++i) {
        if (i == frames || used + entrySize > scratch_.size()) {
            errno = 0;
            if (!file_.WriteAt(at, s, used)) return WriteError();
            at += used;
            used = 0;
            if (i == frames) break;
        }
        // Offsets from the "movi" identifier: idx1 points at the chunk, a standard index at
        // its data.
        const uint64_t chunkAt = kMoviIdSize + uint64_t{i} * ChunkSize();
        uint8_t* e = s + used;
        if (standard) {
            le::Put32(e, static_cast<uint32_t>(chunkAt + kChunkHeader));
            le::Put32(e + 4, frameSize);  // bit 31 clear: a key frame
        } else {
            le::PutTag(e, "00db");
            le::Put32(e + 4, kKeyFrame);
            le::Put32(e + 8, static_cast<uint32_t>(chunkAt));
            le::Put32(e + 12, frameSize);
        }
        used += entrySize;
    }
    return 0;
}

// Ends the current RIFF part: its standard index closes the movi list, the first part's idx1
// follows, and the part's sizes are written. The part counts as finished only when all of it
// was written.
int CAviWriter::WriteRiffTail() {
    uint64_t at = DataEnd();
    RiffPart part{at, 0, framesInRiff_};
    if (openDml_) {
        if (const int error = WriteIndex(at, "ix00", framesInRiff_, true); error != 0) {
            return error;
        }
        part.indexSize = kChunkHeader + kIndexHeaderSize + kStdEntrySize * framesInRiff_;
        at += part.indexSize;
    }
    const auto moviSize = static_cast<uint32_t>(at - moviAt_ - kChunkHeader);
    if (riffAt_ == 0) {
        if (const int error = WriteIndex(at, "idx1", framesInRiff_, false); error != 0) {
            return error;
        }
        at += kChunkHeader + uint64_t{kIdx1EntrySize} * framesInRiff_;
    }
    uint8_t size[4];
    le::Put32(size, static_cast<uint32_t>(at - riffAt_ - kChunkHeader));
    errno = 0;
    if (!file_.WriteAt(riffAt_ + kRiffSizeAt, size, sizeof(size))) return WriteError();
    le::Put32(size, moviSize);
    if (!file_.WriteAt(moviAt_ + 4, size, sizeof(size))) return WriteError();
    if (openDml_) parts_.push_back(part);  // capacity reserved at open
    fileEnd_ = at;
    riffOpen_ = false;
    return 0;
}

// Makes room for the current part's indexes on a full disk by leaving out its last frames:
// enough that the indexes fit where those frames were, more on every further attempt. An
// extension part left without frames goes as a whole. False when there is nothing to leave out.
bool CAviWriter::DropFramesForTail() {
    const bool first = riffAt_ == 0;
    const uint32_t n = framesInRiff_;
    if (n == 0) return false;
    uint32_t k = std::max<uint32_t>(1, lastDrop_ * 2);
    while (k < n && k * ChunkSize() < TailSize(n - k, first)) ++k;
    k = std::min(k, n);
    lastDrop_ = k;
    droppedAtClose_ += k;
    totalFrames_ -= k;
    framesInRiff_ -= k;
    if (first) firstRiffFrames_ -= k;
    if (!first && framesInRiff_ == 0) {
        fileEnd_ = riffAt_;
        riffOpen_ = false;
        file_.TruncateTo(riffAt_);
        return true;
    }
    file_.TruncateTo(DataEnd());
    return true;
}

// Writes the counts, timing and indexes of the header.
int CAviWriter::PatchHeaders() {
    const auto frames = ClampTo32(totalFrames_);
    const auto patch = [this](uint64_t at, uint32_t value) {
        uint8_t bytes[4];
        le::Put32(bytes, value);
        errno = 0;
        return file_.WriteAt(at, bytes, sizeof(bytes)) ? 0 : WriteError();
    };
    // In an OpenDML file the main header counts the first part's frames (what its idx1 and
    // old readers see); the stream length and the OpenDML header count them all.
    int error = patch(kTotalFramesAt, openDml_ ? firstRiffFrames_ : frames);
    if (error == 0) error = patch(kLengthAt, frames);
    if (error == 0) error = patch(kMicrosPerFrameAt, kMicrosTimesHundred / rateHundredths_);
    if (error == 0) error = patch(kScaleAt, kScaleTimesHundred / rateHundredths_);
    if (error == 0) {
        error = patch(kMaxBytesPerSecondAt, MaxBytesPerSecond(FrameSize64(), rateHundredths_));
    }
    if (error != 0 || !openDml_) return error;
    error = patch(dmlhAt_ + kChunkHeader, frames);
    if (error == 0) error = patch(superIndexAt_ + 12, static_cast<uint32_t>(parts_.size()));
    uint8_t* s = scratch_.data();
    for (size_t i = 0; i < parts_.size() && error == 0; ++i) {
        uint8_t* e = s + kSuperEntrySize * i;
        le::Put32(e, static_cast<uint32_t>(parts_[i].indexAt));
        le::Put32(e + 4, static_cast<uint32_t>(parts_[i].indexAt >> 32));
        le::Put32(e + 8, parts_[i].indexSize);
        le::Put32(e + 12, parts_[i].frames);
    }
    errno = 0;
    if (error == 0 && !file_.WriteAt(superIndexAt_ + kChunkHeader + kIndexHeaderSize, s,
                                     kSuperEntrySize * parts_.size())) {
        error = WriteError();
    }
    return error;
}

// Ends the last part (leaving out frames when a full disk leaves no room for its indexes),
// writes the header fields and cuts the file where it ends, which also gives back disk space
// reserved beyond.
int CAviWriter::Finalise() {
    if (riffOpen_ && riffAt_ != 0 && framesInRiff_ == 0) {
        fileEnd_ = riffAt_;  // an extension started with no frame yet
        riffOpen_ = false;
    }
    lastDrop_ = 0;
    while (riffOpen_) {
        const int error = WriteRiffTail();
        if (error == 0) break;
        // Only OpenDML recordings give frames up; a classic file whose indexes do not fit is
        // dropped, and an old file of its name kept.
        if (!openDml_ || !IsSpaceError(error) || !DropFramesForTail()) return error;
    }
    if (const int error = PatchHeaders(); error != 0) return error;
    errno = 0;
    if (!file_.TruncateTo(fileEnd_)) return WriteError();
    return 0;
}

// Finalises the recording after any number of frames (none included): ends the last RIFF part
// with its indexes, writes the sizes, the frame counts and the timing of the rate set with
// SetRate (30 fps when none was set), and puts the file in the place of any old one. Frames
// whose write failed are left out, so a recording cut short by a full disk stays whole and
// playable; in an OpenDML file, when the disk has no room left for the indexes, the last
// frames make room for them. Only a failure of the finalisation itself drops the new file and keeps
// the old one. Returns 1 when every frame and the finalisation were written; 0 when no file was
// open, a frame was lost or left out, or the file could not be finalised (LastError says why). The
// writer is closed afterwards either way.
int CAviWriter::CloseAvi() {
    closedSize_ = 0;
    if (!IsOpen()) return Fail(EINVAL);
    const bool framesLost = framesFailed_;
    droppedAtClose_ = 0;
    int error = Finalise();
    if (error == 0) {
        file_.ForgetWriteFailure();  // failed frames are reported through the result
        errno = 0;
        if (!file_.CloseAll()) error = WriteError();
    }
    const uint64_t dropped = droppedAtClose_;
    const uint64_t size = fileEnd_;
    ResetAvi();
    droppedAtClose_ = dropped;
    if (error != 0) return Fail(error);
    closedSize_ = size;
    lastError_ = dropped != 0 ? ENOSPC : 0;
    return framesLost || dropped != 0 ? 0 : 1;
}

// Drops an unfinished recording: its file is removed and an old file of that name stays as it
// was. Empties the counts; the format and rate stay.
void CAviWriter::ResetAvi() {
    file_.Abandon();
    riffAt_ = 0;
    framesInRiff_ = 0;
    riffOpen_ = true;
    parts_.clear();
    totalFrames_ = 0;
    firstRiffFrames_ = 0;
    fileEnd_ = 0;
    framesFailed_ = false;
    droppedAtClose_ = 0;
    preallocatedTo_ = 0;
}

}  // namespace kelvra

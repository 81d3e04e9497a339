// A file that takes every frame of a recording, one after another: the lossless capture
// formats (AVI, multi-page TIFF, raw with a JSON sidecar) behind one interface.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>

namespace kelvra {

// One frame as a recording file takes it, with what the camera said about it.
struct RecordingFrame {
    const uint8_t* pixels = nullptr;  // top row first, rowStride bytes apart
    int32_t width = 0;
    int32_t height = 0;
    int32_t bitsPerPixel = 0;  // 8 or 16 grey (16: 12-bit samples); 24, 32, 48, 64 colour
    int32_t rowStride = 0;
    uint64_t frameCounter = 0;
    uint64_t timestampUs = 0;
    uint32_t exposureUs = 0;
    int32_t temperatureMilliC = 0;
};

enum class RecordingFormat { Avi, Tiff, Raw };

// Open -> Write... -> Close. Every frame of one file has the first frame's geometry. Results
// are 0 or an errno value (EINVAL for a frame that does not fit the file, EFBIG where a format
// can grow no further, ENOSPC, EIO ...), so callers can say why in words. After a failed Write
// the file is still finalised by Close with the frames written before it. Not thread-safe:
// one writer thread per file.
class RecordingFile {
  public:
    virtual ~RecordingFile() = default;
    // How many frames the caller means to write, told before Open; 0 (the default) when it
    // cannot tell. A format whose layout depends on the final size (TIFF or BigTIFF) plans by it.
    virtual void ExpectFrames(uint64_t count) { (void)count; }
    virtual int Open(const char* path, const RecordingFrame& first, double framesPerSecond) = 0;
    virtual int Write(const RecordingFrame& frame) = 0;
    virtual int Close() = 0;
    virtual uint64_t FramesWritten() const = 0;
    virtual uint64_t BytesWritten() const = 0;
};

// A new, closed file of `format`; null for a format this build does not have.
std::unique_ptr<RecordingFile> MakeRecordingFile(RecordingFormat format);

// What a recording says about each frame, as JSON members without braces:
// "frame": N, "timestamp_us": T, "exposure_us": E, "temperature_c": C. Written into `text`
// (always terminated); returns the length, or -1 when `size` is too small.
int FormatRecordingFrameFields(char* text, size_t size, const RecordingFrame& frame);

// Creates (or empties) the file a recording writes straight into: a crash or a full disk
// leaves the frames written so far, which a temporary name would hide. Refuses what is not a
// regular file (a FIFO, a device: EINVAL) without waiting on it. 0 and the descriptor
// (read-write, close-on-exec), or an errno value.
int CreateRecordingTarget(const char* path, int& fd);

// Writes all `size` bytes at the file's position, through short writes and signals. 0 or errno.
int WriteFully(int fd, const void* data, size_t size);

// Bytes of one frame's row without padding; 0 for a bit count no recording file takes.
int64_t PackedRowBytes(int32_t width, int32_t bitsPerPixel);

}  // namespace kelvra

// A file that takes every frame of a recording, one after another: the lossless capture
// formats (AVI, multi-page TIFF, raw with a JSON sidecar) behind one interface.
#pragma once

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
    virtual int Open(const char* path, const RecordingFrame& first, double framesPerSecond) = 0;
    virtual int Write(const RecordingFrame& frame) = 0;
    virtual int Close() = 0;
    virtual uint64_t FramesWritten() const = 0;
    virtual uint64_t BytesWritten() const = 0;
};

std::unique_ptr<RecordingFile> MakeRecordingFile(RecordingFormat format);

}  // namespace kelvra

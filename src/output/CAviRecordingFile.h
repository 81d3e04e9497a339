// Lossless recording into an AVI file that continues past 4 GiB (OpenDML).
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "output/CAviWriter.h"
#include "output/RecordingFile.h"

namespace kelvra {

// Every frame goes into the file, in the video format its depth calls for:
// - 8-bit grey: 8-bit palettised video with a grey palette (bottom-up DIB rows), a third of
//   the size of 3-byte colour;
// - 16-bit grey (12-bit samples): "b16g", 16-bit big-endian grey, which ffmpeg reads as
//   gray16be. AVI has no 12-bit grey format players know, so each sample v (0 ... 4095, larger
//   values taken as 4095) is stored scaled to the full 16-bit range, v << 4 | v >> 8: the file
//   plays with the right brightness and v is the stored value >> 4, exactly;
// - colour (24, 32, 48, 64 bits): 24-bit DIB rows; 16-bit samples keep their high byte.
// Converting a frame allocates nothing: the one frame buffer is sized at Open.
class CAviRecordingFile : public RecordingFile {
  public:
    CAviRecordingFile() = default;
    ~CAviRecordingFile() override;

    int Open(const char* path, const RecordingFrame& first, double framesPerSecond) override;
    int Write(const RecordingFrame& frame) override;
    int Close() override;
    uint64_t FramesWritten() const override { return frames_; }
    uint64_t BytesWritten() const override { return bytes_; }

    // The writer underneath, for its test hooks.
    CAviWriter& Writer() { return writer_; }

  private:
    bool FitsGeometry(const RecordingFrame& frame) const;
    void Convert(const RecordingFrame& frame);

    CAviWriter writer_;
    std::vector<uint8_t> frame_;
    int32_t width_ = 0;
    int32_t height_ = 0;
    int32_t bits_ = 0;
    uint32_t stride_ = 0;  // of a row in the file
    uint64_t frames_ = 0;
    uint64_t bytes_ = 0;
    bool measureRate_ = false;  // opened without a rate
    uint64_t firstTimestampUs_ = 0;
    uint64_t lastTimestampUs_ = 0;
};

std::unique_ptr<RecordingFile> MakeAviRecordingFile();

}  // namespace kelvra

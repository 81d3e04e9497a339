// A recording as one multi-page TIFF: every frame a page as delivered (8-bit grey, 16-bit grey
// holding 12-bit samples, colour as RGB), each page described by a small JSON object.
#pragma once

#include <memory>
#include <string>

#include "output/RecordingFile.h"

namespace kelvra {

class TiffRecordingFile : public RecordingFile {
  public:
    TiffRecordingFile();
    ~TiffRecordingFile() override;
    TiffRecordingFile(const TiffRecordingFile&) = delete;
    TiffRecordingFile& operator=(const TiffRecordingFile&) = delete;

    void ExpectFrames(uint64_t count) override { expectedFrames_ = count; }
    int Open(const char* path, const RecordingFrame& first, double framesPerSecond) override;
    int Write(const RecordingFrame& frame) override;
    int Close() override;
    uint64_t FramesWritten() const override { return framesWritten_; }
    uint64_t BytesWritten() const override { return bytesWritten_; }

    // True when the open file is a BigTIFF.
    bool IsBigTiff() const { return bigTiff_; }

    // What libtiff writes through: the descriptor, and the first failure, after which nothing
    // more reaches the file. Public for the C callbacks only.
    struct Io {
        int fd = -1;
        int error = 0;
    };

  private:
    struct Layout {
        uint16_t bitsPerSample = 0;
        uint16_t samplesPerPixel = 0;
        uint16_t photometric = 0;
    };

    bool SetPageTags(const RecordingFrame& frame);
    const uint8_t* PackedPixels(const RecordingFrame& frame);
    int Fail(int fallback);
    int CutBackToCompletePages();

    struct TiffHandle;
    std::unique_ptr<TiffHandle> tiff_;
    Io io_;
    std::string path_;
    RecordingFrame geometry_;
    Layout layout_;
    int64_t packedRow_ = 0;
    int64_t pageBytes_ = 0;
    std::unique_ptr<uint8_t[]> strip_;  // rows packed and in RGB order, when they need it
    uint64_t expectedFrames_ = 0;
    bool bigTiff_ = false;
    int failure_ = 0;
    uint64_t framesWritten_ = 0;
    uint64_t bytesWritten_ = 0;
    int64_t completeEnd_ = 0;  // file size after the last complete page
};

}  // namespace kelvra

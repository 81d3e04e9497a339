// A recording as a flat file of frames (rows packed, no padding, samples little-endian, colour
// in the camera's blue-green-red order) and a JSON sidecar, FILE.json, that tells how to read
// it: geometry, sample type, frame rate and each frame's number, time, exposure, temperature
// and byte offset.
#pragma once

#include <string>
#include <vector>

#include "output/RecordingFile.h"

namespace kelvra {

class RawRecordingFile : public RecordingFile {
  public:
    RawRecordingFile() = default;
    ~RawRecordingFile() override;
    RawRecordingFile(const RawRecordingFile&) = delete;
    RawRecordingFile& operator=(const RawRecordingFile&) = delete;

    void ExpectFrames(uint64_t count) override { expectedFrames_ = count; }
    int Open(const char* path, const RecordingFrame& first, double framesPerSecond) override;
    int Write(const RecordingFrame& frame) override;
    // Closes the frames' file, then writes the sidecar (replacing an old one only once the
    // new one is complete). 0, or the first failure of a write, the frames' file or the
    // sidecar.
    int Close() override;
    uint64_t FramesWritten() const override { return frames_.size(); }
    uint64_t BytesWritten() const override { return frames_.size() * uint64_t(frameBytes_); }

    // The sidecar's name for a recording at `path`.
    static std::string SidecarPath(const std::string& path) { return path + ".json"; }

  private:
    // What the sidecar keeps of a frame; the offset follows from its place.
    struct FrameRecord {
        uint64_t frameCounter;
        uint64_t timestampUs;
        uint32_t exposureUs;
        int32_t temperatureMilliC;
    };

    int WriteRows(const RecordingFrame& frame);
    int WriteSidecar() const;
    double MeasuredRate() const;

    int fd_ = -1;
    std::string path_;
    RecordingFrame geometry_;
    int64_t packedRow_ = 0;
    int64_t frameBytes_ = 0;
    double framesPerSecond_ = 0;
    uint64_t expectedFrames_ = 0;
    std::vector<FrameRecord> frames_;
    int failure_ = 0;
    bool open_ = false;
};

}  // namespace kelvra

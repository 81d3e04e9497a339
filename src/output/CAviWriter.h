// Uncompressed AVI files: one video stream of 24-bit bottom-up bitmaps with an idx1 index.
#pragma once

#include <cstdint>
#include <vector>

#include "output/CFileBuffer.h"

namespace kelvra {

// Closed -> open (OpenAvi) -> closed (CloseAvi finalises, ResetAvi abandons). Used by one
// thread at a time: the owner serialises calls (the front's frame lock).
class CAviWriter {
  public:
    // Frame rate in hundredths of a frame per second that OpenAvi starts with (30 fps).
    static constexpr uint32_t kOpenRateHundredths = 3000;

    CAviWriter() = default;
    ~CAviWriter();
    CAviWriter(const CAviWriter&) = delete;
    CAviWriter& operator=(const CAviWriter&) = delete;

    void SetFormat(int32_t width, int32_t height, int16_t bitCount);
    void SetRate(uint32_t rateHundredths);
    static uint32_t MeasureRate(uint32_t frames, uint32_t elapsedMs);

    int OpenAvi(const char* path);
    int AddFrame(const uint8_t* pixels);
    int CloseAvi();
    void ResetAvi();

    bool IsOpen() const { return file_.IsOpen(); }
    int32_t FrameCount() const { return static_cast<int32_t>(index_.size()); }
    // Bytes of one frame, F = stride × height with 4-byte aligned 24-bit rows; 0 when the
    // format is not a valid size.
    uint32_t FrameSize() const;
    uint32_t Rate() const { return rateHundredths_; }
    int32_t Width() const { return width_; }
    int32_t Height() const { return height_; }
    int16_t BitCount() const { return bitCount_; }

  private:
    struct IndexEntry {
        uint32_t offset;  // from the "movi" identifier
        uint32_t size;
    };

    uint64_t FrameSize64() const;
    uint64_t DataEnd() const;
    bool FinalFileFits(uint64_t frames) const;

    CFileBuffer file_;
    uint32_t riffSize_ = 0;
    uint32_t moviSize_ = 0;
    std::vector<IndexEntry> index_;
    int32_t width_ = 0;
    int32_t height_ = 0;
    int16_t bitCount_ = 0;
    uint32_t rateHundredths_ = kOpenRateHundredths;
};

}  // namespace kelvra

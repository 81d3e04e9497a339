// Uncompressed AVI files: one video stream with an idx1 index, and for long recordings the
// OpenDML extension that continues the file past the first RIFF in "RIFF AVIX" parts.
#pragma once

#include <atomic>
#include <cstdint>
#include <vector>

#include "output/CFileBuffer.h"

namespace kelvra {

// How the frames are stored.
enum class AviVideo {
    Bgr24,   // 24-bit bottom-up DIB rows, blue-green-red, rows 4-byte aligned
    Grey8,   // 8-bit bottom-up DIB rows with a 256-entry grey palette, rows 4-byte aligned
    Grey16,  // "b16g": 16-bit big-endian grey samples, rows top-down and unpadded
};

// Closed -> open (OpenAvi) -> closed (CloseAvi finalises, ResetAvi abandons). Used by one
// thread at a time: the owner serialises calls (the front's frame lock).
//
// Two layouts. The classic one (the default, what Kelvra_Record writes) is one RIFF whose
// fields sit at fixed offsets (the first frame at 232) and which ends at the 4 GiB its 32-bit
// sizes describe. The OpenDML one (SetVideo with openDml) carries a super index ("indx") in
// the stream list and a total-frames header ("odml"/"dmlh"), and continues in "RIFF AVIX"
// parts with their own movi lists and standard indexes ("ix00"); the first RIFF keeps its
// idx1 for old readers.
class CAviWriter {
  public:
    // Frame rate in hundredths of a frame per second that OpenAvi starts with (30 fps).
    static constexpr uint32_t kOpenRateHundredths = 3000;
    // Every RIFF part of an OpenDML file stays within 1 GiB: the customary size, which readers
    // that know only the first RIFF and its idx1 handle, and far within the 32-bit offsets of
    // the standard indexes.
    static constexpr uint64_t kOpenDmlRiffLimit = uint64_t{1} << 30;
    // Entries reserved in the super index, one per RIFF part: 4 TiB of recording.
    static constexpr uint32_t kSuperIndexEntries = 4096;
    // Frames per RIFF part at most, so that tiny frames keep the standard index small.
    static constexpr uint32_t kMaxFramesPerRiff = uint32_t{1} << 18;
    // Disk space reserved ahead of the writes, where the file system allows.
    static constexpr uint64_t kPreallocationStep = uint64_t{128} << 20;

    CAviWriter() = default;
    ~CAviWriter();
    CAviWriter(const CAviWriter&) = delete;
    CAviWriter& operator=(const CAviWriter&) = delete;

    void SetFormat(int32_t width, int32_t height, int16_t bitCount);
    void SetVideo(AviVideo video, bool openDml);
    void SetRate(uint32_t rateHundredths);
    void SetPreallocation(uint64_t stepBytes);
    static uint32_t MeasureRate(uint32_t frames, uint32_t elapsedMs);

    int OpenAvi(const char* path);
    int AddFrame(const uint8_t* pixels);
    int CloseAvi();
    void ResetAvi();

    bool IsOpen() const { return file_.IsOpen(); }
    int32_t FrameCount() const { return static_cast<int32_t>(totalFrames_); }
    uint64_t TotalFrames() const { return totalFrames_; }
    // Bytes of one frame as stored; 0 when the format is not a valid size.
    uint32_t FrameSize() const;
    uint32_t Rate() const { return rateHundredths_; }
    int32_t Width() const { return width_; }
    int32_t Height() const { return height_; }
    int16_t BitCount() const { return bitCount_; }
    // Bytes the file holds so far (frames and headers; indexes come at close).
    uint64_t BytesWritten() const { return DataEnd(); }
    // errno of the last failed OpenAvi, AddFrame or CloseAvi (EFBIG: the format can grow no
    // further), 0 after a success.
    int LastError() const { return lastError_; }
    // The size of the file the last CloseAvi made; 0 when it made none.
    uint64_t ClosedSize() const { return closedSize_; }
    // Frames the last CloseAvi had to leave out to fit the indexes on a full disk.
    uint64_t FramesDroppedAtClose() const { return droppedAtClose_; }

    // Test hooks. The RIFF limit (the whole file in the classic layout, each RIFF part in
    // OpenDML files) of writers opened afterwards, so that tests reach it without writing
    // gigabytes; 0 restores the real limits. Process-wide.
    static void SetRiffLimitForTesting(uint64_t bytes);
    // Writes frame headers but leaves the pixels as holes of a sparse file, so that a test can
    // make a file of several GiB that takes almost no disk (turn preallocation off too).
    void LeavePixelsUnwrittenForTesting(bool leave) { pixelsAsHoles_ = leave; }

  private:
    struct RiffPart {
        uint64_t indexAt;  // file offset of its standard index chunk
        uint32_t indexSize;
        uint32_t frames;
    };

    uint64_t FrameSize64() const;
    uint64_t ChunkSize() const { return 8 + FrameSize64(); }
    uint64_t MoviDataAt() const { return moviAt_ + 12; }
    uint64_t DataEnd() const { return MoviDataAt() + uint64_t{framesInRiff_} * ChunkSize(); }
    uint64_t RiffLimit() const;
    uint64_t TailSize(uint32_t frames, bool first) const;
    bool RiffHasRoomFor(uint32_t frames) const;
    int StartExtension();
    int WriteRiffTail();
    int WriteIndex(uint64_t at, const char* id, uint32_t frames, bool standard);
    int PatchHeaders();
    int Finalise();
    bool DropFramesForTail();
    void Preallocate(uint64_t end);
    int Fail(int error);

    CFileBuffer file_;
    int32_t width_ = 0;
    int32_t height_ = 0;
    int16_t bitCount_ = 0;
    AviVideo video_ = AviVideo::Bgr24;
    bool openDml_ = false;
    uint32_t rateHundredths_ = kOpenRateHundredths;
    uint64_t preallocationSetting_ = kPreallocationStep;
    uint64_t preallocationStep_ = 0;  // of the open file: 0 once the file system refused
    bool pixelsAsHoles_ = false;

    // Where the header fields patched at close sit (they depend on the layout).
    uint32_t superIndexAt_ = 0;
    uint32_t dmlhAt_ = 0;
    // The RIFF part being written.
    uint64_t riffAt_ = 0;
    uint64_t moviAt_ = 0;  // its movi LIST
    uint32_t framesInRiff_ = 0;
    bool riffOpen_ = true;  // false between a finished part and the next one's start
    uint64_t riffLimit_ = 0;
    uint64_t fileEnd_ = 0;         // where the last finished part ends
    std::vector<RiffPart> parts_;  // finished parts (OpenDML)
    uint64_t totalFrames_ = 0;
    uint32_t firstRiffFrames_ = 0;
    uint64_t preallocatedTo_ = 0;
    int lastError_ = 0;
    bool framesFailed_ = false;
    uint64_t droppedAtClose_ = 0;
    uint64_t closedSize_ = 0;
    uint32_t lastDrop_ = 0;
    std::vector<uint8_t> scratch_;  // index blocks, sized at open

    static std::atomic<uint64_t> riffLimitForTesting_;
};

}  // namespace kelvra

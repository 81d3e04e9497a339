// The frame ring: a staging buffer where frame bodies land, and up to eight slots that hold
// complete frames with their frame numbers and four header words.
//
// Threads: one writer (the transfer thread, or a single capture on the caller's thread while no
// transfer runs) and any number of readers. Each slot has a lock that a reader holds only while
// it copies that slot and the writer only while it fills it, so a reader never sees a torn
// frame. The writer never waits for a reader: when its slot is being read it fills the next free
// one instead. Allocation and release exclude readers and must run while no writer does.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <mutex>
#include <shared_mutex>

namespace kelvra {

// What ConfigureBuffers decided for the current readout window.
struct RingGeometry {
    uint32_t stagingSize = 0;  // bytes of the staging buffer and of every slot
    uint32_t frameSize = 0;    // bytes of one frame
    int32_t rowPixels = 0;     // pixels per row as the frame is copied out
    int32_t rows = 0;
    int32_t bytesPerPixel = 1;
    int32_t orientation = 0;    // sensor orientation code: decides the reversals on copy-out
    bool bottomUpRows = false;  // rows arrive bottom row first whatever the orientation code
};

// The four header words kept per slot: +28, +32, +40, +44.
using HeaderWords = std::array<int32_t, 4>;

// Where a frame stands in the stream, noted by the writer as it files the frame: how many
// frames the core has received up to this one, how many its camera skipped (gaps in the
// header's frame number) up to this one, and when it arrived (steady clock, nanoseconds).
struct FrameStamp {
    uint64_t sequence = 0;  // 0: not stamped
    uint64_t cameraGaps = 0;
    int64_t receivedNs = 0;
};

// A frame's number and header words as they leave the ring.
struct SlotInfo {
    int32_t frameNumber = 0;
    HeaderWords words{};
    FrameStamp stamp{};
};

class FrameRing {
  public:
    static constexpr int32_t kMaxDepth = 8;
    static constexpr int32_t kNoFrame = -1;
    static constexpr int32_t kNoWord = 0xFFFF;

    FrameRing() = default;
    FrameRing(const FrameRing&) = delete;
    FrameRing& operator=(const FrameRing&) = delete;

    bool Allocate(int32_t depth, const RingGeometry& geometry);
    void Release();

    // The staging buffer belongs to the writer; null before Allocate.
    uint8_t* Staging() const { return m_staging.get(); }
    uint32_t StagingSize() const { return m_geometry.stagingSize; }
    uint32_t FrameSize() const { return m_geometry.frameSize; }
    RingGeometry Geometry() const;

    int32_t Commit(int32_t slot, int32_t depth, int32_t frameNumber, const HeaderWords& words,
                   const FrameStamp& stamp = {});
    int32_t Put(int32_t slot, int32_t frameNumber, const HeaderWords& words,
                const FrameStamp& stamp = {});
    void StoreWords(int32_t slot, const HeaderWords& words);

    int32_t Copy(int32_t slot, uint8_t* out, uint32_t length, bool topDown, SlotInfo* info) const;
    uint8_t* SlotData(int32_t slot) const;

    // How a frame leaves the ring for a sensor orientation code and the caller's row order.
    struct CopyOrder {
        bool reverseRows;
        bool reversePixels;
    };
    static CopyOrder OrderFor(int32_t orientation, bool topDown, bool bottomUpRows = false);

  private:
    struct Slot {
        mutable std::mutex lock;  // held while the slot is filled or copied
        std::unique_ptr<uint8_t[]> data;
        int32_t frameNumber = kNoFrame;
        HeaderWords words{kNoWord, kNoWord, kNoWord, kNoWord};
        FrameStamp stamp{};
    };

    void Fill(Slot& slot, int32_t frameNumber, const HeaderWords& words, const FrameStamp& stamp);
    void CopyOut(const Slot& slot, uint8_t* out, bool reverseRows, bool reversePixels) const;
    static bool ValidSlot(int32_t slot) { return slot >= 0 && slot < kMaxDepth; }

    mutable std::shared_mutex m_layout;  // exclusive while buffers are (re)allocated
    RingGeometry m_geometry;             // guarded by m_layout
    std::unique_ptr<uint8_t[]> m_staging;
    std::array<Slot, kMaxDepth> m_slots;
};

}  // namespace kelvra

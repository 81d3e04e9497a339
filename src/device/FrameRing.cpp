#include "device/FrameRing.h"

#include <algorithm>
#include <cstring>
#include <new>

namespace kelvra {
namespace {

std::unique_ptr<uint8_t[]> AllocateBytes(uint32_t size) {
    return std::unique_ptr<uint8_t[]>(new (std::nothrow) uint8_t[size]);
}

// One row with its pixels in reverse order; pixels are 1 or 2 bytes.
void ReverseRow(const uint8_t* in, uint8_t* out, int32_t pixels, int32_t bytesPerPixel) {
    if (bytesPerPixel == 1) {
        std::reverse_copy(in, in + pixels, out);
        return;
    }
    // Whole samples through memcpy: alignment-safe, and g++ vectorises the reversal.
    for (int32_t i = 0; i < pixels; ++i) {
        uint16_t sample;
        std::memcpy(&sample, in + size_t(pixels - 1 - i) * 2, sizeof sample);
        std::memcpy(out + size_t(i) * 2, &sample, sizeof sample);
    }
}

}  // namespace

// Frees the old buffers, then allocates the staging buffer and `depth` slots of the staging
// size, each slot marked empty (frame number -1, header words 0xFFFF). Returns false when memory
// runs out; the buffers allocated so far stay, the rest are null. Not while a writer runs.
bool FrameRing::Allocate(int32_t depth, const RingGeometry& geometry) {
    std::unique_lock layout(m_layout);
    m_geometry = geometry;
    m_staging.reset();
    for (Slot& slot : m_slots) slot.data.reset();
    m_staging = AllocateBytes(geometry.stagingSize);
    if (!m_staging) return false;
    for (int32_t i = 0; i < std::clamp(depth, 0, kMaxDepth); ++i) {
        Slot& slot = m_slots[size_t(i)];
        slot.data = AllocateBytes(geometry.stagingSize);
        if (!slot.data) return false;
        slot.frameNumber = kNoFrame;
        slot.words = {kNoWord, kNoWord, kNoWord, kNoWord};
        slot.stamp = {};
    }
    return true;
}

// Frees every buffer and marks every slot empty; the geometry goes back to zero sizes. Not while
// a writer runs.
void FrameRing::Release() {
    std::unique_lock layout(m_layout);
    m_geometry = RingGeometry{};
    m_staging.reset();
    for (Slot& slot : m_slots) {
        slot.data.reset();
        slot.frameNumber = kNoFrame;
        slot.words = {kNoWord, kNoWord, kNoWord, kNoWord};
        slot.stamp = {};
    }
}

RingGeometry FrameRing::Geometry() const {
    std::shared_lock layout(m_layout);
    return m_geometry;
}

// Copies the frame in the staging buffer into slot `slot` with its number and header words.
// When a reader holds that slot, the next one of the ring's `depth` that is free takes the
// frame, so the writer never waits for a reader; only when every slot is being read does it
// wait for `slot`. Returns the slot filled, or -1 when the ring has no buffers. Writer thread.
int32_t FrameRing::Commit(int32_t slot, int32_t depth, int32_t frameNumber,
                          const HeaderWords& words, const FrameStamp& stamp) {
    std::shared_lock layout(m_layout);
    depth = std::clamp(depth, 1, kMaxDepth);
    if (!m_staging || slot < 0 || slot >= depth) return -1;
    for (int32_t k = 0; k < depth; ++k) {
        const int32_t candidate = (slot + k) % depth;
        Slot& s = m_slots[size_t(candidate)];
        if (!s.lock.try_lock()) continue;
        std::lock_guard held(s.lock, std::adopt_lock);
        if (!s.data) return -1;
        Fill(s, frameNumber, words, stamp);
        return candidate;
    }
    Slot& s = m_slots[size_t(slot)];
    std::lock_guard held(s.lock);
    if (!s.data) return -1;
    Fill(s, frameNumber, words, stamp);
    return slot;
}

// Fills exactly slot `slot`, waiting for a reader of it to finish. Returns the slot, or -1
// without buffers. For a capture made while no transfer thread runs.
int32_t FrameRing::Put(int32_t slot, int32_t frameNumber, const HeaderWords& words,
                       const FrameStamp& stamp) {
    if (!ValidSlot(slot)) return -1;
    std::shared_lock layout(m_layout);
    Slot& s = m_slots[size_t(slot)];
    std::lock_guard held(s.lock);
    if (!m_staging || !s.data) return -1;
    Fill(s, frameNumber, words, stamp);
    return slot;
}

void FrameRing::Fill(Slot& slot, int32_t frameNumber, const HeaderWords& words,
                     const FrameStamp& stamp) {
    std::memcpy(slot.data.get(), m_staging.get(), m_geometry.frameSize);
    slot.frameNumber = frameNumber;
    slot.words = words;
    slot.stamp = stamp;
}

// Stores header words in a slot without a frame (a counter-only read). Writer thread.
void FrameRing::StoreWords(int32_t slot, const HeaderWords& words) {
    if (!ValidSlot(slot)) return;
    std::shared_lock layout(m_layout);
    std::lock_guard held(m_slots[size_t(slot)].lock);
    m_slots[size_t(slot)].words = words;
}

// Sensors with orientation 2 or 4 deliver rows right to left; those with 3 or 4, and every
// frame with bottomUpRows, deliver the bottom row first. Rows go out in stored order when
// topDown matches the order the frame arrived in.
FrameRing::CopyOrder FrameRing::OrderFor(int32_t orientation, bool topDown, bool bottomUpRows) {
    const bool storedTopDown = !bottomUpRows && orientation != 3 && orientation != 4;
    return CopyOrder{topDown != storedTopDown, orientation == 2 || orientation == 4};
}

// Copies slot `slot` into `out` when `length` holds a whole frame, in the row order asked for
// (topDown) and with the reversals of the sensor's orientation, and returns its number and
// header words through `info` (optional). Returns 1, or 0 with nothing copied when the slot has
// no buffer or the frame does not fit. Any thread.
int32_t FrameRing::Copy(int32_t slot, uint8_t* out, uint32_t length, bool topDown,
                        SlotInfo* info) const {
    if (!ValidSlot(slot) || out == nullptr) return 0;
    std::shared_lock layout(m_layout);
    const Slot& s = m_slots[size_t(slot)];
    if (!s.data || m_geometry.frameSize == 0 || length < m_geometry.frameSize) return 0;
    const CopyOrder order = OrderFor(m_geometry.orientation, topDown, m_geometry.bottomUpRows);
    std::lock_guard held(s.lock);
    CopyOut(s, out, order.reverseRows, order.reversePixels);
    if (info != nullptr) *info = SlotInfo{s.frameNumber, s.words, s.stamp};
    return 1;
}

// Without a reversal the frame goes out as one block; otherwise row by row, never past the
// frame size.
void FrameRing::CopyOut(const Slot& slot, uint8_t* out, bool reverseRows,
                        bool reversePixels) const {
    const RingGeometry& g = m_geometry;
    const size_t rowBytes = size_t(std::max(g.rowPixels, 0)) * size_t(g.bytesPerPixel);
    if ((!reverseRows && !reversePixels) || rowBytes == 0) {
        std::memcpy(out, slot.data.get(), g.frameSize);
        return;
    }
    const int32_t rows =
        int32_t(std::min<size_t>(size_t(std::max(g.rows, 0)), g.frameSize / rowBytes));
    for (int32_t r = 0; r < rows; ++r) {
        const uint8_t* in = slot.data.get() + size_t(reverseRows ? rows - 1 - r : r) * rowBytes;
        uint8_t* to = out + size_t(r) * rowBytes;
        if (reversePixels) {
            ReverseRow(in, to, g.rowPixels, g.bytesPerPixel);
        } else {
            std::memcpy(to, in, rowBytes);
        }
    }
}

// The buffer of a slot, for callers that read it in place (no protection against the writer).
uint8_t* FrameRing::SlotData(int32_t slot) const {
    if (!ValidSlot(slot)) return nullptr;
    std::shared_lock layout(m_layout);
    return m_slots[size_t(slot)].data.get();
}

}  // namespace kelvra

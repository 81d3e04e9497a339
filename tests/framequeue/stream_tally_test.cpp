// The camera's 32-bit frame counter and clock carried past their wrap, and the losses a frame
// brings with it: cases an end-to-end run would take hours to reach.
#include <gtest/gtest.h>

#include "front/StreamTally.h"

namespace kelvra {
namespace {

constexpr uint64_t kWrap = uint64_t(1) << 32;
constexpr int64_t kNsPerUs = 1000;

struct Tally {
    StreamTally tally;
    uint64_t sequence = 0;
    int64_t hostNs = 1;

    Tally() { tally.Begin(TransferTally{}); }

    // A frame with header counter and timestamp, `hostUs` after the previous one; `skipped`
    // frames were filed in the ring before it and never processed.
    StreamTally::Identity Frame(uint32_t counter, uint32_t timeUs, int64_t hostUs,
                                uint64_t skipped = 0) {
        sequence += 1 + skipped;
        hostNs += hostUs * kNsPerUs;
        SlotInfo slot;
        slot.words = {int32_t(timeUs), int32_t(counter), 5000, 0xFFF};  // -1/8 degree
        slot.stamp = FrameStamp{sequence, 0, hostNs};
        StreamTally::Identity id;
        EXPECT_TRUE(tally.Count(slot, &id));
        return id;
    }
};

TEST(StreamTally, CounterAndClockRunOnPastTheirWrap) {
    Tally t;
    EXPECT_EQ(t.Frame(0xFFFFFFFE, 0xFFFFF000, 0).frameCounter, 0xFFFFFFFEu);
    const StreamTally::Identity next = t.Frame(0x00000001, 0x00000F00, 0x1F00);
    EXPECT_EQ(next.frameCounter, kWrap + 1);
    EXPECT_EQ(next.timestampUs, uint64_t(0xFFFFF000) + 0x1F00);
    EXPECT_EQ(next.exposureUs, 5000u);
    EXPECT_EQ(next.temperatureMilliC, -125);
    // Two whole wraps of the camera's clock between frames (a trigger after 2.4 hours): the
    // host's clock tells them from a short step.
    const uint64_t before = next.timestampUs;
    EXPECT_EQ(t.Frame(0x00000002, 0x00001000, int64_t(2 * kWrap) + 0x100).timestampUs,
              before + 2 * kWrap + 0x100);
}

TEST(StreamTally, CounterThatStepsBackStillRisesAndRingDropsAreLost) {
    Tally t;
    t.Frame(1000, 0, 0);
    // A camera that restarted its count: the low 32 bits stay the camera's.
    EXPECT_EQ(t.Frame(3, 100, 100).frameCounter, kWrap + 3);
    EXPECT_EQ(t.Frame(6, 200, 100, 2).lostBefore, 2u);
    SlotInfo seen;
    seen.stamp.sequence = t.sequence;
    StreamTally::Identity id;
    EXPECT_FALSE(t.tally.Count(seen, &id)) << "a frame handed on once is not handed on again";
    const StreamTally::Counts counts = t.tally.Read(TransferTally{t.sequence});
    EXPECT_EQ(counts.processed, 3u);
    EXPECT_EQ(counts.droppedInRing, 2u);
    EXPECT_EQ(counts.device.received, counts.processed + counts.droppedInRing);
}

}  // namespace
}  // namespace kelvra

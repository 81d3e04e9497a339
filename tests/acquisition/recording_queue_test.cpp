// The hand-off of converted recording frames to the writer thread.
#include <gtest/gtest.h>

#include <array>
#include <future>
#include <mutex>
#include <vector>

#include "front/RecordingQueue.h"

namespace kelvra {
namespace {

constexpr int32_t kSlots = 3;

// Slots hold frame numbers; the writer waits for `gate` before its first write and fails its
// write number `failAt` (from 1).
struct Recording {
    std::shared_future<void> gate;
    int failAt = 0;
    std::array<int, kSlots> slots{};
    std::mutex lock;
    std::vector<int> written;
    RecordingQueue queue;

    bool Write(int32_t slot) {
        gate.wait();
        std::lock_guard<std::mutex> hold(lock);
        written.push_back(slots[static_cast<size_t>(slot)]);
        return static_cast<int>(written.size()) != failAt;
    }
    // Fills a slot with `frame` (waiting for one with `wait`); false when none was had.
    bool Put(int frame, bool wait) {
        const int32_t slot = !wait || queue.WaitForFreeSlot() ? queue.TakeFreeSlot() : -1;
        if (slot < 0) return false;
        slots[static_cast<size_t>(slot)] = frame;
        queue.Submit(slot);
        return true;
    }
};

// A filler far ahead of a stalled writer uses up the slots and is told so, never overwrites
// one still waiting; once the writer moves, every frame reaches it in order before Finish.
TEST(RecordingQueue, StalledWriterLosesNoFrameAndKeepsTheirOrder) {
    std::promise<void> open;
    Recording r;
    r.gate = open.get_future().share();
    ASSERT_TRUE(r.queue.Start(
        kSlots, [&](int32_t slot) { return r.Write(slot); }, nullptr));
    for (int frame = 0; frame < kSlots; ++frame) ASSERT_TRUE(r.Put(frame, false)) << frame;
    EXPECT_FALSE(r.Put(99, false)) << "every slot waits for the writer";
    open.set_value();
    for (int frame = kSlots; frame < 10; ++frame) ASSERT_TRUE(r.Put(frame, true)) << frame;
    r.queue.Finish();
    EXPECT_EQ(r.written, (std::vector<int>{0, 1, 2, 3, 4, 5, 6, 7, 8, 9}));
    EXPECT_FALSE(r.queue.Failed());
}

// After a failed write (a full disk) nothing more is written, a filler waiting for a slot is
// let go instead of waiting for ever, and the next recording starts clean.
TEST(RecordingQueue, FailedWriteStopsWritingAndReleasesAWaitingFiller) {
    std::promise<void> open;
    open.set_value();
    Recording r;
    r.gate = open.get_future().share();
    r.failAt = 2;
    ASSERT_TRUE(r.queue.Start(
        kSlots, [&](int32_t slot) { return r.Write(slot); }, nullptr));
    int frame = 0;
    while (r.Put(frame, true)) ASSERT_LT(++frame, 100) << "the failure never reached the filler";
    EXPECT_TRUE(r.queue.Failed());
    r.queue.Finish();
    EXPECT_EQ(r.written, (std::vector<int>{0, 1}));
    ASSERT_TRUE(r.queue.Start(
        kSlots, [](int32_t) { return true; }, nullptr));
    EXPECT_FALSE(r.queue.Failed());
    EXPECT_TRUE(r.Put(0, false));
    r.queue.Finish();
}

}  // namespace
}  // namespace kelvra

// The hand-off of converted recording frames to the writer thread.
#include <gtest/gtest.h>

#include <array>
#include <condition_variable>
#include <mutex>
#include <vector>

#include "front/RecordingQueue.h"

namespace kelvra {
namespace {

constexpr int32_t kSlots = 3;

int32_t WaitAndTake(RecordingQueue& queue) {
    return queue.WaitForFreeSlot() ? queue.TakeFreeSlot() : -1;
}

// A writer that records which frame each slot held, and holds its first write until opened.
class GatedWriter {
  public:
    bool Write(int32_t slot) {
        std::unique_lock<std::mutex> hold(lock_);
        opened_.wait(hold, [this] { return open_; });
        written_.push_back(contents_[static_cast<size_t>(slot)]);
        return failAt_ < 0 || static_cast<int>(written_.size()) < failAt_;
    }
    void Open() {
        {
            std::lock_guard<std::mutex> hold(lock_);
            open_ = true;
        }
        opened_.notify_all();
    }
    // The filler's side: what it puts into a slot before submitting it.
    void Fill(int32_t slot, int frame) { contents_[static_cast<size_t>(slot)] = frame; }
    std::vector<int> Written() {
        std::lock_guard<std::mutex> hold(lock_);
        return written_;
    }
    int failAt_ = -1;  // the write (counted from 1) that fails

  private:
    std::mutex lock_;
    std::condition_variable opened_;
    bool open_ = false;
    std::array<int, kSlots> contents_{};
    std::vector<int> written_;
};

// A filler far ahead of a stalled writer uses up the slots and is told so, never overwrites
// one still waiting; once the writer moves, every frame reaches it in order before Finish
// returns.
TEST(RecordingQueue, StalledWriterLosesNoFrameAndKeepsTheirOrder) {
    GatedWriter writer;
    RecordingQueue queue;
    ASSERT_TRUE(queue.Start(
        kSlots, [&](int32_t slot) { return writer.Write(slot); }, nullptr));
    int frame = 0;
    for (; frame < kSlots; ++frame) {
        const int32_t slot = queue.TakeFreeSlot();
        ASSERT_GE(slot, 0) << frame;
        writer.Fill(slot, frame);
        queue.Submit(slot);
    }
    // The writer holds one slot in its stalled write or has not taken it yet: none is free.
    EXPECT_EQ(queue.TakeFreeSlot(), -1);
    writer.Open();
    for (; frame < 10; ++frame) {
        const int32_t slot = WaitAndTake(queue);
        ASSERT_GE(slot, 0) << frame;
        writer.Fill(slot, frame);
        queue.Submit(slot);
    }
    queue.Finish();
    EXPECT_EQ(writer.Written(), (std::vector<int>{0, 1, 2, 3, 4, 5, 6, 7, 8, 9}));
    EXPECT_FALSE(queue.Failed());
    EXPECT_FALSE(queue.Running());
}

// After a failed write (a full disk) nothing more is written, and a filler waiting for a slot
// is let go instead of waiting for ever.
TEST(RecordingQueue, FailedWriteStopsWritingAndReleasesAWaitingFiller) {
    GatedWriter writer;
    writer.failAt_ = 2;
    writer.Open();
    RecordingQueue queue;
    ASSERT_TRUE(queue.Start(
        kSlots, [&](int32_t slot) { return writer.Write(slot); }, nullptr));
    int32_t slot = 0;
    for (int frame = 0; (slot = WaitAndTake(queue)) >= 0; ++frame) {
        ASSERT_LT(frame, 100) << "the failure never reached the filler";
        writer.Fill(slot, frame);
        queue.Submit(slot);
    }
    EXPECT_TRUE(queue.Failed());
    queue.Finish();
    EXPECT_EQ(writer.Written(), (std::vector<int>{0, 1}));
    // A new recording starts clean.
    ASSERT_TRUE(queue.Start(
        kSlots, [](int32_t) { return true; }, nullptr));
    EXPECT_FALSE(queue.Failed());
    EXPECT_GE(queue.TakeFreeSlot(), 0);
    queue.Finish();
}

}  // namespace
}  // namespace kelvra

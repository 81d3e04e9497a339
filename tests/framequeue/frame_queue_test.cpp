// Owned frames as applications use them: beside the messages and the caller buffer, with a
// slow consumer, from an event loop, across stops, mode changes, unplugging and release.
#include <future>
#include <vector>

#include "framequeue/FrameQueueFixture.h"

namespace kelvra::test {
namespace {

constexpr int kFrameBytes8 = 1280 * 1024;

TEST_F(FrameQueueTest, CountersRiseAndEveryGapIsCountedLostBesideMessagesAndCallerBuffer) {
    std::vector<uint8_t> callerBuffer(kFrameBytes8);
    ASSERT_EQ(Kelvra_OpenFrameQueue(handle_, 4), 1);
    ASSERT_EQ(Kelvra_CallBackPreview(handle_, window_, callerBuffer.data(), kFrameBytes8, 1), 1);
    uint64_t previous = 0, lostSum = 0;
    for (int i = 0; i < 24; ++i) {
        // Failed reads midway: the frames they carried are gaps the camera's counter shows.
        if (i == 8) camera_->failBodyReads(2);
        const KELVRA_FRAME frame = Take();
        ASSERT_EQ(frame.status, KELVRA_FRAME_OK) << "frame " << i;
        EXPECT_EQ(frame.width, 1280);
        EXPECT_EQ(frame.bitsPerPixel, 8);
        EXPECT_EQ(frame.bytes, uint64_t(frame.rowStride) * 1024);
        EXPECT_TRUE(HoldsPattern(frame)) << "frame " << frame.frameCounter;
        if (i > 0) {
            ASSERT_GT(frame.frameCounter, previous);
            EXPECT_EQ(frame.lost, frame.frameCounter - previous - 1);
        }
        lostSum += i > 0 ? frame.lost : 0;
        previous = frame.frameCounter;
        ASSERT_EQ(Kelvra_ReleaseFrame(handle_, &frame), 1);
    }
    // The messages and the caller buffer went on meanwhile.
    ASSERT_NE(NextFrame(), nullptr);
    ASSERT_EQ(Kelvra_StopPreview(handle_), 1);
    EXPECT_TRUE(failures_.empty());
    const KELVRA_STREAM_STATS stats = Stats();
    EXPECT_EQ(stats.failedTransfers, 2u);
    EXPECT_EQ(stats.resyncs, 2u);
    EXPECT_GE(stats.lostInCamera, 1u) << "the failed reads' frames";
    EXPECT_GE(lostSum, stats.lostInCamera > 0 ? 1u : 0u);
    EXPECT_GE(stats.droppedQueueFull + stats.droppedInRing + stats.lostInCamera, lostSum);
    EXPECT_GE(stats.framesProcessed, 24u);
    EXPECT_LE(stats.framesProcessed + stats.droppedInRing, stats.framesReceived);
    EXPECT_GE(stats.lastFrameCounter, previous);
    EXPECT_EQ(stats.cameraLost, 0u);
}

TEST_F(FrameQueueTest, SlowConsumerLosesCountedFramesAndHeldFramesNeverChange) {
    ASSERT_EQ(Kelvra_OpenFrameQueue(handle_, 2), 1);
    ASSERT_EQ(Kelvra_Preview(handle_), 1);
    const KELVRA_FRAME first = Take(), second = Take();
    ASSERT_EQ(second.status, KELVRA_FRAME_OK);
    const std::vector<uint8_t> copy(static_cast<const uint8_t*>(first.data),
                                    static_cast<const uint8_t*>(first.data) + first.bytes);
    // Every buffer is held: later frames are dropped and counted, never written over these.
    while (Stats().droppedQueueFull < 3) Take(50);
    EXPECT_EQ(std::memcmp(first.data, copy.data(), copy.size()), 0);
    EXPECT_TRUE(HoldsPattern(first));
    EXPECT_TRUE(HoldsPattern(second));
    EXPECT_EQ(Stats().framesHeld, 2);
    ASSERT_EQ(Kelvra_ReleaseFrame(handle_, &first), 1);
    const KELVRA_FRAME next = Take();
    ASSERT_EQ(next.status, KELVRA_FRAME_OK);
    EXPECT_TRUE(HoldsPattern(next));
    EXPECT_GE(next.lost, 3u);
    EXPECT_EQ(next.lost, next.frameCounter - second.frameCounter - 1);
    EXPECT_EQ(Kelvra_ReleaseFrame(handle_, &second), 1);
    EXPECT_EQ(Kelvra_ReleaseFrame(handle_, &next), 1);
}

TEST_F(FrameQueueTest, FdIsReadablePerTriggeredFrameQuietAfterDrainAndAtTheStop) {
    ASSERT_EQ(Kelvra_OpenFrameQueue(handle_, 3), 1);
    EXPECT_TRUE(Readable(0)) << "nothing runs yet: a wait would answer STOPPED at once";
    ASSERT_EQ(Kelvra_Trigger(handle_, nullptr, nullptr, 0, 1), 1);
    EXPECT_FALSE(Readable(300)) << "no trigger, no frame";
    uint64_t previous = 0;
    for (int trigger = 0; trigger < 3; ++trigger) {
        ASSERT_TRUE(camera_->fireTrigger());
        ASSERT_TRUE(Readable(kFrameWaitMs)) << "trigger " << trigger;
        const KELVRA_FRAME frame = Take(0);
        ASSERT_EQ(frame.status, KELVRA_FRAME_OK);
        EXPECT_TRUE(HoldsPattern(frame));
        EXPECT_GT(frame.frameCounter, previous);
        previous = frame.frameCounter;
        EXPECT_FALSE(Readable(0)) << "drained";
        EXPECT_EQ(Take(0).status, KELVRA_FRAME_TIMEOUT);
        EXPECT_EQ(Kelvra_ReleaseFrame(handle_, &frame), 1);
    }
    ASSERT_EQ(Kelvra_StopPreview(handle_), 1);
    EXPECT_TRUE(Readable(0));
    EXPECT_EQ(Take(0).status, KELVRA_FRAME_STOPPED);
}

// Each way an acquisition ends wakes a waiter blocked on an empty queue (every buffer held) with
// its reason; the held frames stay readable afterwards and are given back once.
TEST_F(FrameQueueTest, StopCloseUnplugAndReleaseWakeABlockedWaiterWithTheirReason) {
    enum class End { Stop, Close, Unplug, Release };
    const std::pair<End, int> ends[] = {{End::Stop, KELVRA_FRAME_STOPPED},
                                        {End::Close, KELVRA_FRAME_CLOSED},
                                        {End::Unplug, KELVRA_FRAME_CAMERA_LOST},
                                        {End::Release, KELVRA_FRAME_RELEASED}};
    for (const auto& [end, reason] : ends) {
        ASSERT_EQ(Kelvra_OpenFrameQueue(handle_, 2), 1);
        ASSERT_EQ(Kelvra_Preview(handle_), 1);
        const KELVRA_FRAME held[] = {Take(), Take()};
        auto waiter = std::async(std::launch::async, [this] { return Take(); });
        Pause(50);
        const int handle = handle_;
        switch (end) {
            case End::Stop:
                ASSERT_EQ(Kelvra_StopPreview(handle_), 1);
                break;
            case End::Close:
                ASSERT_EQ(Kelvra_CloseFrameQueue(handle_), 1);
                break;
            case End::Unplug:
                camera_->unplug();
                break;
            case End::Release:
                ASSERT_EQ(Kelvra_Release(handle_), 1);
                handle_ = 0;
                break;
        }
        const KELVRA_FRAME woken = waiter.get();
        EXPECT_EQ(woken.status, reason) << "end " << int(end);
        EXPECT_EQ(woken.data, nullptr);
        for (const KELVRA_FRAME& frame : held) {
            EXPECT_TRUE(HoldsPattern(frame)) << "end " << int(end);
            EXPECT_EQ(Kelvra_ReleaseFrame(handle, &frame), 1);
            EXPECT_EQ(Kelvra_ReleaseFrame(handle, &frame), 0) << "given back twice";
        }
        if (end == End::Unplug) {
            const KELVRA_STREAM_STATS stats = Stats();
            EXPECT_EQ(stats.cameraLost, 1u);
            // A camera found gone ends the retries at once: one failed read is enough.
            EXPECT_GE(stats.failedTransfers, 1u);
            camera_->replug();  // the same path: the next start finds it again
        }
        if (handle_ != 0) {
            ASSERT_EQ(Kelvra_Close(handle_), 1);
            ASSERT_EQ(Kelvra_CloseFrameQueue(handle_), 1);
        }
    }
}

// This camera reads its whole sensor; subsampling is how its frames change size.
TEST_F(FrameQueueTest, ColourModeAndFrameSizeChangesResizeTheBuffersAtTheNextStart) {
    ASSERT_EQ(Kelvra_OpenFrameQueue(handle_, 3), 1);
    ASSERT_EQ(Kelvra_SetSubSample(handle_, 1), 1);
    ASSERT_EQ(Kelvra_Preview(handle_), 1);
    const KELVRA_FRAME small = Take();
    ASSERT_EQ(small.status, KELVRA_FRAME_OK);
    EXPECT_EQ(small.width, 640);
    EXPECT_EQ(small.height, 512);
    ASSERT_EQ(Kelvra_StopPreview(handle_), 1);
    // Larger and deeper frames: the free buffers grow at the start, the held one when it is
    // given back; three frames held at once show that every buffer fits them.
    ASSERT_EQ(Kelvra_SetColorMode(handle_, 16), 1);
    ASSERT_EQ(Kelvra_SetSubSample(handle_, 0), 1);
    ASSERT_EQ(Kelvra_Preview(handle_), 1);
    const KELVRA_FRAME first = Take(), second = Take();
    ASSERT_EQ(second.status, KELVRA_FRAME_OK);
    EXPECT_TRUE(HoldsPattern(small)) << "held across the restart";
    ASSERT_EQ(Kelvra_ReleaseFrame(handle_, &small), 1);
    const KELVRA_FRAME third = Take();
    ASSERT_EQ(third.status, KELVRA_FRAME_OK);
    for (const KELVRA_FRAME& frame : {first, second, third}) {
        EXPECT_EQ(frame.bitsPerPixel, 16);
        EXPECT_EQ(frame.rowStride, 2560);
        EXPECT_TRUE(HoldsPattern(frame)) << frame.frameCounter;
        EXPECT_EQ(Kelvra_ReleaseFrame(handle_, &frame), 1);
    }
    EXPECT_EQ(Stats().framesDelivered, 3u) << "counted from the last start";
}

TEST_F(FrameQueueTest, SnapshotsAreQueuedAndAnIdleSnapshotEndsItsStream) {
    ASSERT_EQ(Kelvra_OpenFrameQueue(handle_, 4), 1);
    EXPECT_EQ(Take(0).status, KELVRA_FRAME_STOPPED);
    ASSERT_EQ(Kelvra_SnapShot(handle_, nullptr, 0, 1), 1);
    const KELVRA_FRAME single = Take(0);
    EXPECT_TRUE(HoldsPattern(single));
    EXPECT_EQ(Take(0).status, KELVRA_FRAME_STOPPED);
    ASSERT_EQ(Kelvra_Capture(handle_), 1);
    ASSERT_EQ(Kelvra_SnapShot(handle_, nullptr, 0, 1), 1);
    ASSERT_EQ(Kelvra_SnapShot(handle_, nullptr, 0, 1), 1);
    const KELVRA_FRAME a = Take(0), b = Take(0);
    EXPECT_GT(b.frameCounter, a.frameCounter);
    EXPECT_EQ(Take(0).status, KELVRA_FRAME_TIMEOUT) << "capturing: more may come";
    EXPECT_EQ(Stats().framesProcessed, 2u) << "counted from Kelvra_Capture";
    EXPECT_EQ(Stats().framesHeld, 3);
    ASSERT_EQ(Kelvra_StopPreview(handle_), 1);
    EXPECT_EQ(Take(0).status, KELVRA_FRAME_STOPPED);
    for (const KELVRA_FRAME& frame : {single, a, b}) {
        EXPECT_EQ(Kelvra_ReleaseFrame(handle_, &frame), 1);
    }
}

TEST_F(FrameQueueTest, BadCallsAreRefusedWithTheirCodesAndFreeNothing) {
    KELVRA_FRAME frame = Record();
    EXPECT_EQ(Kelvra_GetFrameQueueFd(handle_), -1);
    EXPECT_EQ(DrainErrors(), std::vector<int>{KELVRA_ERR_NO_CAMERA});
    EXPECT_EQ(Kelvra_WaitFrame(handle_, &frame, 0), 0);
    EXPECT_EQ(frame.status, KELVRA_FRAME_CLOSED);
    for (int count : {1, 65}) EXPECT_EQ(Kelvra_OpenFrameQueue(handle_, count), 0);
    ASSERT_EQ(Kelvra_OpenFrameQueue(handle_, 2), 1);
    EXPECT_EQ(Kelvra_OpenFrameQueue(handle_, 2), 0);
    EXPECT_EQ(DrainErrors(),
              (std::vector<int>{KELVRA_ERR_NO_CAMERA, KELVRA_ERR_PARAMETER, KELVRA_ERR_PARAMETER}));

    ASSERT_EQ(Kelvra_Preview(handle_), 1);
    const KELVRA_FRAME taken = Take();
    ASSERT_EQ(taken.status, KELVRA_FRAME_OK);
    KELVRA_FRAME forged = taken;
    ++forged.token;
    KELVRA_FRAME shortRecord = Record();
    shortRecord.size = 8;
    KELVRA_STREAM_STATS shortStats{};
    shortStats.size = 8;
    EXPECT_EQ(Kelvra_WaitFrame(handle_, nullptr, 0), 0);
    EXPECT_EQ(Kelvra_WaitFrame(handle_, &shortRecord, 0), 0);
    EXPECT_EQ(shortRecord.status, KELVRA_FRAME_BAD_RECORD);
    EXPECT_EQ(Kelvra_ReleaseFrame(handle_, nullptr), 0);
    EXPECT_EQ(Kelvra_ReleaseFrame(handle_, &forged), 0);
    EXPECT_EQ(Kelvra_GetStreamStatistics(handle_, nullptr), 0);
    EXPECT_EQ(Kelvra_GetStreamStatistics(handle_, &shortStats), 0);
    EXPECT_EQ(DrainErrors(), std::vector<int>(6, KELVRA_ERR_PARAMETER));
    EXPECT_TRUE(HoldsPattern(taken)) << "a refused release frees nothing";
    EXPECT_EQ(Kelvra_ReleaseFrame(handle_, &taken), 1);
    EXPECT_EQ(Kelvra_ReleaseFrame(handle_, &taken), 0);
    EXPECT_EQ(Kelvra_GetLastError(handle_), KELVRA_ERR_PARAMETER);

    const int unknown = handle_ + 1;
    EXPECT_EQ(Kelvra_WaitFrame(unknown, &frame, 0), 0);
    EXPECT_EQ(frame.status, KELVRA_FRAME_RELEASED);
    EXPECT_EQ(Kelvra_ReleaseFrame(unknown, &taken), 0);
    EXPECT_EQ(Kelvra_GetFrameQueueFd(unknown), -1);
    EXPECT_EQ(Kelvra_OpenFrameQueue(unknown, 2), 0);
}

}  // namespace
}  // namespace kelvra::test

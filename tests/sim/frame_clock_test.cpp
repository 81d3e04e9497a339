// Frame timing on synthetic time: no test here waits.
#include <gtest/gtest.h>

#include "sim/FrameClock.h"

namespace kelvra::sim {
namespace {

using namespace std::chrono_literals;
using Clock = FrameClock::Clock;

class FrameClockTest : public ::testing::Test {
  protected:
    void SetUp() override {
        clock.powerOn(t0);
        clock.configure(FrameClock::Mode::FreeRunning, 10ms, t0);
    }
    Clock::time_point t0 = Clock::time_point(1h);
    FrameClock clock;
};

TEST_F(FrameClockTest, FreeRunningCompletesOneFramePerPeriod) {
    EXPECT_EQ(clock.completed(t0 + 9ms), 0u);
    EXPECT_EQ(clock.completed(t0 + 10ms), 1u);
    EXPECT_EQ(clock.completed(t0 + 35ms), 3u);
}

TEST_F(FrameClockTest, NextIsTheNewestUndeliveredFrameOrTheNextDue) {
    FrameClock::Next n = clock.next(t0 + 5ms);
    EXPECT_FALSE(n.ready);
    EXPECT_EQ(n.due, t0 + 10ms);
    n = clock.next(t0 + 35ms);
    ASSERT_TRUE(n.ready);
    EXPECT_EQ(n.number, 3u);  // frames 1 and 2 were never asked for
    clock.delivered(3);
    n = clock.next(t0 + 36ms);
    EXPECT_FALSE(n.ready);
    EXPECT_EQ(n.due, t0 + 40ms);
}

TEST_F(FrameClockTest, StaleFramesAreSkipped) {
    clock.markStale(t0 + 25ms);  // frames 1, 2 done before the change
    EXPECT_FALSE(clock.next(t0 + 29ms).ready);
    FrameClock::Next n = clock.next(t0 + 30ms);
    ASSERT_TRUE(n.ready);
    EXPECT_EQ(n.number, 3u);
}

TEST_F(FrameClockTest, NewPeriodRestartsTheFrameInProgress) {
    clock.configure(FrameClock::Mode::FreeRunning, 100ms, t0 + 15ms);
    EXPECT_EQ(clock.completed(t0 + 15ms), 1u);
    FrameClock::Next n = clock.next(t0 + 16ms);
    EXPECT_FALSE(n.ready);
    EXPECT_EQ(n.due, t0 + 115ms);
}

TEST_F(FrameClockTest, StoppedNeverCompletes) {
    clock.configure(FrameClock::Mode::Stopped, 10ms, t0);
    EXPECT_TRUE(clock.next(t0 + 1h).never);
    EXPECT_FALSE(clock.trigger(1ms, t0));
}

TEST_F(FrameClockTest, TriggeredCompletesOneFrameAfterEachAcceptedTrigger) {
    clock.configure(FrameClock::Mode::Triggered, 20ms, t0);
    EXPECT_TRUE(clock.next(t0 + 1h).never);
    ASSERT_TRUE(clock.trigger(20ms, t0 + 5ms));
    EXPECT_FALSE(clock.trigger(20ms, t0 + 6ms));  // busy: ignored
    FrameClock::Next n = clock.next(t0 + 10ms);
    EXPECT_FALSE(n.ready);
    EXPECT_EQ(n.due, t0 + 25ms);
    n = clock.next(t0 + 25ms);
    ASSERT_TRUE(n.ready);
    EXPECT_EQ(n.number, 1u);
    clock.delivered(1);
    EXPECT_TRUE(clock.next(t0 + 30ms).never);
    EXPECT_TRUE(clock.trigger(20ms, t0 + 30ms));
}

TEST_F(FrameClockTest, UnpacedMakesAFrameWheneverAsked) {
    clock.setPaced(false, t0);
    FrameClock::Next n = clock.next(t0);
    ASSERT_TRUE(n.ready);
    EXPECT_EQ(n.number, 1u);
    clock.delivered(1);
    n = clock.next(t0);
    ASSERT_TRUE(n.ready);
    EXPECT_EQ(n.number, 2u);
    EXPECT_EQ(clock.completed(t0 + 1h), 2u);
}

TEST_F(FrameClockTest, BackToPacedContinuesFromNow) {
    clock.setPaced(false, t0);
    clock.delivered(clock.next(t0).number);
    clock.setPaced(true, t0 + 1h);
    EXPECT_EQ(clock.completed(t0 + 1h + 5ms), 1u);
    EXPECT_EQ(clock.completed(t0 + 1h + 10ms), 2u);
}

}  // namespace
}  // namespace kelvra::sim

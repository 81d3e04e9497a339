#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>
#include <vector>

#include "platform/Clock.h"
#include "platform/Event.h"

namespace kelvra::platform {
namespace {

TEST(Clock, TicksBetweenSurvivesTheWrap) {
    EXPECT_EQ(TicksBetween(0xFFFFFFF0u, 0x00000010u), 0x20u);
    EXPECT_EQ(TicksBetween(0xFFFFFFFFu, 0u), 1u);
    EXPECT_EQ(TicksBetween(100u, 250u), 150u);
    EXPECT_EQ(TicksBetween(7u, 7u), 0u);
}

TEST(Event, AutoResetReleasesOnceThenResets) {
    Event event(false);
    EXPECT_FALSE(event.Wait(0));
    event.Set();
    EXPECT_TRUE(event.Wait(0));
    EXPECT_FALSE(event.Wait(0));
    // Setting a signalled event changes nothing: two sets, one release.
    event.Set();
    event.Set();
    EXPECT_TRUE(event.Wait(0));
    EXPECT_FALSE(event.Wait(0));
}

TEST(Event, ManualResetStaysSignalledUntilReset) {
    Event event(true);
    event.Set();
    EXPECT_TRUE(event.Wait(0));
    EXPECT_TRUE(event.Wait(10));
    event.Reset();
    EXPECT_FALSE(event.Wait(0));
}

TEST(Event, InitialStateAndTimeout) {
    Event set(false, true);
    EXPECT_TRUE(set.Wait(0));
    Event unset(true, false);
    EXPECT_FALSE(unset.Wait(20));
    set.Reset();
    EXPECT_FALSE(set.Wait(5));
}

// Waits (bounded) until `count` reaches `target`.
bool AwaitCount(const std::atomic<int>& count, int target) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (count.load() < target) {
        if (std::chrono::steady_clock::now() > deadline) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return true;
}

TEST(Event, AutoResetReleasesOneWaiterPerSet) {
    constexpr int kWaiters = 4;
    Event event(false);
    std::atomic<int> released{0};
    std::vector<std::thread> waiters;
    for (int i = 0; i < kWaiters; ++i) {
        waiters.emplace_back([&] {
            if (event.Wait(-1)) released.fetch_add(1);
        });
    }
    for (int set = 1; set <= kWaiters; ++set) {
        event.Set();
        ASSERT_TRUE(AwaitCount(released, set));
        // Give a wrongly released second waiter the chance to show itself.
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
        EXPECT_EQ(released.load(), set);
    }
    for (auto& waiter : waiters) waiter.join();
    EXPECT_FALSE(event.Wait(0));
}

TEST(Event, ManualResetReleasesEveryWaiter) {
    constexpr int kWaiters = 4;
    Event event(true);
    std::atomic<int> released{0};
    std::vector<std::thread> waiters;
    for (int i = 0; i < kWaiters; ++i) {
        waiters.emplace_back([&] {
            if (event.Wait(-1)) released.fetch_add(1);
        });
    }
    event.Set();
    for (auto& waiter : waiters) waiter.join();
    EXPECT_EQ(released.load(), kWaiters);
    EXPECT_TRUE(event.Wait(0));
}

}  // namespace
}  // namespace kelvra::platform

#include <gtest/gtest.h>

#include <thread>
#include <vector>

#include "front/ErrorHistory.h"

namespace kelvra {
namespace {

TEST(ErrorHistory, KeepsTwentyNewestFirstThenZeros) {
    ErrorHistory history;
    EXPECT_EQ(history.Pop(), 0);
    for (int32_t code = 1; code <= 25; ++code) history.Push(code);
    for (int32_t expected = 25; expected > 5; --expected) EXPECT_EQ(history.Pop(), expected);
    EXPECT_EQ(history.Pop(), 0);
    EXPECT_EQ(history.Pop(), 0);
    // Refills cleanly after being emptied, including code 0 pushed as a success marker.
    history.Push(0);
    history.Push(7);
    EXPECT_EQ(history.Pop(), 7);
    EXPECT_EQ(history.Pop(), 0);
}

TEST(ErrorHistory, ConcurrentPushAndPopLoseNothingBeyondTheDepth) {
    ErrorHistory history;
    constexpr int kPerThread = 2000;
    std::thread pusherA([&] {
        for (int i = 0; i < kPerThread; ++i) history.Push(1);
    });
    std::thread pusherB([&] {
        for (int i = 0; i < kPerThread; ++i) history.Push(2);
    });
    int popped = 0;
    for (int i = 0; i < kPerThread; ++i) {
        const int32_t code = history.Pop();
        EXPECT_TRUE(code == 0 || code == 1 || code == 2) << code;
        popped += code != 0;
    }
    pusherA.join();
    pusherB.join();
    int left = 0;
    while (history.Pop() != 0) ++left;
    EXPECT_LE(left, ErrorHistory::kDepth);
    EXPECT_GT(popped + left, 0);
}

}  // namespace
}  // namespace kelvra

// Handles issued and released on some threads while others call into them, including into the
// very handle being released. Bounded in count; the sanitizers judge the rest.
#include <gtest/gtest.h>

#include <array>
#include <atomic>
#include <thread>
#include <vector>

#include "KelvraSdk.h"
#include "support/TempConfigHome.h"

namespace {

constexpr int kSlots = 8;
constexpr int kRoundsPerCreator = 40;
constexpr int kCreators = 2;
constexpr int kCallers = 3;

TEST(HandleConcurrency, InitialiseReleaseAndCallsRaceSafely) {
    kelvra::test::TempConfigHome config;
    std::array<std::atomic<int>, kSlots> slots{};
    std::atomic<int> issued{0};
    std::atomic<int> released{0};
    std::atomic<bool> creatorsDone{false};

    auto creator = [&](int first) {
        for (int round = 0; round < kRoundsPerCreator; ++round) {
            const int handle = Kelvra_Initialize(nullptr);
            if (handle == 0) continue;
            issued.fetch_add(1);
            std::atomic<int>& slot = slots[(first + round) % kSlots];
            const int previous = slot.exchange(handle);
            if (previous != 0 && Kelvra_Release(previous) == 1) released.fetch_add(1);
        }
    };
    auto caller = [&](int seed) {
        char text[64];
        for (int i = seed; !creatorsDone.load(); ++i) {
            const int handle = slots[i % kSlots].load();
            Kelvra_SendText(handle, nullptr, 0);
            Kelvra_GetDeviceName(handle, 0, text, sizeof text);
            Kelvra_GetLastError(handle);
            // Callers release too, so two releases of one handle can meet.
            if (i % 17 == 0 && Kelvra_Release(handle) == 1) released.fetch_add(1);
        }
    };

    std::vector<std::thread> threads;
    for (int c = 0; c < kCallers; ++c) threads.emplace_back(caller, c * 3);
    std::vector<std::thread> creators;
    for (int c = 0; c < kCreators; ++c) creators.emplace_back(creator, c * 4);
    for (auto& t : creators) t.join();
    creatorsDone = true;
    for (auto& t : threads) t.join();

    for (auto& slot : slots) {
        const int handle = slot.exchange(0);
        if (handle != 0 && Kelvra_Release(handle) == 1) released.fetch_add(1);
    }
    // Every issued handle was released exactly once, whoever got there first.
    EXPECT_EQ(released.load(), issued.load());
    EXPECT_GT(issued.load(), 0);
}

}  // namespace

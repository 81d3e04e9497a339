#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>
#include <vector>

#include "platform/Clock.h"
#include "platform/MessageWindow.h"
#include "platform/WindowObject.h"

namespace kelvra::platform {
namespace {

constexpr uint32_t kFrameMessage = KELVRA_WM_FRAME;
constexpr uint32_t kErrorMessage = KELVRA_WM_ERROR;

// A message window destroyed at the end of the test.
class ScopedWindow {
  public:
    ScopedWindow() : m_handle(CreateMessageWindow()) {}
    ~ScopedWindow() { DestroyWindow(m_handle); }
    HWND get() const { return m_handle; }

  private:
    HWND m_handle;
};

TEST(MessageWindow, DeliversInPostingOrderWithAllFields) {
    ScopedWindow window;
    ASSERT_NE(window.get(), nullptr);
    EXPECT_TRUE(IsWindow(window.get()));
    const uint32_t before = GetTickCount32();
    for (int i = 0; i < 100; ++i) {
        ASSERT_TRUE(PostMessage(window.get(), i % 2 ? kErrorMessage : kFrameMessage,
                                static_cast<uintptr_t>(i) * 3, -i));
    }
    const uint32_t after = GetTickCount32();
    for (int i = 0; i < 100; ++i) {
        KELVRA_MSG msg{};
        ASSERT_EQ(GetMessage(window.get(), &msg, 0), 1) << i;
        EXPECT_EQ(msg.hwnd, window.get());
        EXPECT_EQ(msg.message, i % 2 ? kErrorMessage : kFrameMessage);
        EXPECT_EQ(msg.wParam, static_cast<uintptr_t>(i) * 3);
        EXPECT_EQ(msg.lParam, -i);
        EXPECT_LE(TicksBetween(before, msg.time), TicksBetween(before, after));
    }
    KELVRA_MSG msg{};
    EXPECT_EQ(GetMessage(window.get(), &msg, 0), 0);
    EXPECT_EQ(GetMessage(window.get(), &msg, 10), 0);
}

TEST(MessageWindow, WindowsHaveSeparateQueuesAndHandles) {
    ScopedWindow first;
    ScopedWindow second;
    ASSERT_NE(first.get(), second.get());
    ASSERT_TRUE(PostMessage(first.get(), kFrameMessage, 1, 1));
    KELVRA_MSG msg{};
    EXPECT_EQ(GetMessage(second.get(), &msg, 0), 0);
    EXPECT_EQ(GetMessage(first.get(), &msg, 0), 1);
}

TEST(MessageWindow, QueueHoldsTenThousandMessages) {
    ScopedWindow window;
    for (size_t i = 0; i < WindowObject::kMaxQueuedMessages; ++i) {
        ASSERT_TRUE(PostMessage(window.get(), kFrameMessage, i, 0)) << i;
    }
    EXPECT_EQ(WindowObject::kMaxQueuedMessages, 10000u);
    EXPECT_FALSE(PostMessage(window.get(), kFrameMessage, 99999, 0));
    KELVRA_MSG msg{};
    ASSERT_EQ(GetMessage(window.get(), &msg, 0), 1);
    EXPECT_EQ(msg.wParam, 0u);
    EXPECT_TRUE(PostMessage(window.get(), kFrameMessage, 10000, 0));
    EXPECT_FALSE(PostMessage(window.get(), kFrameMessage, 10001, 0));
}

TEST(MessageWindow, NullAndUnknownWindowsAreRefusedQuietly) {
    KELVRA_MSG msg{};
    EXPECT_FALSE(PostMessage(nullptr, kFrameMessage, 0, 0));
    EXPECT_EQ(GetMessage(nullptr, &msg, 0), 0);
    EXPECT_FALSE(IsWindow(nullptr));
    EXPECT_FALSE(DestroyWindow(nullptr));
    const HWND invented = reinterpret_cast<HWND>(static_cast<uintptr_t>(0x7));
    EXPECT_FALSE(PostMessage(invented, kFrameMessage, 0, 0));
    EXPECT_EQ(GetMessage(invented, &msg, 0), 0);
    EXPECT_FALSE(IsWindow(invented));
    EXPECT_FALSE(DestroyWindow(invented));
}

TEST(MessageWindow, NullMessagePointerLeavesTheQueueAlone) {
    ScopedWindow window;
    ASSERT_TRUE(PostMessage(window.get(), kFrameMessage, 5, 6));
    EXPECT_EQ(GetMessage(window.get(), nullptr, 0), 0);
    KELVRA_MSG msg{};
    ASSERT_EQ(GetMessage(window.get(), &msg, 0), 1);
    EXPECT_EQ(msg.wParam, 5u);
}

TEST(MessageWindow, DestroyedWindowIsGoneAndItsHandleNotReused) {
    const HWND window = CreateMessageWindow();
    ASSERT_TRUE(PostMessage(window, kFrameMessage, 1, 1));
    ASSERT_TRUE(DestroyWindow(window));
    EXPECT_FALSE(IsWindow(window));
    EXPECT_FALSE(PostMessage(window, kFrameMessage, 2, 2));
    KELVRA_MSG msg{};
    EXPECT_EQ(GetMessage(window, &msg, 0), 0);
    EXPECT_FALSE(DestroyWindow(window));
    ScopedWindow next;
    EXPECT_NE(next.get(), window);
    EXPECT_FALSE(IsWindow(window));
}

TEST(MessageWindow, DestroyWakesAReaderWaitingForever) {
    const HWND window = CreateMessageWindow();
    std::atomic<int> result{-1};
    std::thread reader([&] {
        KELVRA_MSG msg{};
        result.store(GetMessage(window, &msg, -1));
    });
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    ASSERT_TRUE(DestroyWindow(window));
    reader.join();
    EXPECT_EQ(result.load(), 0);
}

TEST(MessageWindow, ReaderWaitingForeverGetsALatePost) {
    ScopedWindow window;
    std::atomic<int> result{-1};
    std::atomic<uintptr_t> got{0};
    std::thread reader([&] {
        KELVRA_MSG msg{};
        result.store(GetMessage(window.get(), &msg, -1));
        got.store(msg.wParam);
    });
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
    ASSERT_TRUE(PostMessage(window.get(), kFrameMessage, 42, 0));
    reader.join();
    EXPECT_EQ(result.load(), 1);
    EXPECT_EQ(got.load(), 42u);
}

// Several posters and one reader: nothing lost, each poster's messages in its own order.
TEST(MessageWindow, ConcurrentPostersAndAReader) {
    constexpr int kPosters = 4;
    constexpr int kPerPoster = 2000;
    ScopedWindow window;
    std::vector<std::thread> posters;
    for (int p = 0; p < kPosters; ++p) {
        posters.emplace_back([&, p] {
            for (int i = 0; i < kPerPoster; ++i) {
                if (!PostMessage(window.get(), kFrameMessage, static_cast<uintptr_t>(p), i)) return;
            }
        });
    }
    std::vector<intptr_t> next(kPosters, 0);
    int received = 0;
    for (; received < kPosters * kPerPoster; ++received) {
        KELVRA_MSG msg{};
        if (GetMessage(window.get(), &msg, 5000) != 1) break;
        ASSERT_LT(msg.wParam, static_cast<uintptr_t>(kPosters));
        EXPECT_EQ(msg.lParam, next[msg.wParam]++);
    }
    for (auto& poster : posters) poster.join();
    EXPECT_EQ(received, kPosters * kPerPoster);
}

// Posts, reads and a destroy racing each other: every call returns, nothing after the destroy
// is delivered, and readers are released.
TEST(MessageWindow, DestroyRacingPostsAndReads) {
    constexpr int kRounds = 20;
    for (int round = 0; round < kRounds; ++round) {
        const HWND window = CreateMessageWindow();
        std::atomic<bool> destroyed{false};
        std::atomic<int> postsAfterDestroy{0};
        std::thread poster([&] {
            for (int i = 0; i < 500; ++i) {
                const bool wasDestroyed = destroyed.load();
                if (PostMessage(window, kFrameMessage, 0, i) && wasDestroyed) {
                    postsAfterDestroy.fetch_add(1);
                }
            }
        });
        std::thread reader([&] {
            KELVRA_MSG msg{};
            while (GetMessage(window, &msg, 1000) == 1) {
            }
        });
        std::this_thread::sleep_for(std::chrono::microseconds(200));
        EXPECT_TRUE(DestroyWindow(window));
        destroyed.store(true);
        poster.join();
        reader.join();
        EXPECT_EQ(postsAfterDestroy.load(), 0);
        EXPECT_FALSE(IsWindow(window));
    }
}

}  // namespace
}  // namespace kelvra::platform

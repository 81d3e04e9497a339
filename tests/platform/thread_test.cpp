#include <gtest/gtest.h>

#include <pthread.h>
#include <sched.h>

#include <atomic>
#include <stdexcept>
#include <thread>

#include "platform/Event.h"
#include "platform/Thread.h"

namespace kelvra::platform {
namespace {

TEST(Thread, RunsTheBodyAndJoins) {
    Thread thread;
    EXPECT_FALSE(thread.Running());
    std::atomic<int> runs{0};
    ASSERT_TRUE(thread.Start([&] { runs.fetch_add(1); }));
    thread.Join();
    EXPECT_EQ(runs.load(), 1);
    EXPECT_FALSE(thread.Running());
    thread.Join();  // a second join is harmless
}

TEST(Thread, RefusesASecondStartWhileRunningThenRestarts) {
    Thread thread;
    Event release(true);
    std::atomic<int> runs{0};
    ASSERT_TRUE(thread.Start([&] {
        release.Wait(-1);
        runs.fetch_add(1);
    }));
    EXPECT_TRUE(thread.Running());
    EXPECT_FALSE(thread.Start([&] { runs.fetch_add(100); }));
    release.Set();
    thread.Join();
    EXPECT_EQ(runs.load(), 1);
    ASSERT_TRUE(thread.Start([&] { runs.fetch_add(1); }));
    // Finished but not joined: Start joins the old worker itself.
    while (thread.Running()) std::this_thread::yield();
    ASSERT_TRUE(thread.Start([&] { runs.fetch_add(1); }));
    thread.Join();
    EXPECT_EQ(runs.load(), 3);
}

TEST(Thread, RefusesAnEmptyBody) {
    Thread thread;
    EXPECT_FALSE(thread.Start(std::function<void()>()));
    EXPECT_FALSE(thread.Running());
}

TEST(Thread, AnExceptionInTheBodyEndsTheWorkerQuietly) {
    Thread thread;
    ASSERT_TRUE(thread.Start([] { throw std::runtime_error("worker failed"); }));
    thread.Join();
    EXPECT_FALSE(thread.Running());
}

TEST(Thread, DestructorJoins) {
    Event go(true);
    std::atomic<bool> done{false};
    {
        Thread thread;
        ASSERT_TRUE(thread.Start([&] {
            go.Wait(-1);
            done.store(true);
        }));
        go.Set();
    }
    EXPECT_TRUE(done.load());
}

// Real-time scheduling needs a privilege; with or without it the worker runs.
TEST(Thread, TimeCriticalRunsWithOrWithoutThePrivilege) {
    Thread thread;
    std::atomic<int> policy{-1};
    ASSERT_TRUE(thread.Start(
        [&] {
            int current = 0;
            sched_param param{};
            if (pthread_getschedparam(pthread_self(), &current, &param) == 0) policy = current;
        },
        ThreadPriority::TimeCritical));
    thread.Join();
    EXPECT_TRUE(policy.load() == SCHED_FIFO || policy.load() == SCHED_OTHER) << policy.load();
}

}  // namespace
}  // namespace kelvra::platform

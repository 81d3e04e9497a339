#include <gtest/gtest.h>

#include <unistd.h>

#include <atomic>
#include <cstring>
#include <string>
#include <thread>

#include "ChildProcess.h"
#include "platform/SharedMemory.h"

namespace kelvra::platform {
namespace {

using test::RunInChild;
using test::StartChild;
using test::WaitChild;

constexpr size_t kMapSize = 8584;

// A block name no other test run uses, unlinked again at the end of the test.
class SharedMemoryTest : public ::testing::Test {
  protected:
    SharedMemoryTest() {
        static std::atomic<int> counter{0};
        m_name =
            "/kelvra-test-" + std::to_string(getpid()) + "-" + std::to_string(counter.fetch_add(1));
    }
    ~SharedMemoryTest() override { SharedMemory::Unlink(m_name); }
    std::string m_name;
};

TEST_F(SharedMemoryTest, CreateThenOpenSeesTheSameBytes) {
    auto creator = SharedMemory::OpenOrCreate(m_name, kMapSize);
    ASSERT_NE(creator, nullptr);
    EXPECT_TRUE(creator->Created());
    EXPECT_EQ(creator->Size(), kMapSize);
    const auto* bytes = static_cast<const unsigned char*>(creator->Data());
    for (size_t i = 0; i < kMapSize; ++i) ASSERT_EQ(bytes[i], 0) << i;

    auto opener = SharedMemory::OpenOrCreate(m_name.substr(1), kMapSize);  // without the slash
    ASSERT_NE(opener, nullptr);
    EXPECT_FALSE(opener->Created());
    ASSERT_NE(opener->Data(), creator->Data());
    std::memcpy(creator->Data(), "U3Q6", 4);
    static_cast<unsigned char*>(creator->Data())[kMapSize - 1] = 0xA5;
    EXPECT_EQ(std::memcmp(opener->Data(), "U3Q6", 4), 0);
    EXPECT_EQ(static_cast<unsigned char*>(opener->Data())[kMapSize - 1], 0xA5);
}

TEST_F(SharedMemoryTest, ContentsOutliveTheAttachmentsUntilUnlinked) {
    {
        auto first = SharedMemory::OpenOrCreate(m_name, 64);
        ASSERT_NE(first, nullptr);
        static_cast<char*>(first->Data())[0] = 7;
    }
    {
        auto again = SharedMemory::OpenOrCreate(m_name, 64);
        ASSERT_NE(again, nullptr);
        EXPECT_FALSE(again->Created());
        EXPECT_EQ(static_cast<char*>(again->Data())[0], 7);
    }
    EXPECT_TRUE(SharedMemory::Unlink(m_name));
    EXPECT_FALSE(SharedMemory::Unlink(m_name));
    auto fresh = SharedMemory::OpenOrCreate(m_name, 64);
    ASSERT_NE(fresh, nullptr);
    EXPECT_TRUE(fresh->Created());
    EXPECT_EQ(static_cast<char*>(fresh->Data())[0], 0);
}

TEST_F(SharedMemoryTest, ASmallerExistingBlockIsGrown) {
    auto small = SharedMemory::OpenOrCreate(m_name, 16);
    ASSERT_NE(small, nullptr);
    auto large = SharedMemory::OpenOrCreate(m_name, kMapSize);
    ASSERT_NE(large, nullptr);
    auto* bytes = static_cast<unsigned char*>(large->Data());
    EXPECT_EQ(bytes[kMapSize - 1], 0);  // mapped and readable: no SIGBUS
    bytes[kMapSize - 1] = 1;
}

TEST_F(SharedMemoryTest, RefusesBadNamesAndSizes) {
    EXPECT_EQ(SharedMemory::OpenOrCreate("", 64), nullptr);
    EXPECT_EQ(SharedMemory::OpenOrCreate("/", 64), nullptr);
    EXPECT_EQ(SharedMemory::OpenOrCreate("/a/b", 64), nullptr);
    EXPECT_EQ(SharedMemory::OpenOrCreate(std::string(300, 'x'), 64), nullptr);
    EXPECT_EQ(SharedMemory::OpenOrCreate(m_name, 0), nullptr);
    EXPECT_FALSE(SharedMemory::Unlink(""));
}

// The child opens the block itself: a lock through an inherited descriptor is the parent's.
TEST_F(SharedMemoryTest, LockExcludesAnotherProcess) {
    auto block = SharedMemory::OpenOrCreate(m_name, kMapSize);
    ASSERT_NE(block, nullptr);
    const auto childTryLock = [this] {
        auto own = SharedMemory::OpenOrCreate(m_name, kMapSize);
        if (!own) return 2;
        if (!own->TryLock()) return 1;
        own->Unlock();
        return 0;
    };
    block->Lock();
    EXPECT_EQ(RunInChild(childTryLock), 1);
    block->Unlock();
    EXPECT_EQ(RunInChild(childTryLock), 0);
}

// Attaching takes no part in the users' lock, so a holder may attach again.
TEST_F(SharedMemoryTest, AttachingDoesNotWaitForTheLock) {
    auto first = SharedMemory::OpenOrCreate(m_name, kMapSize);
    ASSERT_NE(first, nullptr);
    first->Lock();
    auto second = SharedMemory::OpenOrCreate(m_name, kMapSize);
    ASSERT_NE(second, nullptr);
    EXPECT_FALSE(second->TryLock());
    first->Unlock();
    EXPECT_TRUE(second->TryLock());
    second->Unlock();
}

// Non-atomic read-modify-write of a shared counter by two processes: only the lock keeps
// every increment.
TEST_F(SharedMemoryTest, LockedIncrementsFromTwoProcessesAllCount) {
    constexpr int kIncrements = 2000;
    auto block = SharedMemory::OpenOrCreate(m_name, kMapSize);
    ASSERT_NE(block, nullptr);
    const auto increment = [this] {
        auto own = SharedMemory::OpenOrCreate(m_name, kMapSize);
        if (!own) return 2;
        auto* counter = static_cast<volatile int*>(own->Data());
        for (int i = 0; i < kIncrements; ++i) {
            own->Lock();
            const int value = *counter;
            if (i % 64 == 0) usleep(10);  // widen the window a missing lock would expose
            *counter = value + 1;
            own->Unlock();
        }
        return 0;
    };
    const pid_t child = StartChild(increment);
    ASSERT_GT(child, 0);
    EXPECT_EQ(increment(), 0);
    EXPECT_EQ(WaitChild(child), 0);
    EXPECT_EQ(*static_cast<volatile int*>(block->Data()), 2 * kIncrements);
}

TEST_F(SharedMemoryTest, LockExcludesThreadsSharingOneAttachment) {
    constexpr int kIncrements = 5000;
    auto block = SharedMemory::OpenOrCreate(m_name, kMapSize);
    ASSERT_NE(block, nullptr);
    auto* counter = static_cast<int*>(block->Data());
    const auto increment = [&] {
        for (int i = 0; i < kIncrements; ++i) {
            block->Lock();
            ++*counter;
            block->Unlock();
        }
    };
    std::thread other(increment);
    increment();
    other.join();
    EXPECT_EQ(*counter, 2 * kIncrements);
}

TEST(IsProcessAlive, KnowsLivingAndReapedProcesses) {
    EXPECT_TRUE(IsProcessAlive(getpid()));
    EXPECT_TRUE(IsProcessAlive(1));
    EXPECT_FALSE(IsProcessAlive(0));
    EXPECT_FALSE(IsProcessAlive(-1));
    const pid_t child = StartChild([] { return 0; });
    ASSERT_GT(child, 0);
    ASSERT_EQ(WaitChild(child), 0);
    EXPECT_FALSE(IsProcessAlive(child));
}

}  // namespace
}  // namespace kelvra::platform

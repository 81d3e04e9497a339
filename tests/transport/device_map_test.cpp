// The shared device map: its layout, its lifetime across controllers and processes, and maps
// left behind by crashed processes.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <filesystem>

#include "PeerProcess.h"
#include "SimFixture.h"
#include "platform/SharedMemory.h"
#include "transport/DebugOutput.h"

namespace kelvra::transport::test {
namespace {

using platform::SharedMemory;

int32_t I32At(const uint8_t* block, size_t offset) {
    int32_t value;
    std::memcpy(&value, block + offset, sizeof value);
    return value;
}

void PutI32(uint8_t* block, size_t offset, int32_t value) {
    std::memcpy(block + offset, &value, sizeof value);
}

DeviceEntry EntryAt(const uint8_t* block, int index) {
    DeviceEntry entry;
    std::memcpy(&entry, block + kDeviceMapEntriesOffset + index * sizeof(DeviceEntry),
                sizeof entry);
    return entry;
}

class DeviceMapTest : public SimFixture {
  protected:
    // The map as another process sees it; null when it does not exist (then nothing is left
    // behind by the look).
    std::unique_ptr<SharedMemory> OpenMap() {
        auto block = SharedMemory::OpenOrCreate(m_map.Name(), kDeviceMapSize);
        if (block && block->Created()) {
            SharedMemory::Unlink(m_map.Name());
            return nullptr;
        }
        return block;
    }

    static const uint8_t* Bytes(SharedMemory& block) {
        return static_cast<const uint8_t*>(block.Data());
    }
};

TEST_F(DeviceMapTest, FirstControllerCreatesTheMapWithCountOneAndAnEmptyTable) {
    ASSERT_EQ(OpenMap(), nullptr);
    CNorluxCy3Cam cam;
    EXPECT_TRUE(cam.IsDeviceMapShared());
    auto block = OpenMap();
    ASSERT_NE(block, nullptr);
    EXPECT_EQ(I32At(Bytes(*block), kDeviceMapLiveCountOffset), 1);
    EXPECT_EQ(I32At(Bytes(*block), kDeviceMapEntryCountOffset), 0);
    EXPECT_EQ(EntryAt(Bytes(*block), 0).instance, -1);
    EXPECT_EQ(std::filesystem::file_size("/dev/shm/" + m_map.Name()), kDeviceMapSize);
    EXPECT_EQ(cam.GetDeviceCount(), 0);
}

TEST_F(DeviceMapTest, EnumerationPublishesEntriesInTheMapLayout) {
    auto a = Attach();
    auto b = Attach(0x3280);
    CNorluxCy3Cam cam;
    ASSERT_EQ(cam.Enumerate(), 2);
    auto block = OpenMap();
    ASSERT_NE(block, nullptr);
    const uint8_t* bytes = Bytes(*block);
    EXPECT_EQ(I32At(bytes, kDeviceMapEntryCountOffset), 2);
    const uint8_t* first = bytes + kDeviceMapEntriesOffset;
    EXPECT_EQ(first[0] | (first[1] << 8), 0x04B4);
    EXPECT_EQ(first[2] | (first[3] << 8), 0x3270);
    EXPECT_EQ(I32At(first, 4), 0);
    EXPECT_STREQ(reinterpret_cast<const char*>(first + 8), a->devicePath().c_str());
    const DeviceEntry second = EntryAt(bytes, 1);
    EXPECT_EQ(second.productId, 0x3280);
    EXPECT_EQ(second.instance, 0);
    EXPECT_STREQ(second.path, b->devicePath().c_str());
    EXPECT_TRUE(EntryAt(bytes, 2).IsEmpty());
}

TEST_F(DeviceMapTest, SecondControllerCountsTwoAndTheTableLivesWhileAnyControllerDoes) {
    Attach();
    Attach();
    auto first = std::make_unique<CNorluxCy3Cam>();
    ASSERT_EQ(first->Enumerate(), 2);
    auto second = std::make_unique<CNorluxCy3Cam>();
    {
        auto block = OpenMap();
        ASSERT_NE(block, nullptr);
        EXPECT_EQ(I32At(Bytes(*block), kDeviceMapLiveCountOffset), 2);
        EXPECT_EQ(I32At(Bytes(*block), kDeviceMapEntryCountOffset), 2);
    }
    EXPECT_EQ(second->GetDeviceCount(), 2);
    first.reset();
    {
        auto block = OpenMap();
        ASSERT_NE(block, nullptr);
        EXPECT_EQ(I32At(Bytes(*block), kDeviceMapLiveCountOffset), 1);
        EXPECT_EQ(I32At(Bytes(*block), kDeviceMapEntryCountOffset), 2);
    }
    EXPECT_EQ(second->GetDeviceCount(), 2);
    second.reset();
    EXPECT_EQ(OpenMap(), nullptr) << "the last detach removes the map";

    CNorluxCy3Cam fresh;
    EXPECT_EQ(fresh.GetDeviceCount(), 0) << "a fresh start begins empty";
    EXPECT_EQ(fresh.GetDeviceEntry(0).productId, 0);
    EXPECT_EQ(fresh.Enumerate(), 2);
}

TEST_F(DeviceMapTest, MapWithLiveCountZeroIsResetOnAttach) {
    {
        auto block = SharedMemory::OpenOrCreate(m_map.Name(), kDeviceMapSize);
        ASSERT_NE(block, nullptr);
        uint8_t* bytes = static_cast<uint8_t*>(block->Data());
        DeviceEntry stale;
        stale.vendorId = 0x04B4;
        stale.productId = 0x3270;
        stale.instance = 0;
        std::strcpy(stale.path, "\\\\?\\usb#vid_04b4&pid_3270#old#{x}");
        std::memcpy(bytes + kDeviceMapEntriesOffset, &stale, sizeof stale);
        PutI32(bytes, kDeviceMapEntryCountOffset, 1);
        PutI32(bytes, kDeviceMapLiveCountOffset, 0);
    }
    CNorluxCy3Cam cam;
    EXPECT_EQ(cam.GetDeviceCount(), 0);
    auto block = OpenMap();
    ASSERT_NE(block, nullptr);
    EXPECT_EQ(I32At(Bytes(*block), kDeviceMapLiveCountOffset), 1);
    EXPECT_EQ(I32At(Bytes(*block), kDeviceMapEntryCountOffset), 0);
    EXPECT_TRUE(EntryAt(Bytes(*block), 0).IsEmpty());
}

TEST_F(DeviceMapTest, MapCountingUsersThatNoLongerExistIsFresh) {
    // A map whose count says 5 but that records no living user (no side record at all).
    {
        auto block = SharedMemory::OpenOrCreate(m_map.Name(), kDeviceMapSize);
        ASSERT_NE(block, nullptr);
        uint8_t* bytes = static_cast<uint8_t*>(block->Data());
        PutI32(bytes, kDeviceMapLiveCountOffset, 5);
        PutI32(bytes, kDeviceMapEntryCountOffset, 1);
        bytes[kDeviceMapEntriesOffset + 2] = 0x70;
        bytes[kDeviceMapEntriesOffset + 3] = 0x32;
    }
    CNorluxCy3Cam cam;
    EXPECT_EQ(cam.GetDeviceCount(), 0);
    auto block = OpenMap();
    ASSERT_NE(block, nullptr);
    EXPECT_EQ(I32At(Bytes(*block), kDeviceMapLiveCountOffset), 1);
}

TEST_F(DeviceMapTest, SecondProcessSeesTheSameNumbering) {
    auto a = Attach();
    auto b = Attach();
    CNorluxCy3Cam cam;
    ASSERT_EQ(cam.Enumerate(), 2);

    PeerResult listed = RunPeer({m_map.Name(), "list"});
    ASSERT_EQ(listed.exitCode, 0) << listed.output;
    int count = 0;
    auto entries = ParseTable(listed.output, &count);
    ASSERT_EQ(count, 2);
    ASSERT_EQ(entries.size(), 2u);
    EXPECT_STREQ(entries[0].path, a->devicePath().c_str());
    EXPECT_EQ(entries[0].instance, 0);
    EXPECT_STREQ(entries[1].path, b->devicePath().c_str());
    EXPECT_EQ(entries[1].instance, 1);

    // The peer sees only camera B and a camera of another product: B keeps number 1 there too,
    // and the new camera is appended for everyone.
    const std::string bOrdinal = std::to_string(Ordinal(*b));
    const std::string otherOrdinal = std::to_string(Ordinal(*b) + 1);
    PeerResult enumerated =
        RunPeer({m_map.Name(), "enumerate", bOrdinal + ":3270", otherOrdinal + ":3280"});
    ASSERT_EQ(enumerated.exitCode, 0) << enumerated.output;
    entries = ParseTable(enumerated.output, &count);
    ASSERT_EQ(count, 3);
    EXPECT_STREQ(entries[1].path, b->devicePath().c_str());
    EXPECT_EQ(entries[1].instance, 1);
    EXPECT_EQ(entries[2].productId, 0x3280);
    EXPECT_EQ(entries[2].instance, 0);

    EXPECT_EQ(cam.Enumerate(), 3) << "this process takes up what the peer added";
    EXPECT_STREQ(cam.GetDeviceEntry(2).path, entries[2].path);
    auto block = OpenMap();
    ASSERT_NE(block, nullptr);
    EXPECT_EQ(I32At(Bytes(*block), kDeviceMapLiveCountOffset), 1) << "the peer detached";
}

TEST_F(DeviceMapTest, MapLeftByACrashedProcessDoesNotFreezeTheNumbering) {
    PeerResult crashed = RunPeer({m_map.Name(), "crash", "1:3270"});
    ASSERT_EQ(crashed.exitCode, 0) << crashed.output;
    int count = 0;
    ParseTable(crashed.output, &count);
    ASSERT_EQ(count, 1);
    {
        auto block = OpenMap();
        ASSERT_NE(block, nullptr) << "the crashed process never detached";
        EXPECT_EQ(I32At(Bytes(*block), kDeviceMapLiveCountOffset), 1);
        EXPECT_EQ(I32At(Bytes(*block), kDeviceMapEntryCountOffset), 1);
    }
    auto cam = std::make_unique<CNorluxCy3Cam>();
    EXPECT_EQ(cam->GetDeviceCount(), 0) << "a map whose users are all gone is fresh";
    {
        auto block = OpenMap();
        ASSERT_NE(block, nullptr);
        EXPECT_EQ(I32At(Bytes(*block), kDeviceMapLiveCountOffset), 1);
    }
    cam.reset();
    EXPECT_EQ(OpenMap(), nullptr) << "and it is removed when this process detaches";
}

TEST_F(DeviceMapTest, ProcessThatNeverReleasedItsControllerLeavesNoBlockBehind) {
    PeerResult leaked = RunPeer({m_map.Name(), "leak", "1:3270"});
    ASSERT_EQ(leaked.exitCode, 0) << leaked.output;
    EXPECT_THAT(SharedMemory::Names(m_map.Name()), ::testing::IsEmpty());
}

// Simulated cameras get a map of their process's own. A process that crashed leaves its pair
// of blocks; the next controller created anywhere removes them.
TEST_F(DeviceMapTest, PrivateMapOfACrashedProcessIsRemovedByTheNextAttach) {
    PeerResult crashed = RunPeer({kDeviceMapName, "crash", "1:3270"});
    ASSERT_EQ(crashed.exitCode, 0) << crashed.output;
    const size_t at = crashed.output.find("pid ");
    ASSERT_NE(at, std::string::npos) << crashed.output;
    const std::string map = std::string(kDeviceMapName) + "-local-" +
                            std::to_string(std::stoi(crashed.output.substr(at + 4)));
    const std::vector<std::string> left = {map, DeviceMapUsersName(map)};
    for (const std::string& name : left) {
        ASSERT_THAT(SharedMemory::Names(name), ::testing::Contains(name)) << "the crash left it";
    }
    CNorluxCy3Cam cam;
    for (const std::string& name : left) {
        EXPECT_THAT(SharedMemory::Names(name), ::testing::Not(::testing::Contains(name)));
    }
}

std::vector<std::string> gDebugTexts;
void CollectDebugText(const char* text) {
    gDebugTexts.emplace_back(text);
}

TEST_F(DeviceMapTest, EntryFoundInUseBeyondTheCountIsOverwrittenQuietly) {
    auto a = Attach();
    CNorluxCy3Cam cam;
    {
        auto block = OpenMap();
        ASSERT_NE(block, nullptr);
        DeviceEntry stale;
        stale.vendorId = 0x1111;
        stale.productId = 0x2222;
        stale.instance = 0;
        std::strcpy(stale.path, "stale");
        std::memcpy(static_cast<uint8_t*>(block->Data()) + kDeviceMapEntriesOffset, &stale,
                    sizeof stale);
    }
    testing::internal::CaptureStdout();
    testing::internal::CaptureStderr();
    ASSERT_EQ(cam.Enumerate(), 1);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "") << "silent by default";
    EXPECT_STREQ(cam.GetDeviceEntry(0).path, a->devicePath().c_str());

    // With a debugger listening the message is there.
    auto b = Attach();
    {
        auto block = OpenMap();
        ASSERT_NE(block, nullptr);
        std::memcpy(static_cast<uint8_t*>(block->Data()) + kDeviceMapEntriesOffset +
                        sizeof(DeviceEntry) + 8,
                    "stale", 6);
        static_cast<uint8_t*>(block->Data())[kDeviceMapEntriesOffset + sizeof(DeviceEntry) + 2] =
            0x22;
    }
    gDebugTexts.clear();
    SetDebugSink(&CollectDebugText);
    EXPECT_EQ(cam.Enumerate(), 2);
    SetDebugSink(nullptr);
    ASSERT_EQ(gDebugTexts.size(), 1u);
    EXPECT_EQ(gDebugTexts[0], "ここには入ってこないはず\r\n");
    EXPECT_STREQ(cam.GetDeviceEntry(1).path, b->devicePath().c_str());
}

}  // namespace
}  // namespace kelvra::transport::test

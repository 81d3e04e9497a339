// Discovery and numbering: the process-wide device table as enumeration fills it.
#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

#include "RecordingFixture.h"
#include "SimFixture.h"

namespace kelvra::transport::test {
namespace {

using DeviceTableTest = SimFixture;

// The device core's IsDevicePresent, from the lookups the controller offers.
int32_t IsPresent(CNorluxCy3Cam& cam, int32_t productId, int32_t instance) {
    const int32_t index = cam.FindDeviceIndex(productId, instance);
    return index < 0 ? 0 : cam.IsDeviceOpenable(index);
}

TEST_F(DeviceTableTest, CamerasOfOneProductKeepTheirNumbersThroughUnplugAndReplug) {
    auto a = Attach();
    auto b = Attach();
    CNorluxCy3Cam cam;
    ASSERT_EQ(cam.Enumerate(), 2);
    EXPECT_STREQ(cam.GetDeviceEntry(0).path, a->devicePath().c_str());
    EXPECT_EQ(cam.GetDeviceEntry(0).instance, 0);
    EXPECT_EQ(cam.GetDeviceEntry(0).vendorId, 0x04B4);
    EXPECT_EQ(cam.GetDeviceEntry(0).productId, 0x3270);
    EXPECT_STREQ(cam.GetDeviceEntry(1).path, b->devicePath().c_str());
    EXPECT_EQ(cam.GetDeviceEntry(1).instance, 1);

    a->unplug();
    EXPECT_EQ(cam.Enumerate(), 2) << "an unplugged camera keeps its entry";
    EXPECT_EQ(cam.GetDeviceEntry(1).instance, 1);
    EXPECT_EQ(IsPresent(cam, 0x3270, 0), 0);
    EXPECT_EQ(IsPresent(cam, 0x3270, 1), 1);

    a->replug();
    EXPECT_EQ(cam.Enumerate(), 2) << "a replug under the same path reuses the entry";
    EXPECT_EQ(cam.GetDeviceEntry(0).instance, 0);
    EXPECT_EQ(IsPresent(cam, 0x3270, 0), 1);
}

TEST_F(DeviceTableTest, EachProductIsNumberedFromZero) {
    Attach(0x3270);
    Attach(0x3280);
    Attach(0x3270);
    CNorluxCy3Cam cam;
    ASSERT_EQ(cam.Enumerate(), 3);
    EXPECT_EQ(cam.GetDeviceEntry(0).instance, 0);
    EXPECT_EQ(cam.GetDeviceEntry(1).productId, 0x3280);
    EXPECT_EQ(cam.GetDeviceEntry(1).instance, 0);
    EXPECT_EQ(cam.GetDeviceEntry(2).instance, 1);
    EXPECT_EQ(cam.FindDeviceIndex(0x3280, 0), 1);
    EXPECT_EQ(cam.FindDeviceIndex(0x3270, 1), 2);
    EXPECT_EQ(cam.FindDeviceIndex(0x3280, 1), -1);
    EXPECT_EQ(cam.FindDeviceIndex(0, -1), -1) << "empty entries never match";
}

TEST_F(DeviceTableTest, IndexOutsideTheTableGivesTheEmptyValues) {
    Attach();
    CNorluxCy3Cam cam;
    ASSERT_EQ(cam.Enumerate(), 1);
    ASSERT_EQ(cam.SelectDevice(0), 1);
    for (int32_t index : {-1, 1, 31, 32, 100}) {
        const DeviceEntry entry = cam.GetDeviceEntry(index);
        EXPECT_EQ(entry.vendorId, 0) << index;
        EXPECT_EQ(entry.productId, 0) << index;
        EXPECT_EQ(entry.instance, -1) << index;
        EXPECT_EQ(entry.path[0], '\0') << index;
        EXPECT_EQ(cam.OpenDevicePath(index, false), nullptr) << index;
        EXPECT_EQ(cam.IsDeviceOpenable(index), 0) << index;
        EXPECT_EQ(cam.SelectDevice(index), 0) << index;
    }
    EXPECT_EQ(cam.GetSelectedIndex(), 0) << "a failed selection keeps the old one";
    char name[64] = "unchanged";
    EXPECT_EQ(cam.GetModelName(0, name, sizeof name), 0) << "this product has no model-name row";
    EXPECT_STREQ(name, "unchanged");
}

TEST_F(DeviceTableTest, OnlyInterfacesOfTheControllersClassAreListed) {
    sim::CameraConfig other;
    other.interfaceGuid.data1 = 0x12345678;
    sim::attachCamera(other);
    auto mine = Attach();
    CNorluxCy3Cam cam;
    ASSERT_EQ(cam.Enumerate(), 1);
    EXPECT_STREQ(cam.GetDeviceEntry(0).path, mine->devicePath().c_str());
    CNorluxCy3Cam otherClass(other.interfaceGuid);
    EXPECT_EQ(otherClass.Enumerate(), 2) << "one process table for every controller";
}

TEST_F(DeviceTableTest, ThreadsEnumeratingAndOpeningAtOnceListEachCameraOnce) {
    constexpr int kCameras = 6;
    for (int i = 0; i < kCameras; ++i) Attach(i % 2 ? 0x3280 : 0x3270);
    std::atomic<int> failures{0};
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t) {
        threads.emplace_back([&failures] {
            CNorluxCy3Cam cam;
            for (int round = 0; round < 20; ++round) {
                if (cam.Enumerate() != kCameras) ++failures;
                const int32_t index = cam.FindDeviceIndex(0x3280, 2);
                if (index < 0 || !cam.IsDeviceOpenable(index)) ++failures;
            }
        });
    }
    for (auto& thread : threads) thread.join();
    EXPECT_EQ(failures.load(), 0);
    CNorluxCy3Cam cam;
    ASSERT_EQ(cam.Enumerate(), kCameras);
    int instances[2] = {0, 0};
    for (int i = 0; i < kCameras; ++i) {
        const DeviceEntry entry = cam.GetDeviceEntry(i);
        int& next = instances[entry.productId == 0x3280 ? 1 : 0];
        EXPECT_EQ(entry.instance, next++) << "entry " << i;
    }
}

using RecordedTableTest = RecordingFixture;

TEST_F(RecordedTableTest, AtMostThirtyTwoInterfacesAreListed) {
    for (int i = 2; i <= 40; ++i) m_backend.AddDevice(0x3270, "rec&" + std::to_string(1000 + i));
    EXPECT_EQ(m_cam->Enumerate(), 32);
    EXPECT_EQ(m_cam->GetDeviceEntry(31).instance, 31);
    EXPECT_EQ(m_cam->GetDeviceEntry(32).productId, 0);
    EXPECT_EQ(m_cam->Enumerate(), 32);
}

TEST_F(RecordedTableTest, PathsWithoutIdsOrTooLongForTheTableAreSkipped) {
    m_backend.AddDevice(0x3270, std::string(300, 'x'));
    m_backend.AddDevice(0x0000, "rec&zero");
    m_backend.AddDevice(0x3280, "rec&0003");
    EXPECT_EQ(m_cam->Enumerate(), 2);
    EXPECT_EQ(m_cam->GetDeviceEntry(1).productId, 0x3280);
}

}  // namespace
}  // namespace kelvra::transport::test

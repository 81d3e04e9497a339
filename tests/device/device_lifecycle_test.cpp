// Product identity, discovery, the open sequence with its readiness handshake, and close.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <memory>

#include "DeviceTestSupport.h"

namespace kelvra::device_test {
namespace {

constexpr int32_t kImx991 = 0x3280;
constexpr uint32_t kPollPauseMs = 500;
constexpr uint32_t kPulseStepMs = 50;

TEST(DeviceCoreProductId, FreshCoreHasNoProductAndAFourSlotRing) {
    CKelvraUSB3Q6SimpleSdk core;
    EXPECT_EQ(core.GetProductId(), -1);
    EXPECT_EQ(core.RingDepth(), 4);
    EXPECT_EQ(core.ReadMark(), 3);
    EXPECT_EQ(core.FrameTimeout(), 5000);
    EXPECT_EQ(core.GetOpenInstance(), 0);
    EXPECT_EQ(core.ReconfigureFlag(), 1);
}

TEST(DeviceCoreProductId, RingDepthAndReadMarkFollowEveryProductChange) {
    CKelvraUSB3Q6SimpleSdk core;
    core.SetProductId(kModelG);
    EXPECT_EQ(core.RingDepth(), 8);
    EXPECT_EQ(core.ReadMark(), 7);
    // Switching back must shrink the ring again, not keep the deeper one.
    core.SetProductId(kK4Swir);
    EXPECT_EQ(core.GetProductId(), kK4Swir);
    EXPECT_EQ(core.RingDepth(), 4);
    EXPECT_EQ(core.ReadMark(), 3);
}

TEST(DeviceCoreProductId, StreamModelsFollowProductId) {
    struct Case {
        int32_t productId, sync, block;
    };
    const Case cases[] = {
        {0x3042, 1, 0}, {0x3040, 0, 0}, {0x3310, 0, 1}, {0x3320, 0, 1}, {0x3330, 0, 1},
        {0x3340, 0, 1}, {0x3300, 0, 0}, {0x3350, 0, 0}, {0x3270, 0, 0}, {-1, 0, 0},
    };
    for (const Case& c : cases) {
        CKelvraUSB3Q6SimpleSdk core;
        core.SetProductId(c.productId);
        EXPECT_EQ(core.IsSyncStreamModel(), c.sync) << std::hex << c.productId;
        EXPECT_EQ(core.IsBlockStreamModel(), c.block) << std::hex << c.productId;
        EXPECT_EQ(core.IsBlockStreamModel2(), c.block) << std::hex << c.productId;
    }
}

using DeviceCoreOpen = DeviceTest;

TEST_F(DeviceCoreOpen, FailsBeforeTheProductIdIsSet) {
    Attach();
    CKelvraUSB3Q6SimpleSdk core;
    core.CreateController(nullptr, nullptr);
    EXPECT_EQ(core.IsDevicePresent(0), 0);
    EXPECT_EQ(core.OpenCamera(0), 0);
    EXPECT_EQ(core.HasCooler(), 0);  // no sensor driver was made
    core.SetProductId(kK4Swir);
    EXPECT_NE(core.OpenCamera(0), 0);
}

TEST_F(DeviceCoreOpen, ACameraOfAnotherProductIsNotOpened) {
    Attach(Config(kImx991));
    CKelvraU3Q6Base& core = NewCore(kK4Swir);
    EXPECT_EQ(core.CountDevices(0), 1);
    EXPECT_EQ(core.CountDevices(kImx991), 1);
    EXPECT_EQ(core.CountDevices(kK4Swir), 0);
    EXPECT_EQ(core.GetDeviceProductId(0), kImx991);
    EXPECT_EQ(core.GetDeviceInstance(0), 0);
    EXPECT_EQ(core.IsDevicePresent(0), 0);
    EXPECT_EQ(core.OpenCamera(0), 0);
    EXPECT_EQ(core.GetOpenInstance(), 0);
    EXPECT_EQ(core.GetSensorMaxWidth(), 0);
}

TEST_F(DeviceCoreOpen, OpensTheInstanceAskedForAndReportsItsSensor) {
    Attach();
    Attach();
    CKelvraU3Q6Base& core = NewCore();
    EXPECT_EQ(core.CountDevices(kK4Swir), 2);
    EXPECT_EQ(core.GetDeviceVendorId(1), 0x04B4);
    EXPECT_EQ(core.GetDeviceInstance(1), 1);
    EXPECT_EQ(core.GetDeviceInstance(32), -1);
    ASSERT_NE(core.OpenCamera(1), 0);
    EXPECT_EQ(core.GetOpenInstance(), 1);
    EXPECT_EQ(core.GetSensorMaxWidth(), 1280);
    EXPECT_EQ(core.GetSensorMaxHeight(), 1024);
    EXPECT_EQ(core.HasCooler(), 1);  // model code 110: the cooled IMX990
    EXPECT_EQ(core.ReconfigureFlag(), 1);
    EXPECT_EQ(core.ReopenCamera(0), 0);
    EXPECT_EQ(core.GetOpenInstance(), 0);
    EXPECT_EQ(core.ReopenCamera(2), -1);
}

TEST_F(DeviceCoreOpen, AnUnpluggedCameraIsNotPresent) {
    auto camera = Attach();
    CKelvraU3Q6Base& core = NewCore();
    EXPECT_EQ(core.CountDevices(kK4Swir), 1);
    camera->unplug();
    EXPECT_EQ(core.IsDevicePresent(0), 0);
    EXPECT_EQ(core.CountDevices(kK4Swir), 0);
    EXPECT_EQ(core.CountDevices(0), 1);  // the entry stays
    EXPECT_EQ(core.OpenCamera(0), 0);
}

// Firmware before 0x1101 or a GPIO25 flag of 0 cannot report readiness: no wait at all. The
// sensor is probed and set up at once (its driver cannot tell that the FPGA is still
// configuring), so the open goes through without a single poll pause.
void ExpectNoReadinessWait(const sim::CameraConfig& config, FakeClock& clock) {
    auto camera = sim::attachCamera(config);
    camera->setFpgaReadyAfterPolls(2);
    CKelvraUSB3Q6SimpleSdk core;
    core.SetProductId(kK4Swir);
    core.CreateController(nullptr, nullptr);
    clock.Install(core);
    EXPECT_NE(core.OpenCamera(0), 0);
    EXPECT_EQ(clock.Count(kPollPauseMs), 0);
    EXPECT_EQ(clock.Count(kPulseStepMs), 0);
}

TEST_F(DeviceCoreOpen, FirmwareBefore1101SkipsTheReadinessWait) {
    sim::CameraConfig config = Config();
    config.fx3FirmwareVersion = 0x1100;
    ExpectNoReadinessWait(config, m_clock);
}

TEST_F(DeviceCoreOpen, Gpio25FlagZeroSkipsTheReadinessWait) {
    sim::CameraConfig config = Config();
    config.gpio25Flag = 0;
    ExpectNoReadinessWait(config, m_clock);
}

TEST_F(DeviceCoreOpen, WaitsForAnFpgaThatBecomesReadyAfterAFewPolls) {
    auto camera = Attach();
    camera->setFpgaReadyAfterPolls(3);
    CKelvraU3Q6Base& core = NewCore();
    m_clock.Install(core);
    EXPECT_NE(core.OpenCamera(0), 0);
    EXPECT_EQ(m_clock.Count(kPollPauseMs), 3);
    EXPECT_EQ(m_clock.Count(kPulseStepMs), 0);
}

// 400 polls 500 ms apart, about 200 s; register 0x82 is pulsed each time 25 s have passed
// (after polls 50, 100, ... 350; none after the last poll), each pulse two 50 ms steps.
TEST_F(DeviceCoreOpen, GivesUpOnAnFpgaThatIsNeverReadyAfter400PollsWithPulses) {
    auto camera = Attach();
    camera->setFpgaReadyAfterPolls(sim::kFpgaNeverReady);
    CKelvraU3Q6Base& core = NewCore();
    m_clock.Install(core);
    EXPECT_EQ(core.OpenCamera(0), 0);
    const std::vector<uint32_t> sleeps = m_clock.Sleeps();
    int polls = 0;
    std::vector<int> pulsedAfterPoll;
    for (size_t i = 0; i < sleeps.size(); ++i) {
        if (sleeps[i] == kPollPauseMs) ++polls;
        if (sleeps[i] == kPulseStepMs) {
            ASSERT_LT(i + 1, sleeps.size());
            EXPECT_EQ(sleeps[i + 1], kPulseStepMs) << "a pulse has two steps";
            pulsedAfterPoll.push_back(polls);
            ++i;
        }
    }
    EXPECT_EQ(polls, 400);
    EXPECT_EQ(pulsedAfterPoll, (std::vector<int>{50, 100, 150, 200, 250, 300, 350}));
    EXPECT_GE(m_clock.Now(), 200000u);
}

TEST_F(DeviceCoreOpen, CloseCameraTwiceIsHarmless) {
    Attach();
    CKelvraU3Q6Base& core = OpenCore();
    ASSERT_EQ(core.StartTransfer(0), 1);
    EXPECT_EQ(WaitNewFrame(core), 3);
    EXPECT_EQ(core.CloseCamera(), 1);
    EXPECT_EQ(core.IsTransferRunning(), 0);
    EXPECT_EQ(core.FrameSize(), 0u);
    EXPECT_EQ(core.HasCooler(), 0);
    EXPECT_EQ(core.IsDevicePresent(0), 0);  // no controller any more
    EXPECT_EQ(core.CloseCamera(), 1);
    EXPECT_EQ(core.GetProductId(), kK4Swir);
    // A new controller opens the camera again.
    core.CreateController(nullptr, nullptr);
    EXPECT_NE(core.OpenCamera(0), 0);
}

}  // namespace
}  // namespace kelvra::device_test

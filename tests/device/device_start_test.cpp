// Starting the transfer: what the ring is configured from, and what a start that cannot
// configure it says.
#include <gtest/gtest.h>

#include <algorithm>
#include <thread>
#include <vector>

#include "DeviceTestSupport.h"
#include "sim/CameraCore.h"

namespace kelvra::device_test {
namespace {

constexpr uint8_t kColumnOffsetLow = 76;
constexpr uint16_t kHighSpeedInformationWord = 0x8130 | 0x4000;  // bit 14: high-speed readout
constexpr int32_t kModeTrigger = 2;

using DeviceStart = DeviceTest;

// The FPGA refuses the geometry: the start fails (before, it streamed into a ring the camera
// was never told about), and the ring stays marked for reconfiguration until a start succeeds.
TEST_F(DeviceStart, RefusedGeometryFailsTheStartUntilTheFpgaTakesIt) {
    auto camera = Attach();
    CKelvraU3Q6Base& core = OpenCore();
    camera->failI2c(-1, sim::kI2cFpga);
    EXPECT_EQ(core.StartTransfer(0), 0);
    EXPECT_EQ(core.ReconfigureFlag(), 1);
    EXPECT_EQ(core.IsTransferRunning(), 0);
    camera->failI2c(0);
    ASSERT_EQ(core.StartTransfer(0), 1);
    EXPECT_EQ(WaitNewFrame(core), 3);
    EXPECT_EQ(core.ReconfigureFlag(), 0);
}

// A trigger loop restarts the transfer while the application changes the window: whatever the
// interleaving, a window the ring was not configured for leaves the ring marked stale, so the
// next start picks it up. Slow requests widen every window of the race.
TEST_F(DeviceStart, WindowChangedDuringARestartIsNeverLost) {
    auto camera = Attach();
    CKelvraU3Q6Base& core = NewCore();
    m_clock.Install(core);  // the stop's settling pauses pass at once
    ASSERT_NE(core.OpenCamera(0), 0);
    camera->setControlDelay(std::chrono::milliseconds(1));
    std::atomic<bool> done{false};
    std::thread restarts([&] {
        while (!done) core.StartTransfer(kModeTrigger);
    });
    const int32_t heights[] = {512, 256};
    for (int round = 0; round < 8; ++round) {
        ASSERT_EQ(core.SetCaptureWindow(0, 0, 640, heights[round % 2], 0), 1);
        std::this_thread::sleep_for(std::chrono::milliseconds(3));
    }
    done = true;
    restarts.join();
    core.StopTransfer(1);
    int32_t width = 0, height = 0;
    core.GetCaptureWindow(nullptr, nullptr, &width, &height, nullptr);
    if (core.ReconfigureFlag() == 0) {
        EXPECT_EQ(core.FrameSize(), uint32_t(width * height));
    }
    // And a start in trigger mode keeps its mode and its frame event.
    ASSERT_EQ(core.StartTransfer(kModeTrigger), 1);
    EXPECT_EQ(core.CaptureMode(), kModeTrigger);
    EXPECT_EQ(core.FrameSize(), uint32_t(width * height));
}

// High-speed IMX990 units read four lead columns fewer. Mirroring on and off must cut the line
// where the ring configuration does, or the picture jumps by four columns.
TEST_F(DeviceStart, MirroringOnHighSpeedUnitsKeepsTheColumnOffsetOfTheRing) {
    sim::CameraConfig config = Config();
    config.informationWord = kHighSpeedInformationWord;
    auto camera = Attach(config);
    CKelvraU3Q6Base& core = OpenCore();
    std::vector<uint16_t> offsets;
    for (int32_t flip : {0, 1}) {
        ASSERT_NE(core.SetFlip(flip), 0);
        const uint16_t bySetFlip = camera->fpgaRegister(kColumnOffsetLow);
        ASSERT_EQ(core.ConfigureBuffers(), 1);
        EXPECT_EQ(bySetFlip, camera->fpgaRegister(kColumnOffsetLow)) << "flip " << flip;
        offsets.push_back(bySetFlip);
    }
    EXPECT_EQ(offsets, (std::vector<uint16_t>{4, 100}));
}

}  // namespace
}  // namespace kelvra::device_test

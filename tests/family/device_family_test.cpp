// The device core's branches for the rest of the camera line: the readout offsets each driver
// reports, the CCDs powered down at close, the correction levels of 0x31E0, the module camera's
// boot and text channel, the readiness of 0x32C0/0x33B0 and the sampling thread of 0x3200.
#include <cstring>
#include <vector>

#include "DeviceTestSupport.h"
#include "sensors/CSensorModelC.h"

namespace kelvra::device_test {
namespace {

class FamilyDevice : public DeviceTest {
  protected:
    CKelvraU3Q6Base& Open(uint16_t productId, sim::CameraConfig config = {}) {
        config.productId = productId;
        config.paced = false;
        m_camera = Attach(config);
        CKelvraU3Q6Base& core = NewCore(productId);
        m_clock.Install(core);
        EXPECT_NE(core.OpenCamera(0), 0) << std::hex << productId;
        return core;
    }
    uint8_t Fpga(uint8_t reg) const { return uint8_t(m_camera->fpgaRegister(reg)); }

    std::shared_ptr<sim::SimCamera> m_camera;
};

// The sensor puts 9 lines before its window; with the driver's offsets programmed the frame
// starts at the window's first row rather than in those dark lines.
TEST_F(FamilyDevice, ConfigureBuffersProgramsTheDriversOffsetsAndFramesStartAtTheWindow) {
    CKelvraU3Q6Base& core = Open(0x3100);
    ASSERT_EQ(core.SetCaptureWindow(0, 0, 640, 480, 0), 1);
    ASSERT_EQ(core.ConfigureBuffers(), 1);
    EXPECT_EQ(Fpga(72) | Fpga(73) << 8, 9);
    EXPECT_EQ(Fpga(76) | Fpga(77) << 8, 0);
    EXPECT_EQ(Fpga(68) | Fpga(69) << 8, 640);
    ASSERT_EQ(core.StartTransfer(1), 1);
    ASSERT_EQ(WaitNewFrame(core), 3);
    ASSERT_TRUE(ThreadEnds(core));
    std::vector<uint8_t> frame(core.FrameSize());
    ASSERT_EQ(core.CopyFrame(frame.data(), uint32_t(frame.size()), nullptr, nullptr, nullptr,
                             nullptr, nullptr, 0, 1),
              1);
    double top = 0, middle = 0;
    for (size_t x = 0; x < 640; ++x) {
        top += frame[x];
        middle += frame[240 * 640 + x];
    }
    EXPECT_GT(top, 0.5 * middle);
}

TEST_F(FamilyDevice, ChannelCcdsArePoweredDownAtCloseAndOthersAreNot) {
    for (const uint16_t productId : {uint16_t(0x30C0), uint16_t(0x3050)}) {
        CKelvraU3Q6Base& core = Open(productId);
        ASSERT_EQ(Fpga(0xA0), 1);
        ASSERT_EQ(m_camera->sensorWord(0x0000) & 1, 1);
        ASSERT_EQ(core.CloseCamera(), 1);
        const bool down = productId == 0x30C0;
        EXPECT_EQ(Fpga(0xA0), down ? 0 : 1) << std::hex << productId;
        EXPECT_EQ(m_camera->sensorWord(0x0000) & 1, down ? 0 : 1);
        if (down) {
            EXPECT_EQ(m_camera->sensorWord(0x8000), 0);
        }
        EXPECT_EQ(core.CloseCamera(), 1);  // a second close finds nothing to power down
        sim::detachAllCameras();
    }
}

TEST_F(FamilyDevice, Product31E0SetsAndReadsItsCorrectionLevelThroughItsDriver) {
    CKelvraU3Q6Base& core = Open(0x31E0);
    EXPECT_EQ(core.IsInternalCorrectionSupported(0, 0), 1);
    ASSERT_EQ(core.SetInternalCorrection(4), 1);
    EXPECT_EQ(Fpga(0x90), 4);
    EXPECT_EQ(core.GetInternalCorrection(), 4);
    EXPECT_EQ(core.SetInternalCorrection(9), 0);
    EXPECT_EQ(Fpga(209), 0);  // the IMX990 family's register is not touched
}

// The module is booted in the open sequence when its probe fails; the text channel then works
// for this product only.
TEST_F(FamilyDevice, ModuleCameraBootsAsItOpensAndTalksThroughTheCore) {
    CKelvraU3Q6Base& core = Open(0x3180);
    EXPECT_TRUE(m_camera->consoleState().started);
    const char command[] = "g -v 9\nignored";
    ASSERT_EQ(core.SendText(command, 7), 1);
    EXPECT_EQ(m_camera->consoleState().gain, 9);
    char line[8];
    EXPECT_EQ(core.ReceiveText(line, sizeof line), 4);
    EXPECT_STREQ(line, "OK\r\n");
    EXPECT_EQ(core.ReceiveText(line, 3), 0);  // no line waiting
    EXPECT_EQ(core.SetTransferBits(0), 1);
    EXPECT_EQ(Fpga(60), 2);  // this product always transfers 16 bits
    EXPECT_EQ(core.Supports8BitModes(), 0);

    sim::CameraConfig other;
    m_camera = Attach(other);
    CKelvraU3Q6Base& imx = NewCore();
    m_clock.Install(imx);
    ASSERT_NE(imx.OpenCamera(0), 0);
    EXPECT_EQ(imx.SendText(command, 7), 0);
}

TEST_F(FamilyDevice, GlobalShutterProductReleasesItsSensorOnceTheFpgaIsReady) {
    Open(0x32C0);
    EXPECT_EQ(m_camera->sensorRegister(0x0000), 4);
}

// Product 0x3200 samples its temperature while frames are transferred.
TEST_F(FamilyDevice, Product3200SamplesItsTemperatureWhileTransferring) {
    CKelvraU3Q6Base& core = Open(0x3200);
    double celsius = 0.0;
    EXPECT_EQ(core.GetTemperature(&celsius), 0);
    ASSERT_EQ(core.StartTransfer(0), 1);
    ASSERT_TRUE(Eventually([&] { return core.GetTemperature(&celsius) == 1; }));
    EXPECT_NEAR(celsius, m_camera->sensorTemperature(), 0.5);
    ASSERT_EQ(core.StopTransfer(1), 1);
    ASSERT_EQ(core.StartTransfer(0), 1);
    ASSERT_EQ(core.CloseCamera(), 1);  // stops the sampling with the transfer
}

}  // namespace
}  // namespace kelvra::device_test

// Camera controls with logic of their own, against a simulated camera.
#include <gtest/gtest.h>

#include <cstdint>

#include "DeviceTestSupport.h"

namespace kelvra::device_test {
namespace {

constexpr uint8_t kCorrectionRegister = 209;
constexpr uint8_t kParameterLow = 208;
constexpr uint8_t kParameterHigh = 210;
constexpr uint8_t kIoPort = 7;
constexpr uint8_t kFpgaI2cAddress = 0x40;

uint8_t Fpga(const sim::SimCamera& camera, uint8_t reg) {
    return uint8_t(camera.fpgaRegister(reg) & 0xFF);
}

class DeviceControls : public DeviceTest {
  protected:
    CKelvraU3Q6Base& Open(const sim::CameraConfig& config = Config()) {
        m_camera = Attach(config);
        CKelvraU3Q6Base& core = NewCore();
        m_clock.Install(core);  // before the open, so the sensor driver sleeps on it too
        EXPECT_NE(core.OpenCamera(0), 0);
        return core;
    }

    std::shared_ptr<sim::SimCamera> m_camera;
};

TEST_F(DeviceControls, ExposureTimeSetsTheFrameTimeout) {
    CKelvraU3Q6Base& core = Open();
    core.SetFrameTimeout(1234);
    EXPECT_NE(core.SetExposureTime(50000), 0);
    EXPECT_EQ(core.FrameTimeout(), 5000);
    EXPECT_NE(core.SetExposureTime(50001), 0);
    EXPECT_EQ(core.FrameTimeout(), 10000);  // twice the exposure, integer division
    EXPECT_NE(core.SetExposureTime(100), 0);
    EXPECT_EQ(core.FrameTimeout(), 5000);
    EXPECT_EQ(core.GetExposureTime(), 100);
}

TEST_F(DeviceControls, ExposureSecondsAbove2SetTheFrameTimeout) {
    CKelvraU3Q6Base& core = Open();
    ASSERT_NE(core.IsExposureSecondsSupported(), 0);
    core.SetFrameTimeout(1234);
    core.SetExposureSeconds(2.0);
    EXPECT_EQ(core.FrameTimeout(), 1234);
    core.SetExposureSeconds(2.5);
    EXPECT_EQ(core.FrameTimeout(), 3500);
}

TEST_F(DeviceControls, TriggerModeUnchangedWithoutForceDoesNothing) {
    CKelvraU3Q6Base& core = Open();
    EXPECT_EQ(core.SetTriggerMode(0, 1), 1);
    EXPECT_EQ(core.StoredTriggerMode(), 0);
    core.SetCaptureWindow(0, 0, 320, 256, 0);
    ASSERT_EQ(core.StartTransfer(0), 1);
    ASSERT_EQ(WaitNewFrame(core), 3);
    EXPECT_EQ(core.SetTriggerMode(0, 0), 1);
    EXPECT_EQ(core.IsTransferRunning(), 1);  // not stopped: nothing was done
    EXPECT_EQ(core.SetTriggerMode(0, 1), 1);
    EXPECT_EQ(core.IsTransferRunning(), 0);  // forced: the transfer stops first
    EXPECT_EQ(Fpga(*m_camera, 0x58), 0);     // free-running
}

// Triggered acquisition on IMX990 hardware past information word 0x110: entering it latches
// the FPGA frame counter at once, without waiting for (and swallowing) a first triggered
// frame; frames are taken when the counter moves.
TEST_F(DeviceControls, ExternalTriggerLatchesTheCounterWithoutTakingAFrame) {
    CKelvraU3Q6Base& core = Open();
    core.SetCaptureWindow(0, 0, 320, 256, 0);
    int32_t ok = 0;
    EXPECT_EQ(core.SetTriggerMode(1, 0), 1);
    EXPECT_EQ(core.StoredTriggerMode(), 1);
    EXPECT_EQ(core.TriggerFrameCount(), 0);
    const int32_t latched = core.LastFrameNumber();
    EXPECT_EQ(latched, core.ReadFpgaRegister(8, &ok));

    std::atomic<bool> done{false};
    std::thread trigger([&] {
        while (!done) {
            m_camera->fireTrigger();
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
    });
    ASSERT_EQ(core.StartTransfer(2), 1);
    EXPECT_EQ(core.WaitFrame(10000), 3);
    EXPECT_TRUE(ThreadEnds(core));
    EXPECT_EQ(core.TriggerFrameCount(), 1);
    EXPECT_NE(core.LastFrameNumber(), latched);  // taken from the counter, not the header
    done = true;
    trigger.join();
    EXPECT_EQ(core.SetTriggerMode(0, 0), 1);
    EXPECT_EQ(core.TriggerFrameCount(), 0);  // the stop clears it
}

TEST_F(DeviceControls, CaptureWindowLeavesTheRingAloneWhenUnchanged) {
    CKelvraU3Q6Base& core = Open();
    ASSERT_EQ(core.SetCaptureWindow(0, 0, 640, 512, 0), 1);
    ASSERT_EQ(core.ConfigureBuffers(), 1);
    int32_t x = -1, y = -1, w = -1, h = -1, mode = -1;
    ASSERT_EQ(core.GetCaptureWindow(&x, &y, &w, &h, &mode), 1);
    EXPECT_EQ(w, 640);
    EXPECT_EQ(h, 512);
    EXPECT_EQ(core.SetCaptureWindow(x, y, w, h, mode), 1);
    EXPECT_EQ(core.ReconfigureFlag(), 0);
    EXPECT_EQ(core.SetCaptureWindow(x, y, 320, h, mode), 1);
    EXPECT_EQ(core.ReconfigureFlag(), 1);
    EXPECT_EQ(core.SetCaptureWindow(0, 0, 4096, 512, 0), 0);  // outside the array: refused
}

TEST_F(DeviceControls, TransferBitsProgramTheFpgaAndResizeTheRing) {
    CKelvraU3Q6Base& core = Open();
    core.SetCaptureWindow(0, 0, 640, 512, 0);
    EXPECT_EQ(core.SetTransferBits(0), 1);
    EXPECT_EQ(Fpga(*m_camera, 60), 1);
    EXPECT_EQ(core.ConfigureBuffers(), 1);
    EXPECT_EQ(core.FrameSize(), 640u * 512u);
    EXPECT_EQ(core.SetTransferBits(1), 1);  // a change reconfigures at once
    EXPECT_EQ(Fpga(*m_camera, 60), 2);
    EXPECT_EQ(core.FrameSize(), 640u * 512u * 2u);
    m_camera->failI2c(-1, kFpgaI2cAddress);
    EXPECT_EQ(core.SetTransferBits(0), 0);
    EXPECT_EQ(core.TransferBits(), 1);
    m_camera->failI2c(0);
}

TEST_F(DeviceControls, InternalCorrectionSwitchesBitZeroOfRegister209) {
    CKelvraU3Q6Base& core = Open();
    ASSERT_EQ(core.IsInternalCorrectionSupported(0, 0), 1);  // information word bit 15
    ASSERT_EQ(core.WriteFpgaRegister(kCorrectionRegister, 0x80), 1);
    EXPECT_EQ(core.GetInternalCorrection(), 0);
    EXPECT_EQ(core.SetInternalCorrection(1), 1);
    EXPECT_EQ(Fpga(*m_camera, kCorrectionRegister), 0x81);  // the other bits kept
    EXPECT_EQ(core.GetInternalCorrection(), 1);
    EXPECT_EQ(core.SetInternalCorrection(1), 1);
    EXPECT_EQ(core.SetInternalCorrection(0), 1);
    EXPECT_EQ(Fpga(*m_camera, kCorrectionRegister), 0x80);
    // A state that cannot be read is no success, not even for "already off".
    m_camera->failI2c(-1, kFpgaI2cAddress);
    EXPECT_EQ(core.SetInternalCorrection(0), 0);
    EXPECT_EQ(core.GetInternalCorrection(), 0);
    m_camera->failI2c(0);
}

TEST_F(DeviceControls, FpgaParameterIsTwoBytesInRegisters208And210) {
    CKelvraU3Q6Base& core = Open();
    ASSERT_EQ(core.IsFpgaParameterSupported(), 1);
    EXPECT_EQ(core.GetFpgaParameterMin(), 0);
    EXPECT_EQ(core.GetFpgaParameterMax(), 0xFFFF);
    EXPECT_EQ(core.SetFpgaParameter(0x1234), 1);
    EXPECT_EQ(Fpga(*m_camera, kParameterLow), 0x34);
    EXPECT_EQ(Fpga(*m_camera, kParameterHigh), 0x12);
    int32_t value = 0;
    EXPECT_EQ(core.GetFpgaParameter(&value), 1);
    EXPECT_EQ(value, 0x1234);
    EXPECT_EQ(core.GetFpgaParameter(nullptr), 0);
}

TEST_F(DeviceControls, WithoutCorrectionHardwareThereIsNoFpgaParameter) {
    sim::CameraConfig config = Config();
    config.informationWord = 0x0130;
    CKelvraU3Q6Base& core = Open(config);
    EXPECT_EQ(core.IsInternalCorrectionSupported(0, 0), 0);
    EXPECT_EQ(core.SetInternalCorrection(1), 0);
    EXPECT_EQ(core.IsFpgaParameterSupported(), 0);
    EXPECT_EQ(core.SetFpgaParameter(0x1234), 0);
    EXPECT_EQ(Fpga(*m_camera, kParameterLow), 0);
    EXPECT_EQ(core.GetFpgaParameterMax(), 0);
}

TEST_F(DeviceControls, WaitFpgaIdlePollsEveryMillisecondUntilTheLimit) {
    CKelvraU3Q6Base& core = Open();
    const int sleepsBefore = m_clock.Count(1);
    m_camera->holdSensorBus(3);
    EXPECT_EQ(core.WaitFpgaIdle(100), 1);
    EXPECT_EQ(m_clock.Count(1) - sleepsBefore, 3);

    m_camera->holdSensorBus(-1);
    EXPECT_EQ(core.WaitFpgaIdle(20), 0);
    EXPECT_EQ(m_clock.Count(1) - sleepsBefore - 3, 20);
    m_camera->holdSensorBus(0);

    m_camera->failI2c(-1, kFpgaI2cAddress);
    EXPECT_EQ(core.WaitFpgaIdle(20), 0);
    m_camera->failI2c(0);
}

TEST_F(DeviceControls, EepromSettingByteLivesAt0x1080) {
    CKelvraU3Q6Base& core = Open();
    EXPECT_EQ(core.WriteEepromSetting(0x5A), 1);
    EXPECT_EQ(m_camera->eepromByte(0x1080), 0x5A);
    m_camera->setEepromByte(0x1080, 0xC3);
    uint8_t value = 0;
    EXPECT_EQ(core.ReadEepromSetting(&value), 1);
    EXPECT_EQ(value, 0xC3);
    EXPECT_EQ(core.ReadEepromSetting(nullptr), 0);
    EXPECT_EQ(core.WriteEeprom(0x10000, 1), 0);  // beyond the 16-bit address space
    EXPECT_EQ(core.ReadEeprom(-1, &value), 0);
}

TEST_F(DeviceControls, RegisterPassThroughs) {
    CKelvraU3Q6Base& core = Open();
    EXPECT_EQ(core.WriteFpgaRegister(kIoPort, 0x105), 1);  // low byte only
    EXPECT_EQ(m_camera->ioOutputs(), 0x05);
    int32_t ok = 0;
    m_camera->setIoInputs(0x0A);
    EXPECT_EQ(core.ReadFpgaRegister(kIoPort, &ok) >> 4, 0x0A);
    EXPECT_EQ(ok, 1);

    EXPECT_EQ(core.WriteSensorBus(0x3000, 0x12345678, 3), 1);
    EXPECT_EQ(m_camera->sensorRegister(0x3000), 0x78);
    EXPECT_EQ(m_camera->sensorRegister(0x3001), 0x56);
    EXPECT_EQ(m_camera->sensorRegister(0x3002), 0x34);
    EXPECT_EQ(m_camera->sensorRegister(0x3003), 0x00);
    uint32_t value = 0;
    EXPECT_EQ(core.ReadSensorBus(0x3000, &value, 2), 1);
    EXPECT_EQ(value, 0x5678u);
    EXPECT_EQ(core.WriteSensorBus(0x3000, 1, 5), 0);
    EXPECT_EQ(core.ReadSensorBus(0x3000, &value, 0), 0);

    EXPECT_EQ(core.WriteRegister(0, 0x3010, 0x42), 1);
    ok = 0;
    EXPECT_EQ(core.ReadRegister(0, 0x3010, &ok), 0x42);
    EXPECT_EQ(ok, 1);
}

TEST_F(DeviceControls, ForwardersReachTheSensorDriver) {
    CKelvraU3Q6Base& core = Open();
    EXPECT_EQ(core.SupportsColorModes(), 0);  // monochrome, unlike the no-driver answer
    EXPECT_EQ(core.IsFlipSupported(), 1);
    EXPECT_EQ(core.SetFlip(1), 1);
    EXPECT_EQ(core.GetFlip(), 1);
    EXPECT_NE(core.SetGain(core.GetGainMax()), 0);
    EXPECT_EQ(core.GetGain(), core.GetGainMax());
    double celsius = -1000.0;
    ASSERT_EQ(core.IsTemperatureSupported(), 1);
    EXPECT_NE(core.GetTemperature(&celsius), 0);
    EXPECT_GT(celsius, -50.0);
    EXPECT_LT(celsius, 80.0);
    char text[8] = "x";
    EXPECT_EQ(core.ReceiveText(text, sizeof text), 0);  // not the module-console product
    EXPECT_EQ(core.GetFpgaTemperature(&celsius), 0);    // not a block-stream model
}

}  // namespace
}  // namespace kelvra::device_test

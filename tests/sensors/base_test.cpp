// CSensorBase: the defaults a class inherits, the descriptor record as bytes, and the register
// routines (verified FPGA writes, restart pulse, information word, trigger-timing program).
#include <gtest/gtest.h>

#include <array>
#include <cstring>
#include <thread>
#include <vector>

#include "SensorFixture.h"
#include "sensors/CSensorBase.h"
#include "sensors/CSensorIMX990.h"
#include "sensors/CSensorIMX991.h"
#include "sensors/CSensorIMX992.h"
#include "sensors/CSensorIMX993.h"

namespace kelvra::sensors::test {
namespace {

// A class that overrides nothing, with the base routines opened for the tests.
class BareSensor : public CSensorBase {
  public:
    using CSensorBase::CSensorBase;
    using CSensorBase::ProgramTriggerTiming;
    using CSensorBase::TriggerDelayBytes;
    using CSensorBase::WriteFpgaVerifiedQuick;
    using CSensorBase::WriteFpgaVerifiedSlow;
    using CSensorBase::WriteSensorDirect;
};

TEST(SensorBaseDefaults, AClassThatOverridesNothingReportsEverythingUnsupported) {
    BareSensor sensor(nullptr, 0x48);
    int32_t value = 123;
    double seconds = 1.5;
    EXPECT_EQ(sensor.GetTriggerModeValue(), 15);
    ASSERT_EQ(sensor.GetTriggerMode(&value), 1);
    EXPECT_NE(value, 0);  // 15: neither free-running nor triggered
    EXPECT_NE(value, 1);
    EXPECT_EQ(sensor.ProbeSensor(), 0);
    EXPECT_EQ(sensor.InitSensor(), 0);
    EXPECT_EQ(sensor.SetReadoutWindow(0, 64, 0, 64, 0), 0);
    EXPECT_EQ(sensor.SetTriggerMode(1), 0);
    EXPECT_EQ(sensor.SetOutputBits(1), 0);
    EXPECT_EQ(sensor.SetExposureLines(100), 0);
    EXPECT_EQ(sensor.SetExposureTime(100), 0);
    EXPECT_EQ(sensor.SetExposureSeconds(0.01), 0);
    EXPECT_EQ(sensor.SetGain(1), 0);
    EXPECT_EQ(sensor.SetColorGainRed(1), 0);
    EXPECT_EQ(sensor.SetChannelGain(1, 1), 0);
    EXPECT_EQ(sensor.SetBlackLevel(1), 0);
    EXPECT_EQ(sensor.SetAuxMode(1), 0);
    EXPECT_EQ(sensor.SetMirror(1), 0);
    EXPECT_EQ(sensor.SetFlip(1), 0);
    EXPECT_EQ(sensor.WriteRegister(0x10, 1), 0);
    EXPECT_EQ(sensor.ReadRegister(0x10, &value), 0);
    EXPECT_EQ(sensor.WriteRegisterSafe(0x10, 1), 0);
    EXPECT_EQ(sensor.HasCooler(), 0);
    EXPECT_EQ(sensor.IsTemperatureSupported(), 0);
    EXPECT_EQ(sensor.GetTemperature(&seconds), 0);
    EXPECT_EQ(sensor.IsBlackLevelSupported(), 0);
    EXPECT_EQ(sensor.GetBlackLevel(&value), 0);  // the supported word
    EXPECT_EQ(sensor.GetExposureSecondsMin(&seconds), 0.0);
    EXPECT_EQ(sensor.IsGainModeSupported(), 0);
    EXPECT_EQ(sensor.GetGainMode(), -1);
    EXPECT_EQ(sensor.SensorOperation136(), -1);
    EXPECT_EQ(sensor.Supports8BitModes(), 1);
    EXPECT_EQ(sensor.Supports16BitMode(0), 1);
    EXPECT_EQ(sensor.SupportsColorModes(), 1);
    EXPECT_EQ(sensor.IsFpgaOptionAvailable(), 0);
    EXPECT_EQ(sensor.PulseReadoutRestart(), 0);
    EXPECT_EQ(sensor.GetHardwareInfo(), 0);

    SensorDescriptor d;
    std::memset(&d, 0xEE, sizeof(d));
    ASSERT_EQ(sensor.GetDescriptor(&d), 1);
    const std::array<uint8_t, kSensorDescriptorBytes> zero{};
    EXPECT_EQ(std::memcmp(&d, zero.data(), sizeof(d)), 0) << "the base zeroes the record";
    EXPECT_EQ(sensor.GetDescriptor(nullptr), 0);
}

// The record as the device core sees it: 368 bytes, fields at their word positions.
TEST(SensorDescriptorRecord, GetDescriptorCopiesExactly368BytesInWordOrder) {
    CSensorIMX993 sensor(nullptr);
    sensor.SetModelCode(kImx993Cooled);
    std::array<uint8_t, kSensorDescriptorBytes + 16> buffer;
    buffer.fill(0xA5);
    ASSERT_EQ(sensor.GetDescriptor(reinterpret_cast<SensorDescriptor*>(buffer.data())), 1);
    for (size_t i = kSensorDescriptorBytes; i < buffer.size(); ++i) {
        ASSERT_EQ(buffer[i], 0xA5) << "byte " << i << " beyond the record was written";
    }
    auto word = [&](size_t number) {
        int32_t v;
        std::memcpy(&v, buffer.data() + (number - 1) * 4, 4);
        return v;
    };
    auto real = [&](size_t number) {
        double v;
        std::memcpy(&v, buffer.data() + (number - 1) * 4, 8);
        return v;
    };
    EXPECT_EQ(word(1), 2048);
    EXPECT_EQ(word(2), 1536);
    EXPECT_EQ(word(5), 2048);
    EXPECT_EQ(word(6), 1536);
    EXPECT_EQ(word(7), 0);
    EXPECT_EQ(word(8), 1);
    EXPECT_EQ(word(13), 2080);
    EXPECT_EQ(word(14), 1628);
    EXPECT_EQ(word(22), 420);   // gain max
    EXPECT_EQ(word(25), 1);     // gain step
    EXPECT_EQ(word(26), 2);     // exposure lines min
    EXPECT_EQ(word(29), 1576);  // exposure lines default
    EXPECT_EQ(word(52), 20000);
    EXPECT_EQ(word(54), 102);
    EXPECT_EQ(word(62), 4095);  // black level max
    EXPECT_EQ(word(64), 240);
    EXPECT_EQ(word(65), 1);  // black level supported
    EXPECT_EQ(word(66), 1);  // auxiliary mode supported
    EXPECT_DOUBLE_EQ(real(69), 2.7842e-05);
    EXPECT_DOUBLE_EQ(real(71), 2.0);
    EXPECT_DOUBLE_EQ(real(75), 0.010290322);
    EXPECT_EQ(word(77), 1);
    EXPECT_EQ(word(85), 1);  // mirror supported
    EXPECT_EQ(word(88), 1);  // flip supported
    EXPECT_EQ(word(89), 0);  // output bits until SetOutputBits
    EXPECT_EQ(word(90), 54545);
    EXPECT_EQ(word(91), 1);  // cooled: upright
}

TEST(SensorDescriptorRecord, ConstructorTablesOfTheFourClasses) {
    CSensorIMX990 imx990(nullptr);
    CSensorIMX991 imx991(nullptr);
    CSensorIMX992 imx992(nullptr);
    SensorDescriptor d{};
    imx990.GetDescriptor(&d);
    EXPECT_EQ(d.maxWidth, 1280);
    EXPECT_EQ(d.lineLength, 1376);
    EXPECT_EQ(d.frameLength, 1048);
    EXPECT_EQ(d.exposureLines.defaultValue, 1064);
    EXPECT_EQ(d.exposureTime.defaultValue, 138);
    EXPECT_EQ(d.outputBits, 8);
    EXPECT_EQ(d.orientation, 4);
    EXPECT_EQ(d.blackLevel.supported, 0);
    imx991.GetDescriptor(&d);
    EXPECT_EQ(d.maxHeight, 512);
    EXPECT_EQ(d.frameLength, 536);
    EXPECT_DOUBLE_EQ(d.exposureSecondsDefault, 0.007);
    imx992.GetDescriptor(&d);
    EXPECT_EQ(d.maxWidth, 2560);
    EXPECT_EQ(d.exposureLines.max, 16777177);
    EXPECT_EQ(imx992.GetTriggerModeValue(), 0);
    EXPECT_EQ(imx990.GetTriggerModeValue(), 15);
}

class SensorBaseRegistersTest : public SensorFixture {};

TEST_F(SensorBaseRegistersTest, VerifiedWritesRetryUntilTheRegisterHoldsTheValue) {
    Rig rig = Open(0x3270);
    BareSensor sensor(rig.recorder.get(), 0x48);
    sensor.SetSleepFunction(rig.recorder->SleepRecorder());

    ASSERT_EQ(sensor.WriteFpgaVerifiedQuick(0x30, 7), 1);
    EXPECT_EQ(rig.Fpga(0x30), 7);
    EXPECT_EQ(rig.recorder->Trace(0), (std::vector<std::string>{"F30=7", "Z5"}));

    // 0x17 is read-only: the value never verifies.
    rig.recorder->Clear();
    EXPECT_EQ(sensor.WriteFpgaVerifiedQuick(0x17, 7), 0);
    EXPECT_EQ(rig.recorder->Count(Op::FpgaWrite, 0x17), 10);
    EXPECT_EQ(rig.recorder->Count(Op::Sleep), 20);
    rig.recorder->Clear();
    EXPECT_EQ(sensor.WriteFpgaVerifiedSlow(0x17, 7), 0);
    EXPECT_EQ(rig.recorder->Count(Op::FpgaWrite, 0x17), 100);
    for (const Event& e : rig.recorder->Events()) {
        if (e.op == Op::Sleep) {
            EXPECT_EQ(e.value, 100u);
        }
    }
}

TEST_F(SensorBaseRegistersTest, DirectSensorWriteSendsAddressAndValueAfterThePause) {
    Rig rig = Open(0x3270);
    BareSensor sensor(rig.recorder.get(), 0x48);
    sensor.SetSleepFunction(rig.recorder->SleepRecorder());
    ASSERT_EQ(sensor.WriteSensorDirect(0x7C0, 0x5A, true), 1);
    EXPECT_EQ(rig.Sensor(0x7C0), 0x5A);
    EXPECT_EQ(rig.recorder->Trace(0), (std::vector<std::string>{"Z1", "S7C0=90"}));
    rig.recorder->Clear();
    ASSERT_EQ(sensor.WriteSensorDirect(0x7C1, 3, false), 1);
    EXPECT_EQ(rig.recorder->Trace(0), (std::vector<std::string>{"S7C1=3"}));
}

TEST_F(SensorBaseRegistersTest, RestartPulseUsesTheModelsRegisterAndHonoursItsFlag) {
    Rig rig = Open(0x3270);
    BareSensor sensor(rig.recorder.get(), 0x48);
    sensor.SetSleepFunction(rig.recorder->SleepRecorder());
    ASSERT_EQ(sensor.PulseReadoutRestart(), 1);
    EXPECT_EQ(rig.recorder->Trace(0), (std::vector<std::string>{"F6C=1", "Z1", "F6C=0", "Z1"}));

    rig.recorder->Clear();
    sensor.SetModelCode(115);
    ASSERT_EQ(sensor.PulseReadoutRestart(), 1);
    EXPECT_EQ(rig.recorder->Trace(0), (std::vector<std::string>{"F96=1", "Z1", "F96=0", "Z1"}));
}

TEST_F(SensorBaseRegistersTest, RestartPulseIsSkippedAfterAnUnchangedTriggerMode) {
    Rig rig = Open(0x3270);
    CSensorIMX990 sensor(rig.recorder.get());
    sensor.SetSleepFunction(rig.recorder->SleepRecorder());
    ASSERT_EQ(sensor.SetTriggerMode(0), 1);  // FPGA already free-running: nothing to do
    EXPECT_EQ(sensor.GetRestartPulseFlag(), 0);
    rig.recorder->Clear();
    ASSERT_EQ(sensor.PulseReadoutRestart(), 1);
    EXPECT_TRUE(rig.recorder->Events().empty());
}

TEST_F(SensorBaseRegistersTest, InformationWordIsFetchedOnceAndRetriedAfterAFailure) {
    Rig rig = Open(0x3270);
    CSensorIMX990 sensor(rig.recorder.get());
    sensor.SetSleepFunction(rig.recorder->SleepRecorder());

    rig.camera->failI2c(-1, 0x40);
    EXPECT_EQ(sensor.GetHardwareInfo(), 0);
    EXPECT_EQ(rig.recorder->Count(Op::InfoWord), 10);
    std::vector<uint32_t> sleeps;
    for (const Event& e : rig.recorder->Events()) {
        if (e.op == Op::Sleep) sleeps.push_back(e.value);
    }
    EXPECT_EQ(sleeps, std::vector<uint32_t>(9, 100));
    // Features gated by the word read as absent.
    EXPECT_EQ(sensor.IsInternalCorrectionSupported(0, 0), 0);
    EXPECT_EQ(sensor.IsTriggerPolaritySupported(), 0);

    rig.camera->failI2c(0, 0x40);
    rig.recorder->Clear();
    EXPECT_EQ(sensor.GetHardwareInfo(), 0x8130);
    EXPECT_EQ(sensor.IsInternalCorrectionSupported(0, 0), 1);
    EXPECT_EQ(sensor.IsTriggerPolaritySupported(), 1);
    EXPECT_EQ(sensor.Supports16BitMode(0), 1);
    double celsius = 0;
    EXPECT_EQ(sensor.GetTemperature(&celsius), 1);
    EXPECT_EQ(rig.recorder->Count(Op::InfoWord), 1) << "one fetch serves every feature";
}

TEST_F(SensorBaseRegistersTest, ConcurrentFirstUsesShareOneFetch) {
    Rig rig = Open(0x3270);
    CSensorIMX990 sensor(rig.recorder.get());
    sensor.SetSleepFunction(rig.recorder->SleepRecorder());
    std::vector<std::thread> threads;
    std::array<uint16_t, 4> seen{};
    for (size_t i = 0; i < seen.size(); ++i) {
        threads.emplace_back([&, i] { seen[i] = sensor.GetHardwareInfo(); });
    }
    for (std::thread& t : threads) t.join();
    for (uint16_t word : seen) EXPECT_EQ(word, 0x8130);
    EXPECT_EQ(rig.recorder->Count(Op::InfoWord), 1);
}

TEST_F(SensorBaseRegistersTest, ZeroInformationWordLeavesTheGatedFeaturesAbsent) {
    sim::CameraConfig config = Config(0x3270);
    config.informationWord = 0;
    Rig rig = Open(config);
    CSensorIMX990 sensor(rig.recorder.get());
    sensor.SetSleepFunction(rig.recorder->SleepRecorder());
    sensor.SetModelCode(kImx990Cooled);
    EXPECT_EQ(sensor.IsInternalCorrectionSupported(0, 0), 0);
    EXPECT_EQ(sensor.IsTriggerPolaritySupported(), 0);
    EXPECT_EQ(sensor.IsFpgaOptionAvailable(), 0);
    double celsius = 0;
    rig.recorder->Clear();
    ASSERT_EQ(sensor.GetTemperature(&celsius), 1);
    EXPECT_EQ(rig.recorder->Count(Op::FpgaRead, 0xE5), 0) << "old firmware: the sensor's latch";
    EXPECT_GT(rig.recorder->Count(Op::SensorRead, 0x690), 0);
}

TEST_F(SensorBaseRegistersTest, TriggerProgramWritesInOrderAndStopsAtAWriteThatDoesNotVerify) {
    Rig rig = Open(0x3270);
    BareSensor sensor(rig.recorder.get(), 0x48);
    sensor.SetSleepFunction(rig.recorder->SleepRecorder());
    TriggerTimingProgram program;
    program.exposureLines = 0x0A123456;
    program.timing0 = 195;
    program.timing1 = 2;
    program.delay = BareSensor::TriggerDelayBytes(0x020304);
    program.delayBytes = 2;
    program.writeExposureTop = true;
    ASSERT_EQ(sensor.ProgramTriggerTiming(program), 1);
    EXPECT_EQ(rig.recorder->Trace(10),
              (std::vector<std::string>{"F58=0", "F85=86", "F86=52", "F9B=18", "F9C=10", "F54=195",
                                        "F55=2", "F50=4", "F51=3", "F58=2"}));
    EXPECT_EQ(rig.Fpga(0x58), 2);

    // An FPGA that does not answer: the trigger is never armed.
    rig.recorder->Clear();
    rig.camera->failI2c(-1, 0x40);
    EXPECT_EQ(sensor.ProgramTriggerTiming(program), 0);
    EXPECT_EQ(rig.recorder->Count(Op::FpgaWrite, 0x58), 10);
    EXPECT_EQ(rig.recorder->Count(Op::FpgaWrite, 0x85), 0);
}

}  // namespace
}  // namespace kelvra::sensors::test

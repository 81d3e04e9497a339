// IMX990 and IMX991 against simulated cameras: trigger sequences and polarity, temperature,
// cooler, FPGA option and the IMX991's differences.
#include <gtest/gtest.h>

#include "SensorFixture.h"
#include "sensors/CSensorIMX990.h"
#include "sensors/CSensorIMX991.h"

namespace kelvra::sensors::test {
namespace {

using Trace = std::vector<std::string>;

class FirstGenTest : public SensorFixture {
  protected:
    template <class T>
    std::unique_ptr<T> Ready(Rig& rig, int32_t model) {
        auto driver = Driver<T>(rig, model);
        EXPECT_EQ(driver->InitSensor(), 1);
        rig.recorder->Clear();
        return driver;
    }

    // A camera whose sensor sits at a fixed temperature.
    static sim::CameraConfig AtTemperature(uint16_t productId, double celsius, uint16_t info) {
        sim::CameraConfig config = Config(productId);
        config.ambientCelsius = celsius;
        config.selfHeatingCelsius = 0.0;
        config.informationWord = info;
        return config;
    }
};

// On: FPGA program (delay = 1064 + 1024 + 9 = 2097), sensor trigger configuration under
// standby, polarity, restart pulse, a frame. Off: the reverse. Again off: nothing to do.
TEST_F(FirstGenTest, Imx990TriggerOnAndOffSequences) {
    Rig rig = Open(0x3270);
    auto driver = Ready<CSensorIMX990>(rig, kImx990Cooled);

    ASSERT_EQ(driver->SetTriggerMode(1), 1);
    EXPECT_EQ(rig.recorder->Trace(),
              (Trace{"F58=0",  "F85=40", "F86=4",  "F9B=0",  "F54=195", "F55=2",   "F50=49",
                     "F51=8",  "F52=0",  "F58=2",  "S200=1", "Z100",    "S430=19", "Z100",
                     "S600=1", "Z100",   "S200=0", "F59=0",  "F6C=1",   "F6C=0",   "Z23"}))
        << Join(rig.recorder->Trace());
    EXPECT_EQ(rig.Fpga(0x58), 2);
    EXPECT_EQ(rig.Sensor(0x600), 1);
    EXPECT_EQ(rig.Sensor(0x200), 0);
    EXPECT_EQ(driver->GetTriggerModeValue(), 1);

    // In trigger mode an exposure change reprograms the FPGA timing.
    rig.recorder->Clear();
    ASSERT_EQ(driver->SetExposureLines(500), 1);
    EXPECT_TRUE(ContainsInOrder(rig.recorder->Trace(), {"S440=66", "F58=0", "F85=244", "F86=1",
                                                        "F50=253", "F51=5", "F58=2"}))
        << Join(rig.recorder->Trace());  // 578 = 0x242, 500 = 0x1F4, 1533 = 0x5FD

    rig.recorder->Clear();
    ASSERT_EQ(driver->SetTriggerMode(0), 1);
    EXPECT_EQ(rig.recorder->Trace(), (Trace{"F58=0", "F59=0", "S200=1", "Z100", "S430=17", "Z100",
                                            "S600=0", "Z100", "S200=0", "F6C=1", "F6C=0", "Z23"}))
        << Join(rig.recorder->Trace());
    EXPECT_EQ(rig.Fpga(0x58), 0);
    EXPECT_EQ(rig.Sensor(0x430), 0x11);

    rig.recorder->Clear();
    ASSERT_EQ(driver->SetTriggerMode(0), 1);
    EXPECT_EQ(rig.recorder->Trace(), Trace{});
    EXPECT_EQ(driver->GetRestartPulseFlag(), 0);

    // A window change makes the trigger state stale: the same mode is programmed again.
    ASSERT_EQ(driver->SetReadoutWindow(0, 640, 0, 512, 0), 1);
    rig.recorder->Clear();
    ASSERT_EQ(driver->SetTriggerMode(0), 1);
    EXPECT_TRUE(ContainsInOrder(rig.recorder->Trace(), {"F58=0", "S200=1", "S430=17", "F6C=1"}));
    EXPECT_EQ(driver->IsWindowChanged(), 0);
}

TEST_F(FirstGenTest, Imx990PolarityAndOldFirmware) {
    Rig rig = Open(0x3270);
    auto driver = Ready<CSensorIMX990>(rig, kImx990Cooled);
    EXPECT_EQ(driver->IsTriggerPolaritySupported(), 1);
    ASSERT_EQ(driver->SetTriggerPolarity(1), 1);
    EXPECT_EQ(driver->ApplyTriggerPolarity(), 1);
    ASSERT_EQ(driver->SetTriggerMode(1), 1);
    EXPECT_TRUE(ContainsInOrder(rig.recorder->Trace(), {"S200=0", "F59=4", "F6C=1"}));
    EXPECT_EQ(rig.Fpga(0x59), 4);

    // Up to 0x110 the FPGA has no polarity register, and switching on ends after the sensor.
    sim::CameraConfig config = Config(0x3270);
    config.informationWord = 0x0110;
    Rig old = Open(config);
    auto oldDriver = Ready<CSensorIMX990>(old, kImx990Cooled);
    ASSERT_EQ(oldDriver->SetTriggerPolarity(1), 1);
    ASSERT_EQ(oldDriver->SetTriggerMode(1), 1);
    Trace on = old.recorder->Trace();
    ASSERT_FALSE(on.empty());
    EXPECT_EQ(on.back(), "S200=0") << Join(on);
    EXPECT_EQ(oldDriver->GetTriggerModeValue(), 1);
    old.recorder->Clear();
    ASSERT_EQ(oldDriver->SetTriggerMode(0), 1);
    EXPECT_EQ(old.recorder->Count(Op::FpgaWrite, 0x59), 0);
}

TEST_F(FirstGenTest, Imx991TriggerKeepsPolarityZeroAndDoesNotPulseWhenSwitchingOff) {
    Rig rig = Open(0x3290);
    auto driver = Ready<CSensorIMX991>(rig, kImx991Cooled);
    ASSERT_EQ(driver->SetTriggerPolarity(1), 1);
    ASSERT_EQ(driver->SetTriggerMode(1), 1);
    // Delay 539 lines + 512 + 9 = 1060 = 0x424.
    EXPECT_TRUE(ContainsInOrder(rig.recorder->Trace(),
                                {"F58=0", "F85=27", "F86=2", "F54=195", "F50=36", "F51=4", "F58=2",
                                 "S430=19", "S200=0", "F59=0", "F6C=1", "F6C=0"}))
        << Join(rig.recorder->Trace());
    EXPECT_EQ(rig.Fpga(0x59), 0);

    rig.recorder->Clear();
    ASSERT_EQ(driver->SetTriggerMode(0), 1);
    EXPECT_EQ(rig.recorder->Trace(), (Trace{"F58=0", "F59=0", "S200=1", "Z100", "S430=17", "Z100",
                                            "S600=0", "Z100", "S200=0"}))
        << Join(rig.recorder->Trace());
}

TEST_F(FirstGenTest, Imx991WindowExposureAndColumnOffsets) {
    Rig rig = Open(0x3290);
    auto driver = Ready<CSensorIMX991>(rig, kImx991Cooled);
    EXPECT_EQ(rig.Sensor16(0x2D4), 561u);  // trunc(556 x 1.30925 / 1.29599)
    // The IMX991 writes no read-back: the temperature output "takes" the write.
    EXPECT_EQ(driver->WriteRegisterSafe(0x690, 5), 1);
    EXPECT_EQ(rig.recorder->Count(Op::SensorRead), 0);
    // Fixed line period whatever the window: 7.9 ms = 608 lines even at full height.
    ASSERT_EQ(driver->SetExposureTime(79), 1);
    int32_t lines = 0;
    driver->GetExposureLines(&lines);
    EXPECT_EQ(lines, 608);
    EXPECT_EQ(rig.Sensor24(0x2D4), 623u);  // stretched: 608 + 15
    ASSERT_EQ(driver->SetFlip(1), 1);
    EXPECT_EQ(rig.Fpga(0x4C), 104);

    sim::CameraConfig config = Config(0x3290);
    config.informationWord = 0x4130;  // high-speed readout
    Rig fast = Open(config);
    auto fastDriver = Ready<CSensorIMX991>(fast, kImx991Cooled);
    ASSERT_EQ(fastDriver->SetFlip(1), 1);
    EXPECT_EQ(fast.Fpga(0x4C), 100);
    ASSERT_EQ(fastDriver->SetFlip(0), 1);
    EXPECT_EQ(fast.Fpga(0x4C), 4);
    ASSERT_EQ(fastDriver->SetReadoutWindow(0, 640, 0, 512, 1), 1);
    ASSERT_EQ(fastDriver->SetFlip(1), 1);
    EXPECT_EQ(fast.Fpga(0x4C), 48);
    ASSERT_EQ(fastDriver->SetFlip(0), 1);
    EXPECT_EQ(fast.Fpga(0x4C), 0);
}

TEST_F(FirstGenTest, TemperatureFromTheFpgaAndFromTheSensorLatch) {
    const struct {
        double celsius;
        uint16_t raw;
    } cases[] = {{50.0, 0x190}, {-1.0, 0xFF8}};
    for (const auto& c : cases) {
        for (uint16_t info : {uint16_t{0x8130}, uint16_t{0x0130}}) {
            SCOPED_TRACE(testing::Message() << c.celsius << " info " << info);
            Rig rig = Open(AtTemperature(0x3270, c.celsius, info));
            rig.camera->setSensorTemperature(c.celsius);
            auto driver = Driver<CSensorIMX990>(rig, kImx990Cooled);
            EXPECT_EQ(driver->IsTemperatureSupported(), 1);
            double t = 99.0;
            ASSERT_EQ(driver->GetTemperature(&t), 1);
            EXPECT_DOUBLE_EQ(t, c.celsius);
            EXPECT_DOUBLE_EQ(CSensorImxFamily::TemperatureFromRaw(c.raw), c.celsius);
            const bool fpga = info >= 0x8024;
            EXPECT_EQ(rig.recorder->Count(Op::FpgaRead, 0xE5) > 0, fpga);
            EXPECT_EQ(rig.recorder->Count(Op::SensorWrite, 0x788) == 2, !fpga);
            EXPECT_EQ(rig.Sensor(0x788) & 1, 0) << "the latch is released";
            sim::detachAllCameras();
        }
    }
    EXPECT_DOUBLE_EQ(CSensorImxFamily::TemperatureFromRaw(0x800), -256.0);
    EXPECT_DOUBLE_EQ(CSensorImxFamily::TemperatureFromRaw(0x7FF), 255.875);
    EXPECT_DOUBLE_EQ(CSensorImxFamily::TemperatureFromRaw(0x005), 0.625);
}

TEST_F(FirstGenTest, TemperatureFailsWhenNoReadingArrives) {
    Rig rig = Open(0x3270);
    auto driver = Driver<CSensorIMX990>(rig, kImx990Cooled);
    ASSERT_EQ(driver->GetHardwareInfo(), 0x8130);
    double t = 42.0;
    EXPECT_EQ(driver->GetTemperature(nullptr), 0);
    rig.camera->failI2c(-1, 0x40);
    EXPECT_EQ(driver->GetTemperature(&t), 0) << "a failed exchange is not 0 degrees";
    EXPECT_EQ(t, 42.0);
    EXPECT_EQ(rig.recorder->Count(Op::FpgaRead, 0xE5), 5);
}

TEST_F(FirstGenTest, CoolerRegisterIsWrittenWhole) {
    Rig rig = Open(0x3270);
    auto driver = Driver<CSensorIMX990>(rig, kImx990Cooled);
    ASSERT_EQ(rig.controller->WriteFpgaRegister(0x97, 0x06), 1);
    EXPECT_EQ(driver->HasCooler(), 1);
    EXPECT_EQ(driver->GetCoolerState(), 0);
    ASSERT_EQ(driver->SetCooler(1), 1);
    EXPECT_EQ(rig.Fpga(0x97), 1);
    EXPECT_EQ(driver->GetCoolerState(), 1);
    ASSERT_EQ(driver->SetCooler(0), 1);
    EXPECT_EQ(rig.Fpga(0x97), 0);

    Rig plain = Open(0x3260);
    auto uncooled = Driver<CSensorIMX990>(plain, kImx990Uncooled);
    plain.recorder->Clear();
    EXPECT_EQ(uncooled->SetCooler(1), 0);
    EXPECT_EQ(uncooled->GetCoolerState(), 0);
    EXPECT_EQ(plain.recorder->Count(Op::FpgaWrite, 0x97), 0);
}

TEST_F(FirstGenTest, FpgaOptionNeedsNoCorrectionAClearCapabilityBitAndRevision294) {
    sim::CameraConfig config = Config(0x3270);
    config.informationWord = 0x0130;  // no in-camera correction, revision 304
    config.fpgaOptionByte = 0x02;
    Rig rig = Open(config);
    auto driver = Driver<CSensorIMX990>(rig, kImx990Cooled);
    ASSERT_EQ(rig.controller->WriteFpgaRegister(0x18, 0x40), 1);
    EXPECT_EQ(driver->IsFpgaOptionAvailable(), 1);
    EXPECT_EQ(driver->IsFpgaOptionAvailable(), 1);
    ASSERT_EQ(driver->EnableFpgaOption(), 1);
    EXPECT_EQ(rig.Fpga(0x18), 0x41);
    EXPECT_EQ(rig.recorder->Count(Op::FpgaRead, 0x17), 1) << "the capability byte is kept";

    const struct {
        uint16_t info;
        uint8_t option;
    } absent[] = {{0x8130, 0x02}, {0x0130, 0x03}, {0x0125, 0x02}};
    for (const auto& c : absent) {
        SCOPED_TRACE(testing::Message() << "info " << c.info << " option " << int{c.option});
        sim::CameraConfig other = Config(0x3270);
        other.informationWord = c.info;
        other.fpgaOptionByte = c.option;
        Rig r = Open(other);
        auto d = Driver<CSensorIMX990>(r, kImx990Cooled);
        EXPECT_EQ(d->IsFpgaOptionAvailable(), 0);
        EXPECT_EQ(d->EnableFpgaOption(), 0);
        EXPECT_EQ(r.recorder->Count(Op::FpgaWrite, 0x18), 0);
        sim::detachAllCameras();
    }
}

}  // namespace
}  // namespace kelvra::sensors::test

// The mechanisms of the camera line's driver classes, with the register bytes the family
// description fixes: colour gains, pixel clock and restart of the colour CMOS; channel gain,
// offset, black level and shadow tables of the CCDs; line-sensor windows; the trigger pattern;
// the analog gain step, thermistor, cooler, correction and forced-ready features of single
// classes; the video converter.
#include <chrono>
#include <cmath>
#include <cstring>
#include <thread>

#include "FamilyFixture.h"
#include "sensors/CSensorG1467x.h"
#include "sensors/CSensorMT9F001.h"
#include "sensors/CSensorMT9F002.h"
#include "sensors/CSensorModelC.h"

namespace kelvra::family::test {
namespace {

// ---- colour CMOS ---------------------------------------------------------------------------

TEST_F(FamilyTest, ColourGainsGoToEachChipsOwnRegistersAndStayInRange) {
    struct Case {
        uint16_t productId;
        int32_t chipVersion;                 // 0: the product's own
        uint16_t red, green1, green2, blue;  // register addresses in the sensor's register file
        int32_t max;
    };
    // MT9F/MT9J registers (0x3020 with another chip version is the MT9F001); MT9P001 register n
    // sits at bytes 2n and 2n + 1 of its file.
    const Case cases[] = {{0x3020, 0, 0x305A, 0x3056, 0x305C, 0x3058, 127},
                          {0x3020, 0x0301, 0x305A, 0x3056, 0x305C, 0x3058, 127},
                          {0x3040, 0, 0x305A, 0x3056, 0x305C, 0x3058, 127},
                          {0x3030, 0, 2 * 0x2D, 2 * 0x2B, 2 * 0x2E, 2 * 0x2C, 63}};
    for (const Case& c : cases) {
        sim::CameraConfig config = Config(c.productId);
        if (c.chipVersion != 0) config.sensorChipVersion = c.chipVersion;
        Rig rig = Open(config);
        EXPECT_EQ(dynamic_cast<CSensorMT9F001*>(rig.driver.get()) != nullptr, c.chipVersion != 0);
        CSensorBase& s = *rig.driver;
        ASSERT_EQ(s.SetColorGainRed(21), 1);
        ASSERT_EQ(s.SetColorGainGreen1(22), 1);
        ASSERT_EQ(s.SetColorGainGreen2(23), 1);
        ASSERT_EQ(s.SetColorGainBlue(500), 1);  // lowered to the maximum
        EXPECT_EQ(rig.SensorBig(c.red), 21) << std::hex << c.productId;
        EXPECT_EQ(rig.SensorBig(c.green1), 22);
        EXPECT_EQ(rig.SensorBig(c.green2), 23);
        EXPECT_EQ(rig.SensorBig(c.blue), c.max);
        int32_t value = 0;
        EXPECT_EQ(s.GetColorGainBlue(&value), 1);
        EXPECT_EQ(value, c.max);
        EXPECT_EQ(s.GetColorGainMax(&value), 1);
        EXPECT_EQ(value, c.max);
        rig.driver.reset();
        sim::detachAllCameras();
    }
}

TEST_F(FamilyTest, Product3020TakesTheMt9f002OnlyForChipVersion302) {
    sim::CameraConfig config = Config(0x3020);
    Rig rig = Open(config, false);
    EXPECT_NE(dynamic_cast<CSensorMT9F002*>(rig.driver.get()), nullptr);
    rig.driver.reset();
    sim::detachAllCameras();

    config.sensorChipVersion = 0x2E01;  // 302 with its bytes swapped
    rig = Open(config, false);
    EXPECT_NE(dynamic_cast<CSensorMT9F001*>(rig.driver.get()), nullptr);
    EXPECT_EQ(dynamic_cast<CSensorMT9F002*>(rig.driver.get()), nullptr);
    rig.driver.reset();

    rig.camera->failI2c(1, 0x20);  // the chip does not answer: no driver at all
    EXPECT_EQ(CreateSensorDriver(0x3020, *rig.controller), nullptr);
}

TEST_F(FamilyTest, Mt9j001PixelClockModesSetTheClock) {
    Rig rig = Open(0x3040);
    const int32_t clocks[] = {32000, 16000, 80000};
    for (int32_t mode = 0; mode < 3; ++mode) {
        ASSERT_EQ(rig.driver->SetPixelClockMode(mode), 1);
        EXPECT_EQ(rig.Descriptor().sensorClockKHz, clocks[mode]);
        int32_t read = -1;
        EXPECT_EQ(rig.driver->GetPixelClockMode(&read), 1);
        EXPECT_EQ(read, mode);
    }
    EXPECT_EQ(rig.driver->SetPixelClockMode(3), 0);
    EXPECT_EQ(rig.Descriptor().sensorClockKHz, 80000);
}

TEST_F(FamilyTest, Mt9f002RestartSetsTheRestartBitThenCommandsTheAuxiliaryDevice) {
    Rig rig = Open(0x3020);
    ASSERT_EQ(rig.camera->auxRegister(40), 0);
    const uint32_t before = m_clock.Now();
    rig.driver->RestartSensor();
    EXPECT_EQ(rig.SensorBig(0x301A) & 0x0002, 0x0002);
    EXPECT_EQ(rig.camera->auxRegister(40), 3);
    // 100 ms, then a frame and 500 ms.
    EXPECT_GE(m_clock.Now() - before, 600u);
}

// ---- CCD with output channels ----------------------------------------------------------------

TEST_F(FamilyTest, ChannelGainAndOffsetGoToFpgaPairsPerChannel) {
    Rig rig = Open(0x30B0);
    CSensorBase& s = *rig.driver;
    for (int32_t channel = 1; channel <= 4; ++channel) {
        ASSERT_EQ(s.SetChannelGain(channel, 0x1200 + channel), 1);
        ASSERT_EQ(s.SetChannelOffset(channel, 0x0300 + channel), 1);
        const auto gainLow = uint8_t(0x78 + 2 * (channel - 1));
        const auto offsetLow = uint8_t(0x70 + 2 * (channel - 1));
        EXPECT_EQ(rig.FpgaPair(gainLow), uint32_t(0x1200 + channel)) << channel;
        EXPECT_EQ(rig.FpgaPair(offsetLow), uint32_t(0x0300 + channel)) << channel;
    }
    EXPECT_EQ(s.SetChannelGain(0, 5), 0);
    EXPECT_EQ(s.SetChannelGain(5, 5), 0);
    EXPECT_EQ(s.SetChannelOffset(3, 70000), 1);  // lowered to 65535
    EXPECT_EQ(rig.FpgaPair(0x74), 65535u);
    int32_t value = 0;
    EXPECT_EQ(s.GetChannelOffset(3, &value), 1);
    EXPECT_EQ(value, 65535);
    EXPECT_EQ(s.GetChannelGainDefault(&value), 1);
    EXPECT_EQ(value, 4096);
    EXPECT_EQ(s.GetChannelGain(2, &value), 1);
    EXPECT_EQ(value, 0x1202);
}

TEST_F(FamilyTest, CcdBlackLevelGoesToTheFpgaAndTenBitsToBothGenerators) {
    Rig rig = Open(0x30C0);
    ASSERT_EQ(rig.driver->SetBlackLevel(0x6F5), 1);
    EXPECT_EQ(rig.Fpga(0xA2), 0xF5);
    EXPECT_EQ(rig.Fpga(0xA3), 0x06);
    EXPECT_EQ(rig.Word(0x8006), 0x2F5);
    EXPECT_EQ(rig.Word(0x0006), 0x2F5);
    int32_t level = 0;
    EXPECT_EQ(rig.driver->GetBlackLevel(&level), 1);  // supported on this class
    EXPECT_EQ(level, 0x2F5);
}

// The timing generators cannot be read back: reads answer the last value written through the
// controller's request, from the table that bit 15 chooses.
TEST_F(FamilyTest, CcdRegistersReadBackFromTheShadowTableOfTheirGenerator) {
    Rig rig = Open(0x3090);
    ASSERT_EQ(rig.driver->WriteRegister(0x8123, 0xBEEF), 1);
    ASSERT_EQ(rig.driver->WriteRegister(0x0123, 0x1234), 1);
    EXPECT_EQ(rig.Word(0x8123), 0xBEEF);  // the whole 16-bit value reached the camera
    int32_t value = 0;
    EXPECT_EQ(rig.driver->ReadRegister(0x8123, &value), 1);
    EXPECT_EQ(value, 0xBEEF);
    EXPECT_EQ(rig.driver->ReadRegister(0x0123, &value), 1);
    EXPECT_EQ(value, 0x1234);
    rig.camera->failI2c(1);  // a refused write keeps the shadow as it was
    EXPECT_EQ(rig.driver->WriteRegister(0x0123, 0x5555), 0);
    EXPECT_EQ(rig.driver->ReadRegister(0x0123, &value), 1);
    EXPECT_EQ(value, 0x1234);
}

// ---- line sensors ----------------------------------------------------------------------------

TEST_F(FamilyTest, LineWindowsRoundUpAndWriteTheLineCountTo64And65) {
    Rig rig = Open(0x31A0);
    CSensorBase& s = *rig.driver;
    ASSERT_EQ(s.SetReadoutWindow(3, 101, 1, 999, 0), 1);
    int32_t x = 0, w = 0, y = 0, h = 0, mode = -1;
    s.GetReadoutWindow(&x, &w, &y, &h, &mode);
    EXPECT_EQ(x, 4);
    EXPECT_EQ(w, 104);
    EXPECT_EQ(y, 2);
    EXPECT_EQ(h, 1000);
    EXPECT_EQ(rig.Sensor(64), 1000 & 0xFF);
    EXPECT_EQ(rig.Sensor(65), 1000 >> 8);
    EXPECT_EQ(s.SetReadoutWindow(0, 256, 0, 32767, 0), 1);  // rounds to all 32768 lines
    EXPECT_EQ(rig.Sensor(64) | rig.Sensor(65) << 8, 32768);
    EXPECT_EQ(s.SetReadoutWindow(200, 57, 0, 16, 0), 0);    // 200 + 60 > 256 once rounded
    EXPECT_EQ(s.SetReadoutWindow(0, 256, 1, 32767, 0), 0);  // 2 + 32768 lines
    s.GetReadoutWindow(&x, &w, &y, &h, &mode);
    EXPECT_EQ(h, 32768);  // the refused windows changed nothing
}

TEST_F(FamilyTest, ModelJRoundsToItsOwnStepsAndHasATrigger) {
    Rig rig = Open(0x3190);
    ASSERT_EQ(rig.driver->SetReadoutWindow(1, 9, 0, 17, 0), 1);
    int32_t x = 0, w = 0, y = 0, h = 0, mode = -1;
    rig.driver->GetReadoutWindow(&x, &w, &y, &h, &mode);
    EXPECT_EQ(x, 8);
    EXPECT_EQ(w, 16);
    EXPECT_EQ(h, 32);
    EXPECT_EQ(rig.Sensor(64), 32);
    ASSERT_EQ(rig.driver->SetTriggerMode(1), 1);
    EXPECT_EQ(rig.Fpga(0x58), 2);
}

// ---- LI CMOS -----------------------------------------------------------------------------

TEST_F(FamilyTest, LiSensorsReadEveryWindowInModeZero) {
    Rig rig = Open(0x3330);
    ASSERT_EQ(rig.driver->SetReadoutWindow(16, 1024, 8, 512, 1), 1);
    int32_t x = 0, w = 0, y = 0, h = 0, mode = -1;
    ASSERT_EQ(rig.driver->GetReadoutWindow(&x, &w, &y, &h, &mode), 1);
    EXPECT_EQ(mode, 0);
    EXPECT_EQ(w, 1024);  // not halved as a binned mode would
    EXPECT_EQ(rig.Descriptor().readoutMode, 0);
}

// ---- trigger pattern -------------------------------------------------------------------------

TEST_F(FamilyTest, TriggerPatternProgramsTheFpgaAndTheSensorsInput) {
    Rig rig = Open(0x30F0);  // IMX178
    CSensorBase& s = *rig.driver;
    ASSERT_EQ(s.SetReadoutWindow(0, 1024, 0, 512, 0), 1);
    ASSERT_EQ(s.SetExposureLines(300), 1);
    ASSERT_EQ(s.SetTriggerMode(1), 1);
    EXPECT_EQ(rig.Fpga(0x58), 2);
    EXPECT_EQ(rig.Fpga(0x54), 195);
    EXPECT_EQ(rig.Fpga(0x55), 2);
    const uint32_t delay = rig.Fpga(0x50) | rig.Fpga(0x51) << 8 | rig.Fpga(0x52) << 16;
    EXPECT_EQ(delay, 300u + 512u + 9u);
    EXPECT_EQ(rig.Fpga(0x85) | rig.Fpga(0x86) << 8, 300);
    EXPECT_EQ(rig.Sensor(0x300C) & 1, 1);  // the sensor exposes on the trigger input
    EXPECT_EQ(rig.Sensor(0x3000) & 1, 0);  // and left standby again
    int32_t mode = 0;
    EXPECT_EQ(s.GetTriggerMode(&mode), 1);
    EXPECT_EQ(mode, 1);
    ASSERT_EQ(s.SetTriggerMode(0), 1);
    EXPECT_EQ(rig.Fpga(0x58), 0);
    EXPECT_EQ(rig.Sensor(0x300C) & 1, 0);
}

// ---- single classes --------------------------------------------------------------------------

TEST_F(FamilyTest, ModelGAnalogGainStepLivesInBits2To4OfRegister90) {
    Rig rig = Open(0x32D0);
    CSensorBase& s = *rig.driver;
    ASSERT_EQ(s.WriteRegister(90, 0x83), 1);
    ASSERT_EQ(s.SetAnalogGainStep(5), 1);
    EXPECT_EQ(rig.Sensor(90), (0x83 & ~0x1C) | 5 << 2);
    int32_t step = -1;
    ASSERT_EQ(s.WriteRegister(90, 6 << 2), 1);  // changed behind the driver's back
    EXPECT_EQ(s.ReadAnalogGainStep(&step), 1);
    EXPECT_EQ(step, 6);
    EXPECT_EQ(s.GetAnalogGainStep(&step), 1);
    EXPECT_EQ(step, 6);
    EXPECT_EQ(s.SetAnalogGainStep(8), 0);
    EXPECT_EQ(s.IsAnalogGainStepSupported(), 1);
    EXPECT_EQ(s.GetAnalogGainStepMax(&step), 1);
    EXPECT_EQ(step, 7);
}

// The class's eight settings are one register each, 0x60-0x67; the black level is ten bits.
TEST_F(FamilyTest, ModelGSettingsCommandsAndBlackLevelReachTheirRegisters) {
    Rig rig = Open(0x32D0);
    CSensorBase& s = *rig.driver;
    for (int32_t type = 0; type < 8; ++type) {
        int32_t value = 0x10 + type;
        ASSERT_EQ(s.ExtendedCommand(type, &value), 1) << type;
        EXPECT_EQ(rig.Sensor(uint16_t(0x60 + type)), 0x10 + type);
    }
    int32_t value = 1;
    EXPECT_EQ(s.ExtendedCommand(8, &value), 0);
    EXPECT_EQ(s.ExtendedCommand(-1, &value), 0);
    EXPECT_EQ(s.ExtendedCommand(0, nullptr), 0);
    EXPECT_EQ(rig.Sensor(0x68), 0);  // nothing past the last setting
    ASSERT_EQ(s.SetBlackLevel(0x7FF), 1);
    EXPECT_EQ(rig.SensorLittle(0x2C, 2), 0x3FFu);
}

TEST_F(FamilyTest, ModelGLabelsEachStepAndRefusesAnythingElseWithoutTouchingTheText) {
    Rig rig = Open(0x32D0, false);
    const char* labels[] = {"0.66x", "1.85x", "2.49x", "3.68x", "1.29x", "3.70x", "4.95x", "7.25x"};
    char text[16];
    for (int32_t step = 0; step < 8; ++step) {
        std::memset(text, 'z', sizeof text);
        ASSERT_EQ(rig.driver->GetAnalogGainStepLabel(step, text, sizeof text), 1);
        EXPECT_STREQ(text, labels[step]);
    }
    std::memset(text, 'z', sizeof text);
    EXPECT_EQ(rig.driver->GetAnalogGainStepLabel(8, text, sizeof text), 0);
    EXPECT_EQ(rig.driver->GetAnalogGainStepLabel(-1, text, sizeof text), 0);
    EXPECT_EQ(rig.driver->GetAnalogGainStepLabel(1, text, 5), 0);  // no room for the end
    EXPECT_EQ(text[0], 'z');
    EXPECT_EQ(text[15], 'z');
}

TEST_F(FamilyTest, G1467xThermistorFormulaAtThreeReadings) {
    double celsius = 0.0;
    ASSERT_TRUE(CSensorG1467x::CelsiusFromRaw(512, &celsius));  // r = 0.976
    EXPECT_EQ(celsius, 25.0);
    ASSERT_TRUE(CSensorG1467x::CelsiusFromRaw(600, &celsius));  // r = 0.68971
    EXPECT_EQ(celsius, 33.0);
    ASSERT_TRUE(CSensorG1467x::CelsiusFromRaw(800, &celsius));  // r = 0.27328
    EXPECT_EQ(celsius, 57.0);
    EXPECT_FALSE(CSensorG1467x::CelsiusFromRaw(0, &celsius));
    EXPECT_FALSE(CSensorG1467x::CelsiusFromRaw(1100, &celsius));  // r would be negative
}

// The temperature and the set-point answer only while the cooler runs; the set-point the
// driver writes is the one the camera's cooler then heads for.
TEST_F(FamilyTest, G1467xReadsItsThermistorAndSetsTheCoolersTarget) {
    Rig rig = Open(0x3220);
    CSensorBase& s = *rig.driver;
    rig.camera->setSensorTemperature(20.0);
    double celsius = 0.0;
    int32_t target = -10;
    EXPECT_EQ(s.GetTemperature(&celsius), 0);  // cooler off
    EXPECT_EQ(s.ExtendedCommand(0, &target), 0);
    ASSERT_EQ(s.SetCooler(1), 1);
    ASSERT_EQ(s.GetCoolerState(), 1);
    ASSERT_EQ(s.GetTemperature(&celsius), 1);
    EXPECT_GE(celsius, 19.0);
    EXPECT_LE(celsius, 20.0);
    EXPECT_EQ(rig.Sensor(84), 2);
    ASSERT_EQ(s.ExtendedCommand(0, &target), 1);
    EXPECT_EQ(rig.Sensor(84), 0);
    EXPECT_EQ(rig.Sensor(82), 1);
    rig.camera->advanceThermalTime(3600.0);
    EXPECT_NEAR(rig.camera->sensorTemperature(), -10.0, 0.5);
}

TEST_F(FamilyTest, ModelCCoolerNeedsInformationWord256) {
    for (int32_t info : {0x0100, 0x00FF}) {
        sim::CameraConfig config = Config(0x3200);
        config.informationWord = info;
        Rig rig = Open(config);
        ASSERT_EQ(rig.controller->WriteFpgaRegister(0x97, 0x40), 1);
        const int32_t fitted = info >= 0x100 ? 1 : 0;
        EXPECT_EQ(rig.driver->HasCooler(), fitted);
        EXPECT_EQ(rig.driver->IsTemperatureSupported(), fitted);
        EXPECT_EQ(rig.driver->SetCooler(1), fitted);
        EXPECT_EQ(rig.Fpga(0x97), fitted ? 0x41 : 0x40);  // bit 0 only
        rig.driver.reset();
        sim::detachAllCameras();
    }
}

// The temperature is the mean of what the sampling thread collected; stopping joins the thread
// and a driver destroyed while sampling stops it first.
TEST_F(FamilyTest, ModelCAveragesTheSamplesOfItsThreadWhileItRuns) {
    Rig rig = Open(0x3200);
    auto& c = dynamic_cast<CSensorModelC&>(*rig.driver);
    rig.camera->setSensorTemperature(-5.0);
    double celsius = 99.0;
    EXPECT_EQ(c.GetTemperature(&celsius), 0);  // no samples yet
    EXPECT_EQ(c.SensorOperation106(), 0);
    c.SensorOperation104();
    EXPECT_EQ(c.SensorOperation106(), 1);
    // The thread samples on its own schedule: wait for two samples, but not forever.
    for (int i = 0; i < 5000 && c.SampleCount() < 2; ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    ASSERT_GE(c.SampleCount(), 2);
    ASSERT_EQ(c.GetTemperature(&celsius), 1);
    EXPECT_NEAR(celsius, -5.0, 0.5);
    c.SensorOperation105(1);
    EXPECT_EQ(c.SensorOperation106(), 0);
    c.SensorOperation104();  // destroyed while it samples
    rig.driver.reset();
}

TEST_F(FamilyTest, ModelCFrameRateSetsTheFrameLengthWithinItsLimits) {
    Rig rig = Open(0x3200);
    CSensorBase& s = *rig.driver;
    ASSERT_EQ(s.SetExposureLines(100), 1);
    // A line lasts 400 x 3 / 2.2 / 9000 ms: 100000 / 800 of them make 2062 lines.
    int32_t rate = 800;
    ASSERT_EQ(s.ExtendedCommand(0, &rate), 1);
    EXPECT_EQ(rig.SensorLittle(0x24, 2), 2062u);
    rate = 100000;  // at least the window and 46 lines
    ASSERT_EQ(s.ExtendedCommand(0, &rate), 1);
    EXPECT_EQ(rig.SensorLittle(0x24, 2), 512u + 46u);
    rate = 1;  // at most 65535 lines
    ASSERT_EQ(s.ExtendedCommand(0, &rate), 1);
    EXPECT_EQ(rig.SensorLittle(0x24, 2), 65535u);
    rate = 0;
    EXPECT_EQ(s.ExtendedCommand(0, &rate), 0);
    EXPECT_EQ(s.ExtendedCommand(1, &rate), 0);
}

TEST_F(FamilyTest, ModelFCorrectionLevelsRetimeOnlyHardwareThatCannotReportThem) {
    sim::CameraConfig config = Config(0x31E0);
    config.informationWord = 0x0130;  // bits 12 and 15 clear
    Rig rig = Open(config);
    CSensorBase& s = *rig.driver;
    ASSERT_EQ(s.SetInternalCorrection(3), 1);
    EXPECT_EQ(rig.Fpga(0x90), 3);
    EXPECT_EQ(rig.SensorLittle(0x26, 2), 1280u);
    double minimum = 0.0;
    s.GetExposureSecondsMin(&minimum);
    EXPECT_DOUBLE_EQ(minimum, 1.28e-4);
    EXPECT_EQ(s.GetInternalCorrectionRaw(), 3);
    ASSERT_EQ(s.SetInternalCorrection(0), 1);
    EXPECT_EQ(rig.SensorLittle(0x26, 2), 560u);
    s.GetExposureSecondsMin(&minimum);
    EXPECT_DOUBLE_EQ(minimum, 5.6e-5);
    EXPECT_EQ(s.SetInternalCorrection(9), 0);
    rig.driver.reset();
    sim::detachAllCameras();

    rig = Open(0x31E0);  // information word with bit 15: the level alone changes
    ASSERT_EQ(rig.driver->SetInternalCorrection(8), 1);
    EXPECT_EQ(rig.Fpga(0x90), 8);
    EXPECT_EQ(rig.SensorLittle(0x26, 2), 560u);
}

TEST_F(FamilyTest, Glux9701ForceReadySetsBit1OfA4AndKeepsTheRest) {
    Rig rig = Open(0x33B0, false);
    ASSERT_EQ(rig.controller->WriteFpgaRegister(0xA4, 0x41), 1);
    EXPECT_EQ(rig.driver->ForceReady(), 1);
    EXPECT_EQ(rig.Fpga(0xA4), 0x43);
}

TEST_F(FamilyTest, VideoConverterAnswersOnlyWhatAConverterCan) {
    Rig rig = Open(0x3130);
    CSensorBase& s = *rig.driver;
    EXPECT_EQ(s.ProbeSensor(), 1);
    EXPECT_EQ(s.SetOutputBits(1), 1);
    EXPECT_EQ(s.SetExposureTime(100), 0);
    EXPECT_EQ(s.SetReadoutWindow(0, 640, 0, 480, 0), 0);
    EXPECT_EQ(s.WriteRegister(1, 1), 0);
    EXPECT_EQ(rig.Descriptor().maxWidth, 1920);
    EXPECT_EQ(rig.Descriptor().maxHeight, 1080);
    int32_t format = 2;
    ASSERT_EQ(s.ExtendedCommand(0, &format), 1);
    EXPECT_EQ(rig.Sensor(1), 2);
    format = 3;
    EXPECT_EQ(s.ExtendedCommand(0, &format), 0);
    EXPECT_EQ(s.ExtendedCommand(1, &format), 1);
    EXPECT_EQ(format, 2);
}

}  // namespace
}  // namespace kelvra::family::test

// IMX992 and IMX993 against simulated cameras: window validation and modes, even-line
// exposure, output depth, trigger sequences, gain mode, black level, auxiliary mode, cooler,
// and the class-wide output-bit memory across cameras and threads.
#include <gtest/gtest.h>

#include <cmath>
#include <thread>

#include "SensorFixture.h"
#include "sensors/CSensorIMX992.h"
#include "sensors/CSensorIMX993.h"

namespace kelvra::sensors::test {
namespace {

using Trace = std::vector<std::string>;

class SecondGenTest : public SensorFixture {
  protected:
    template <class T>
    std::unique_ptr<T> Ready(Rig& rig, int32_t model) {
        auto driver = Driver<T>(rig, model);
        EXPECT_EQ(driver->InitSensor(), 1);
        rig.recorder->Clear();
        return driver;
    }
    static int32_t Current(CSensorBase& driver) {
        int32_t lines = -1;
        EXPECT_EQ(driver.GetExposureLines(&lines), 1);
        return lines;
    }
};

TEST_F(SecondGenTest, Imx992InitProgramsTheFullWindowUnderStandby) {
    Rig rig = Open(0x3380);
    auto driver = Driver<CSensorIMX992>(rig, kImx992Cooled);
    ASSERT_EQ(driver->InitSensor(), 1);
    EXPECT_EQ(rig.Sensor(0x702), 0);
    EXPECT_EQ(rig.Sensor(0x400), 36);
    EXPECT_EQ(rig.Fpga(0x5A), 0);
    EXPECT_EQ(rig.Sensor16(0x324), 2560u);
    EXPECT_EQ(rig.Sensor16(0x326), 2048u);
    EXPECT_EQ(rig.Sensor24(0x2D4), 2140u);
    EXPECT_EQ(rig.Sensor16(0x2D8), 978u) << "output bits are not 8 until SetOutputBits";
    EXPECT_EQ(rig.Fpga(0x4C), 112);
    // Default exposure: 13705.04 us / 6.5212 us = 2101 lines, stretched to the even 2102.
    EXPECT_EQ(Current(*driver), 2102);
    EXPECT_EQ(rig.Fpga(0x85), 2102 & 0xFF);
    EXPECT_EQ(rig.Fpga(0x54), 100);
    EXPECT_EQ(rig.Fpga(0x50), 43);
    EXPECT_EQ(rig.Fpga(0x51), 8);
    // Standby for the first configuration and for the line length, each left again.
    EXPECT_TRUE(
        ContainsInOrder(rig.recorder->Trace(),
                        {"S200=1", "Z50",    "S20C=1",   "Z50",    "S23C=0", "S304=0", "S400=36",
                         "S200=0", "Z50",    "S20C=0",   "Z50",    "F5A=0",  "S320=0", "S2D4=92",
                         "S200=1", "S20C=1", "S2D8=210", "S2D9=3", "S200=0", "S20C=0"}))
        << Join(rig.recorder->Trace());
    EXPECT_EQ(rig.Sensor(0x200), 0);
    EXPECT_EQ(rig.Sensor(0x20C), 0);
    EXPECT_EQ(driver->GetLineLengthInUse(), 978);
    EXPECT_EQ(driver->IsInternalCorrectionSupported(0, 0), 1);
    EXPECT_EQ(driver->Supports16BitMode(0), 1);
    EXPECT_EQ(driver->SupportsColorModes(), 0);
}

TEST_F(SecondGenTest, Imx992ExposureIsEvenAndTheEffectiveValueIsStored) {
    Rig rig = Open(0x3380);
    auto driver = Ready<CSensorIMX992>(rig, kImx992Cooled);

    ASSERT_EQ(driver->SetExposureLines(1), 1);  // raised to the minimum 2
    EXPECT_EQ(Current(*driver), 2);
    EXPECT_EQ(rig.Sensor24(0x2D4), 2140u);
    EXPECT_EQ(rig.Sensor24(0x440), 2138u);

    ASSERT_EQ(driver->SetExposureLines(1001), 1);  // shutter 1140: effective 1000
    EXPECT_EQ(Current(*driver), 1000);
    EXPECT_EQ(rig.Sensor24(0x440), 1140u);
    EXPECT_EQ(rig.Fpga(0x85), 1000 & 0xFF) << "trigger timing follows the effective value";
    EXPECT_EQ(rig.Fpga(0x86), 1000 >> 8);

    ASSERT_EQ(driver->SetExposureLines(2089), 1);  // beyond the frame: (2089 + 53) even
    EXPECT_EQ(rig.Sensor24(0x2D4), 2142u);
    EXPECT_EQ(rig.Sensor24(0x440), 52u);
    EXPECT_EQ(Current(*driver), 2090);
    EXPECT_EQ(driver->GetFrameTimeMs(), 27);  // 978-unit lines: 13.04 us x 2142

    ASSERT_EQ(driver->SetExposureLines(100000000), 1);  // clamped: the register holds 24 bits
    EXPECT_EQ(rig.Sensor24(0x2D4), 0xFFFFFEu);
    EXPECT_EQ(Current(*driver), 0xFFFFFE - 52);
}

TEST_F(SecondGenTest, Imx992FrameLengthByteOrderComparesWithTheLastProgrammed) {
    Rig rig = Open(0x3380);
    auto driver = Ready<CSensorIMX992>(rig, kImx992Cooled);
    ASSERT_EQ(driver->SetExposureLines(5000), 1);  // 5052 = 0x13BC
    EXPECT_EQ(Trace(rig.recorder->SensorWrites()),
              (Trace{"S2D6=0", "S2D5=19", "S2D4=188", "S440=52", "S441=0", "S442=0"}));
    rig.recorder->Clear();
    ASSERT_EQ(driver->SetExposureLines(3000), 1);  // 3052 = 0xBEC: middle byte falls
    EXPECT_EQ(rig.recorder->SensorWrites(),
              (Trace{"S2D5=11", "S2D6=0", "S2D4=236", "S440=52", "S441=0", "S442=0"}));
    rig.recorder->Clear();
    ASSERT_EQ(driver->SetExposureLines(70000), 1);  // 70052 = 0x111A4
    EXPECT_EQ(rig.recorder->SensorWrites(),
              (Trace{"S2D6=1", "S2D5=17", "S2D4=164", "S440=52", "S441=0", "S442=0"}));
    EXPECT_EQ(driver->GetLastFrameLength(), 70052);
}

TEST_F(SecondGenTest, Imx992FailedExposureStillReprogramsTheTriggerTiming) {
    Rig rig = Open(0x3380);
    auto driver = Ready<CSensorIMX992>(rig, kImx992Cooled);
    ASSERT_EQ(driver->SetExposureLines(1001), 1);
    rig.recorder->RefuseSensorWrites({0x2D6});
    ASSERT_EQ(rig.controller->WriteFpgaRegister(0x85, 0), 1);
    rig.recorder->Clear();

    EXPECT_EQ(driver->SetExposureLines(500), 0);
    EXPECT_EQ(Current(*driver), 1000);
    EXPECT_EQ(rig.Sensor24(0x440), 1140u);
    EXPECT_EQ(rig.recorder->Count(Op::SensorWrite, 0x2D5), 0);
    EXPECT_EQ(rig.Fpga(0x85), 1000 & 0xFF) << "the old exposure is programmed again";
}

TEST_F(SecondGenTest, Imx992WindowValidationWritesNothingForARejectedWindow) {
    Rig rig = Open(0x3380);
    auto driver = Ready<CSensorIMX992>(rig, kImx992Cooled);
    EXPECT_EQ(driver->SetReadoutWindow(0, 2564, 0, 2048, 0), 0);   // width not a multiple of 8
    EXPECT_EQ(driver->SetReadoutWindow(8, 2560, 0, 2048, 0), 0);   // beyond 2560
    EXPECT_EQ(driver->SetReadoutWindow(4, 1024, 0, 1024, 0), 0);   // x not a multiple of 8
    EXPECT_EQ(driver->SetReadoutWindow(0, 1024, 2, 1024, 0), 0);   // y not a multiple of 4
    EXPECT_EQ(driver->SetReadoutWindow(0, 0, 0, 1024, 0), 0);      // narrower than 8
    EXPECT_EQ(driver->SetReadoutWindow(-8, 1024, 0, 1024, 0), 0);  // before the array
    EXPECT_EQ(driver->SetReadoutWindow(8, 2560, 0, 2048, 1), 0);   // binning needs the origin
    EXPECT_EQ(driver->SetReadoutWindow(0, 1000, 0, 1024, 17), 0);  // not a multiple of 32
    EXPECT_EQ(driver->SetReadoutWindow(0, 2560, 0, 2048, 2), 0);   // no such mode
    EXPECT_TRUE(rig.recorder->Events().empty()) << Join(rig.recorder->Trace(0));
}

TEST_F(SecondGenTest, Imx992CroppedAndBinnedWindows) {
    Rig rig = Open(0x3380);
    auto driver = Ready<CSensorIMX992>(rig, kImx992Cooled);

    ASSERT_EQ(driver->SetReadoutWindow(8, 1280, 4, 1024, 0), 1);
    EXPECT_EQ(rig.Sensor16(0x320), 8u);
    EXPECT_EQ(rig.Sensor16(0x322), 4u);
    EXPECT_EQ(rig.Sensor(0x304), 3);             // width and height cropped
    EXPECT_EQ(rig.Sensor24(0x2D4), 1024u + 84);  // frame base follows the height
    EXPECT_EQ(rig.recorder->Count(Op::SensorWrite, 0x200), 0) << "same mode, same depth";
    EXPECT_EQ(driver->IsWindowChanged(), 1);

    rig.recorder->Clear();
    ASSERT_EQ(driver->SetReadoutWindow(0, 2560, 0, 2048, 1), 1);
    EXPECT_EQ(rig.Sensor(0x23C), 0x11);
    EXPECT_EQ(rig.Sensor16(0x320), 0u);
    EXPECT_EQ(rig.Sensor16(0x322), 4u);
    EXPECT_EQ(rig.Sensor16(0x324), 2560u);
    EXPECT_EQ(rig.Fpga(0x5A), 1);
    EXPECT_EQ(rig.Sensor24(0x2D4), 1116u);
    EXPECT_EQ(rig.Sensor16(0x2D8), 489u);
    EXPECT_TRUE(ContainsInOrder(rig.recorder->Trace(), {"S200=1", "Z50", "S20C=1", "Z50", "S23C=17",
                                                        "S200=0", "Z50", "S20C=0", "Z50", "F5A=1"}))
        << "a mode change reconfigures under standby: " << Join(rig.recorder->Trace());
    int32_t x, w, y, h, mode;
    driver->GetReadoutWindow(&x, &w, &y, &h, &mode);
    EXPECT_EQ(w, 1280);
    EXPECT_EQ(h, 1024);
    EXPECT_EQ(mode, 1);
    ASSERT_EQ(driver->SetFlip(1), 1);
    EXPECT_EQ(rig.Fpga(0x4C), 8);

    ASSERT_EQ(driver->SetReadoutWindow(0, 2560, 0, 2048, 17), 1);
    EXPECT_EQ(rig.Sensor(0x400), 172);
    EXPECT_EQ(rig.Fpga(0x5A), 2);
    EXPECT_EQ(rig.Sensor(0x23C), 0);

    // Upside down (uncooled): the start counts from the bottom.
    Rig uncooled = Open(0x3370);
    auto flipped = Ready<CSensorIMX992>(uncooled, kImx992Uncooled);
    ASSERT_EQ(flipped->SetReadoutWindow(0, 1024, 100, 1024, 0), 1);
    EXPECT_EQ(uncooled.Sensor16(0x322), 2048u - 100 - 1024);
    flipped->GetReadoutWindow(&x, &w, &y, &h, &mode);
    EXPECT_EQ(y, 100);
}

TEST_F(SecondGenTest, Imx992OutputBitsSetLineLengthAndMinimumExposure) {
    Rig rig = Open(0x3380);
    auto driver = Ready<CSensorIMX992>(rig, kImx992Cooled);
    ASSERT_EQ(driver->SetOutputBits(0), 1);
    EXPECT_EQ(rig.Sensor16(0x2D8), 489u);
    double minimum = 0;
    driver->GetExposureSecondsMin(&minimum);
    EXPECT_NEAR(minimum, 1.3042442e-05, 1e-12);
    EXPECT_TRUE(ContainsInOrder(rig.recorder->Trace(),
                                {"S200=1", "S20C=1", "S2D8=233", "S2D9=1", "S200=0", "S20C=0"}));

    ASSERT_EQ(driver->SetOutputBits(1), 1);
    EXPECT_EQ(rig.Sensor16(0x2D8), 978u);
    driver->GetExposureSecondsMin(&minimum);
    EXPECT_NEAR(minimum, 2.6084884e-05, 1e-12);
    EXPECT_EQ(CSensorIMX992::RememberedOutputBits(), 16);
    // Trigger timing parameters follow the depth.
    ASSERT_EQ(driver->SetExposureLines(500), 1);
    EXPECT_EQ(rig.Fpga(0x54), 200);
    EXPECT_EQ(rig.Fpga(0x55), 2);

    // Microseconds: 10 ms on 978-unit lines (13.04 us) = 766 lines, even 766.
    ASSERT_EQ(driver->SetExposureTime(100), 1);
    EXPECT_EQ(Current(*driver), 766);
}

TEST_F(SecondGenTest, OutputBitChangeIsSeenByEveryCameraOfTheClass) {
    Rig first = Open(0x3380);
    Rig second = Open(0x3380);
    auto a = Ready<CSensorIMX992>(first, kImx992Cooled);
    auto b = Ready<CSensorIMX992>(second, kImx992Cooled);
    ASSERT_EQ(a->SetOutputBits(1), 1);
    EXPECT_EQ(CSensorIMX992::RememberedOutputBits(), 16);
    second.recorder->Clear();

    // The class already remembers 16, but this camera still runs its old depth.
    ASSERT_EQ(b->SetOutputBits(1), 1);
    EXPECT_TRUE(ContainsInOrder(second.recorder->Trace(),
                                {"S200=1", "S20C=1", "S23C=0", "S200=0", "S20C=0"}))
        << Join(second.recorder->Trace());

    // Both cameras switching back and forth at once, from two threads.
    std::thread ta([&] {
        for (int i = 0; i < 4; ++i) a->SetOutputBits(i % 2);
    });
    std::thread tb([&] {
        for (int i = 0; i < 4; ++i) b->SetOutputBits((i + 1) % 2);
    });
    ta.join();
    tb.join();
    EXPECT_EQ(first.Sensor16(0x2D8), 978u);
    EXPECT_EQ(second.Sensor16(0x2D8), 489u);
    EXPECT_EQ(first.Sensor(0x200), 0);
    EXPECT_EQ(second.Sensor(0x200), 0);
}

TEST_F(SecondGenTest, Imx992TriggerSequences) {
    Rig rig = Open(0x3380);
    auto driver = Ready<CSensorIMX992>(rig, kImx992Cooled);
    ASSERT_EQ(driver->GetTriggerModeValue(), 0);

    ASSERT_EQ(driver->SetTriggerMode(1), 1);
    const Trace on = rig.recorder->Trace();
    EXPECT_TRUE(ContainsInOrder(
        on, {"F58=0", "F85=54", "F86=8", "F9B=0", "F54=100", "F55=1", "F50=43", "F51=8", "F52=0",
             "F58=2", "S200=1", "Z100", "S20C=0", "Z100", "S430=43", "Z100", "S432=1", "Z100",
             "S600=1", "Z100", "S200=0",
             // one software trigger at the shortest exposure, then the old exposure back
             "S440=90", "F85=2", "F59=4", "F59=132", "F59=4", "F59=0", "S440=52", "F85=54", "F6C=1",
             "F6C=0", "Z28"}))
        << Join(on);
    EXPECT_EQ(rig.Fpga(0x58), 2);
    EXPECT_EQ(rig.Fpga(0x59), 0);
    EXPECT_EQ(rig.Sensor(0x600), 1);
    EXPECT_EQ(Current(*driver), 2102);

    rig.recorder->Clear();
    ASSERT_EQ(driver->SetTriggerMode(1), 1);  // same mode: no standby
    EXPECT_EQ(rig.recorder->Count(Op::SensorWrite, 0x200), 0);
    EXPECT_EQ(rig.recorder->Count(Op::SensorWrite, 0x430), 1);

    rig.recorder->Clear();
    ASSERT_EQ(driver->SetTriggerMode(0), 1);
    EXPECT_EQ(rig.recorder->Trace(),
              (Trace{"F58=0", "F59=0", "S200=1", "Z50", "S20C=1", "Z10", "S430=41", "Z50", "S200=0",
                     "Z50", "S20C=0", "Z50", "S600=0", "Z50"}))
        << Join(rig.recorder->Trace());
    EXPECT_EQ(rig.Fpga(0x58), 0);
}

TEST_F(SecondGenTest, Imx993TriggerSequencesHaveNoExposureReplayOrPulse) {
    Rig rig = Open(0x33D0);
    auto driver = Ready<CSensorIMX993>(rig, kImx993Cooled);
    EXPECT_EQ(Current(*driver), 1574);  // (10290.322 - 14.802) us / 6.5212 us, even shutter

    ASSERT_EQ(driver->SetTriggerMode(1), 1);
    EXPECT_EQ(rig.recorder->Trace(),
              (Trace{"F58=0",   "F85=38", "F86=6",  "F9B=0",  "F54=100", "F55=1",  "F50=51",
                     "F51=6",   "F52=0",  "F58=2",  "S200=1", "Z100",    "S20C=0", "Z100",
                     "S430=43", "Z100",   "S432=1", "Z100",   "S600=1",  "Z100",   "S200=0"}))
        << Join(rig.recorder->Trace());

    rig.recorder->Clear();
    ASSERT_EQ(driver->SetTriggerMode(0), 1);
    EXPECT_EQ(rig.recorder->Trace(), (Trace{"F58=0", "S200=1", "Z50", "S20C=0", "Z50", "S430=41",
                                            "Z50", "S600=0", "Z50", "S200=0", "Z50"}))
        << Join(rig.recorder->Trace());
    EXPECT_EQ(rig.Sensor(0x600), 0);
    EXPECT_EQ(driver->IsInternalCorrectionSupported(0, 0), 0) << "the IMX993 never reports it";
}

TEST_F(SecondGenTest, Imx993BlackLevelAuxModeAndTriggerField) {
    Rig rig = Open(0x33D0);
    auto driver = Driver<CSensorIMX993>(rig, kImx993Cooled);
    ASSERT_EQ(rig.controller->WriteSensorRegister(0x430, 0xFE), 1);
    ASSERT_EQ(driver->InitSensor(), 1);
    EXPECT_EQ(rig.Sensor16(0x7C0), 240u);
    EXPECT_EQ(rig.Sensor(0x430), 40 + 2) << "bits 0-1 of 0x430 are kept";
    EXPECT_EQ(rig.Sensor(0x431), 0);
    int32_t on = -1;
    EXPECT_EQ(driver->GetAuxMode(&on), 1);
    EXPECT_EQ(on, 0);

    ASSERT_EQ(driver->SetBlackLevel(5000), 1);
    EXPECT_EQ(rig.Sensor(0x7C0), 0xFF);
    EXPECT_EQ(rig.Sensor(0x7C1), 0x0F);
    ASSERT_EQ(driver->SetBlackLevel(-3), 1);
    EXPECT_EQ(rig.Sensor16(0x7C0), 0u);
    int32_t level = -1;
    EXPECT_EQ(driver->GetBlackLevel(&level), 1);
    EXPECT_EQ(level, 0);

    ASSERT_EQ(driver->SetAuxMode(1), 1);
    EXPECT_EQ(rig.Sensor(0x0020), 0x50);
    EXPECT_EQ(rig.Sensor(0x0040), 1);
    auto again = Driver<CSensorIMX993>(rig, kImx993Cooled);
    ASSERT_EQ(again->InitSensor(), 1);
    again->GetAuxMode(&on);
    EXPECT_EQ(on, 1) << "init reads the mode back from 0x720/0x740";

    // A pair that is neither on nor off leaves the record alone.
    ASSERT_EQ(rig.controller->WriteSensorRegister(0x0020, 0x33), 1);
    ASSERT_EQ(again->InitSensor(), 1);
    again->GetAuxMode(&on);
    EXPECT_EQ(on, 1);
    ASSERT_EQ(again->SetAuxMode(0), 1);
    EXPECT_EQ(rig.Sensor(0x0020), 0x5F);
    EXPECT_EQ(rig.Sensor(0x0040), 0);
}

TEST_F(SecondGenTest, MicrosecondConversionOffsets) {
    Rig r992 = Open(0x3380);
    Rig r993 = Open(0x33D0);
    auto imx992 = Ready<CSensorIMX992>(r992, kImx992Cooled);
    auto imx993 = Ready<CSensorIMX993>(r993, kImx993Cooled);
    ASSERT_EQ(imx992->SetOutputBits(0), 1);
    ASSERT_EQ(imx993->SetOutputBits(0), 1);
    // 10 ms on 489-unit lines (6.5212 us): 1533 lines, 1531 after the IMX993's 14.802 us.
    ASSERT_EQ(imx992->SetExposureTime(100), 1);
    ASSERT_EQ(imx993->SetExposureTime(100), 1);
    EXPECT_EQ(Current(*imx992), 1532);
    EXPECT_EQ(r992.Sensor24(0x440), 608u);
    EXPECT_EQ(Current(*imx993), 1530);
    EXPECT_EQ(r993.Sensor24(0x440), 98u);
    int32_t time = 0;
    imx993->GetExposureTime(&time);
    EXPECT_EQ(time, 100);
    ASSERT_EQ(imx993->SetExposureSeconds(0.0), 1);  // the minimum, below two lines: 2
    EXPECT_EQ(Current(*imx993), 2);
    EXPECT_EQ(imx993->SetExposureSeconds(std::nan("")), 0);
}

TEST_F(SecondGenTest, GainModeThroughBusArbitrationOrDirect) {
    Rig r992 = Open(0x3380);
    Rig r993 = Open(0x33D0);
    auto imx992 = Driver<CSensorIMX992>(r992, kImx992Cooled);
    auto imx993 = Driver<CSensorIMX993>(r993, kImx993Cooled);
    for (CSensorImxSecondGen* driver : {static_cast<CSensorImxSecondGen*>(imx992.get()),
                                        static_cast<CSensorImxSecondGen*>(imx993.get())}) {
        EXPECT_EQ(driver->IsGainModeSupported(), 1);
        EXPECT_EQ(driver->GetGainMode(), 0);  // power-on: high conversion gain
        ASSERT_EQ(driver->SetGainMode(1), 1);
        EXPECT_EQ(driver->GetGainMode(), 1);
        ASSERT_EQ(driver->SetGainMode(0), 1);
        EXPECT_EQ(driver->GetGainMode(), 0);
    }
    ASSERT_EQ(r992.controller->WriteSensorRegister(0x710, 0xF1), 1);
    ASSERT_EQ(imx992->SetGainMode(1), 1);
    EXPECT_EQ(r992.Sensor(0x710), 0xF0) << "only bit 0 changes";
    ASSERT_EQ(imx992->SetGainMode(7), 1);
    EXPECT_EQ(r992.Sensor(0x710), 0);
    EXPECT_GT(r992.recorder->Count(Op::FpgaWrite, 0x9F), 0);
    EXPECT_EQ(r993.recorder->Count(Op::FpgaWrite, 0x9F), 0) << "the IMX993 accesses directly";

    r993.camera->failI2c(-1, 0x48);
    EXPECT_EQ(imx993->GetGainMode(), -1);
    EXPECT_EQ(imx993->SetGainMode(1), 0);
}

TEST_F(SecondGenTest, CoolerChangesOnlyBitZeroAndTemperatureThreshold) {
    sim::CameraConfig config = Config(0x3380);
    config.informationWord = 0x0105;
    Rig rig = Open(config);
    auto driver = Driver<CSensorIMX992>(rig, kImx992Cooled);
    ASSERT_EQ(rig.controller->WriteFpgaRegister(0x97, 0x06), 1);
    ASSERT_EQ(driver->SetCooler(1), 1);
    EXPECT_EQ(rig.Fpga(0x97), 0x07);
    EXPECT_EQ(driver->GetCoolerState(), 1);
    ASSERT_EQ(driver->SetCooler(0), 1);
    EXPECT_EQ(rig.Fpga(0x97), 0x06);
    EXPECT_EQ(driver->IsInternalCorrectionSupported(0, 0), 0);  // bit 15 clear

    double t = 0;
    ASSERT_EQ(driver->GetTemperature(&t), 1);
    EXPECT_GT(rig.recorder->Count(Op::FpgaRead, 0xE5), 0) << "0x105: from the FPGA";

    sim::CameraConfig older = Config(0x33D0);
    older.informationWord = 0x0104;
    Rig old = Open(older);
    auto imx993 = Driver<CSensorIMX993>(old, kImx993Cooled);
    ASSERT_EQ(imx993->GetTemperature(&t), 1);
    EXPECT_EQ(old.recorder->Count(Op::FpgaRead, 0xE5), 0) << "below 0x105: the sensor's latch";
    EXPECT_EQ(old.recorder->Count(Op::SensorWrite, 0x788), 2);
}

}  // namespace
}  // namespace kelvra::sensors::test

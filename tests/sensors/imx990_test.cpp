// The IMX990 driver against a simulated IMX990 camera: what reaches the sensor and FPGA
// registers for initialisation, exposure, window, mirror/flip, gain and trigger.
#include <gtest/gtest.h>

#include <cmath>

#include "SensorFixture.h"
#include "sensors/CSensorIMX990.h"

namespace kelvra::sensors::test {
namespace {

class Imx990Test : public SensorFixture {
  protected:
    // An initialised driver on a camera of the given product id.
    std::unique_ptr<CSensorIMX990> Ready(Rig& rig, int32_t model) {
        auto driver = Driver<CSensorIMX990>(rig, model);
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

TEST_F(Imx990Test, InitProgramsTheDefaultWindowAndExposure) {
    Rig rig = Open(0x3270);
    auto driver = Driver<CSensorIMX990>(rig, kImx990Cooled);
    ASSERT_EQ(driver->InitSensor(), 1);

    EXPECT_EQ(rig.Sensor(0x702), 0);
    EXPECT_EQ(rig.Sensor(0x7C0), 60);  // standard readout: black level 60
    EXPECT_EQ(rig.Sensor(0x7C1), 0);
    EXPECT_EQ(rig.Sensor16(0x714), 0u);
    EXPECT_EQ(rig.Sensor(0x404), 0);
    EXPECT_EQ(rig.Sensor(0x23C), 0);
    EXPECT_EQ(rig.Sensor(0x304), 0);
    EXPECT_EQ(rig.Sensor16(0x320), 0u);
    EXPECT_EQ(rig.Sensor16(0x322), 0u);
    EXPECT_EQ(rig.Sensor16(0x324), 1280u);
    EXPECT_EQ(rig.Sensor16(0x326), 1024u);
    EXPECT_EQ(rig.Sensor16(0x2D8), 972u);
    // Default exposure 1064 does not fit the 1078-line frame: frame 1079, shutter 15.
    EXPECT_EQ(rig.Sensor24(0x2D4), 1079u);
    EXPECT_EQ(rig.Sensor24(0x440), 15u);
    EXPECT_EQ(rig.Fpga(0x4C), 8);  // column offset, flip off

    SensorDescriptor d{};
    ASSERT_EQ(driver->GetDescriptor(&d), 1);
    EXPECT_EQ(d.frameLength, 1078);
    EXPECT_EQ(d.lineLength, 972);
    EXPECT_EQ(d.exposureLines.current, 1064);
    EXPECT_EQ(d.orientation, 1);
    EXPECT_DOUBLE_EQ(d.exposureSecondsMin, 2.0333e-05);
    EXPECT_EQ(driver->GetFrameTimeMs(), 13);
    // The bus request is always withdrawn.
    EXPECT_EQ(rig.Fpga(0x9F), 0);
}

TEST_F(Imx990Test, ExposureFitsTheFrameUpTo1063AndStretchesItFrom1064) {
    Rig rig = Open(0x3270);
    auto driver = Ready(rig, kImx990Cooled);

    ASSERT_EQ(driver->SetExposureLines(1063), 1);
    EXPECT_EQ(rig.Sensor24(0x2D4), 1078u);
    EXPECT_EQ(rig.Sensor24(0x440), 15u);
    EXPECT_EQ(Current(*driver), 1063);
    EXPECT_EQ(driver->GetFrameTimeMs(), 13);  // trunc(1078 x 0.01296...) = 13

    ASSERT_EQ(driver->SetExposureLines(1064), 1);
    EXPECT_EQ(rig.Sensor24(0x2D4), 1079u);
    EXPECT_EQ(rig.Sensor24(0x440), 15u);
    EXPECT_EQ(driver->GetFrameTimeMs(), 13);
    SensorDescriptor d{};
    driver->GetDescriptor(&d);
    EXPECT_EQ(d.frameLength, 1078) << "the window's frame length stays the base";

    ASSERT_EQ(driver->SetExposureLines(500), 1);
    EXPECT_EQ(rig.Sensor24(0x2D4), 1078u);
    EXPECT_EQ(rig.Sensor24(0x440), 578u);
    EXPECT_EQ(Current(*driver), 500);
}

TEST_F(Imx990Test, FrameLengthBytesAreWrittenInTheirOrderWithAPauseAfterEach) {
    Rig rig = Open(0x3270);
    auto driver = Ready(rig, kImx990Cooled);

    // A frame that needs bits 16-23: high, middle, low.
    ASSERT_EQ(driver->SetExposureLines(70000), 1);  // N = 70015 = 0x1117F
    EXPECT_EQ(
        rig.recorder->SensorWrites(),
        (std::vector<std::string>{"S2D6=1", "S2D5=17", "S2D4=127", "S440=15", "S441=0", "S442=0"}));
    EXPECT_EQ(rig.Sensor24(0x2D4), 70015u);
    EXPECT_EQ(driver->GetFrameTimeMs(), 907);  // trunc(70015 x 0.01296...)

    // Otherwise: high = 0, middle, low, then the shutter low byte first.
    rig.recorder->Clear();
    ASSERT_EQ(driver->SetExposureLines(100), 1);
    EXPECT_EQ(rig.recorder->SensorWrites(),
              (std::vector<std::string>{"S2D6=0", "S2D5=4", "S2D4=54", "S440=210", "S441=3",
                                        "S442=0"}));  // 1078 = 0x436, 978 = 0x3D2
    // Each write is followed by its 1 ms pause (and preceded by the direct-write pause).
    int pauses = 0;
    for (const Event& e : rig.recorder->Events()) pauses += e.op == Op::Sleep && e.value == 1;
    EXPECT_EQ(pauses, 12);
}

TEST_F(Imx990Test, ExposureStopsAtTheFirstFailedWriteAndKeepsTheOldValue) {
    Rig rig = Open(0x3270);
    auto driver = Ready(rig, kImx990Cooled);
    ASSERT_EQ(driver->SetExposureLines(500), 1);
    rig.recorder->RefuseSensorWrites({0x2D5});
    rig.recorder->Clear();

    EXPECT_EQ(driver->SetExposureLines(600), 0);
    const std::vector<std::string> writes = rig.recorder->SensorWrites();
    ASSERT_FALSE(writes.empty());
    EXPECT_EQ(writes.front(), "S2D6=0");
    for (const std::string& w : writes) {
        EXPECT_TRUE(w == "S2D6=0" || w == "S2D5=4!") << w;  // retried, never past it
    }
    EXPECT_EQ(Current(*driver), 500);
    EXPECT_EQ(rig.Sensor24(0x440), 578u);
}

TEST_F(Imx990Test, ExposureTimeIsRaisedToItsMinimumAndZeroLinesProgramOne) {
    Rig rig = Open(0x3270);
    auto driver = Ready(rig, kImx990Cooled);

    // 0 becomes 0.1 ms: (100000 - 7372) / 12959.94 = 7 lines.
    ASSERT_EQ(driver->SetExposureTime(0), 1);
    int32_t time = 0;
    driver->GetExposureTime(&time);
    EXPECT_EQ(time, 1);
    EXPECT_EQ(Current(*driver), 7);
    EXPECT_EQ(rig.Sensor24(0x440), 1078u - 7u);
    double seconds = 0;
    driver->GetExposureSeconds(&seconds);
    EXPECT_DOUBLE_EQ(seconds, 0.0001);

    ASSERT_EQ(driver->SetExposureTime(79), 1);  // 7.9 ms
    EXPECT_EQ(Current(*driver), 609);           // (7900000 - 7372) / 12959.94

    // A cropped window uses the longer line period: 7.9 ms is 608 lines there.
    ASSERT_EQ(driver->SetReadoutWindow(0, 1280, 0, 512, 0), 1);
    ASSERT_EQ(driver->SetExposureTime(79), 1);
    EXPECT_EQ(Current(*driver), 608);
    ASSERT_EQ(driver->SetExposureSeconds(1.0), 1);
    EXPECT_EQ(Current(*driver), 77149);  // (1e9 - 7372) / 12961.77
    driver->GetExposureTime(&time);
    EXPECT_EQ(time, 10000);

    EXPECT_EQ(driver->SetExposureSeconds(std::nan("")), 0);
    EXPECT_EQ(Current(*driver), 77149);
}

TEST_F(Imx990Test, HighSpeedReadoutConvertsTheMinimumSecondsToOneLine) {
    sim::CameraConfig config = Config(0x3270);
    config.informationWord = 0x4130;  // bit 14: high-speed readout
    Rig rig = Open(config);
    auto driver = Ready(rig, kImx990Cooled);
    EXPECT_EQ(rig.Sensor(0x7C0), 15);
    EXPECT_EQ(rig.Sensor16(0x2D8), 516u);
    double minimum = 0;
    driver->GetExposureSecondsMin(&minimum);
    EXPECT_DOUBLE_EQ(minimum, 1.4252e-05);
    EXPECT_EQ(driver->Supports16BitMode(0), 0);

    // 14252 ns: (14252 - 7372) / 6880.56 truncates to 0 lines, which programs 1.
    ASSERT_EQ(driver->SetExposureSeconds(0.0), 1);
    EXPECT_EQ(Current(*driver), 1);
    EXPECT_EQ(rig.Sensor24(0x440), 1077u);
}

TEST_F(Imx990Test, WindowStartFollowsOrientationAndCrop) {
    Rig uncooled = Open(0x3260);
    auto driver = Ready(uncooled, kImx990Uncooled);
    SensorDescriptor d{};
    driver->GetDescriptor(&d);
    EXPECT_EQ(d.orientation, 4);

    // Full window upside down: y' = 1024 - 1024 - 0.
    ASSERT_EQ(driver->SetReadoutWindow(0, 1280, 0, 1024, 0), 1);
    EXPECT_EQ(uncooled.Sensor16(0x322), 0u);
    EXPECT_EQ(uncooled.Sensor(0x304), 0);
    EXPECT_EQ(uncooled.Sensor24(0x2D4), 1078u);

    // 640 x 512 at y 0: counted from the bottom, plus the 4 rows a crop skips.
    ASSERT_EQ(driver->SetReadoutWindow(0, 640, 0, 512, 0), 1);
    EXPECT_EQ(uncooled.Sensor16(0x322), 516u);
    EXPECT_EQ(uncooled.Sensor16(0x324), 640u);
    EXPECT_EQ(uncooled.Sensor16(0x326), 512u);
    EXPECT_EQ(uncooled.Sensor(0x304), 2);
    EXPECT_EQ(uncooled.Sensor16(0x2D4), 553u);  // trunc((512 + 36) x 1.30925 / 1.29599)
    int32_t x, w, y, h, mode;
    ASSERT_EQ(driver->GetReadoutWindow(&x, &w, &y, &h, &mode), 1);
    EXPECT_EQ(y, 516);
    EXPECT_EQ(driver->IsWindowChanged(), 1);

    Rig cooled = Open(0x3270);
    auto upright = Ready(cooled, kImx990Cooled);
    ASSERT_EQ(upright->SetReadoutWindow(1, 643, 0, 512, 0), 1);
    EXPECT_EQ(cooled.Sensor16(0x320), 8u);    // x rounds up to 8
    EXPECT_EQ(cooled.Sensor16(0x324), 640u);  // width down to 4
    EXPECT_EQ(cooled.Sensor16(0x322), 4u);
}

TEST_F(Imx990Test, BinnedWindowAndRejectedWindows) {
    Rig rig = Open(0x3270);
    auto driver = Ready(rig, kImx990Cooled);

    ASSERT_EQ(driver->SetReadoutWindow(0, 1280, 0, 1024, 1), 1);
    EXPECT_EQ(rig.Sensor(0x23C), 0x11);
    EXPECT_EQ(rig.Sensor16(0x324), 640u);
    EXPECT_EQ(rig.Sensor16(0x326), 512u);
    EXPECT_EQ(rig.Sensor16(0x2D4), 557u);  // trunc(552 x 1.30925 / 1.29599)
    int32_t x, w, y, h, mode;
    driver->GetReadoutWindow(&x, &w, &y, &h, &mode);
    EXPECT_EQ(w, 640);
    EXPECT_EQ(h, 512);
    EXPECT_EQ(mode, 1);

    rig.recorder->Clear();
    EXPECT_EQ(driver->SetReadoutWindow(8, 1280, 0, 1024, 0), 0);  // x' + w' > 1280
    EXPECT_EQ(driver->SetReadoutWindow(0, 640, 520, 512, 0), 0);  // y' + h' > 1024
    EXPECT_EQ(driver->SetReadoutWindow(-16, 640, 0, 512, 0), 0);  // before the array
    EXPECT_EQ(driver->SetReadoutWindow(0, 2, 0, 512, 0), 0);      // no width left
    EXPECT_EQ(rig.recorder->Events().size(), 0u) << "nothing is written";
    driver->GetReadoutWindow(&x, &w, &y, &h, &mode);
    EXPECT_EQ(mode, 1);
}

TEST_F(Imx990Test, FailedWindowWriteStillWritesTheRestButReportsFailure) {
    Rig rig = Open(0x3270);
    auto driver = Ready(rig, kImx990Cooled);
    rig.recorder->RefuseSensorWrites({0x304});

    EXPECT_EQ(driver->SetReadoutWindow(0, 640, 0, 512, 0), 0);
    EXPECT_EQ(rig.Sensor16(0x324), 640u);  // later registers were still written
    EXPECT_EQ(rig.Sensor16(0x2D8), 972u);
    SensorDescriptor d{};
    driver->GetDescriptor(&d);
    EXPECT_EQ(d.width, 1280) << "a window that did not fully arrive is not stored";
    EXPECT_EQ(d.frameLength, 1078);
}

TEST_F(Imx990Test, OutputBitsReapplyTheRequestedWindowNotTheSensorSideOne) {
    Rig rig = Open(0x3260);
    auto driver = Ready(rig, kImx990Uncooled);
    ASSERT_EQ(driver->SetReadoutWindow(0, 640, 0, 512, 0), 1);
    ASSERT_EQ(driver->SetExposureLines(300), 1);
    rig.recorder->Clear();

    ASSERT_EQ(driver->SetOutputBits(1), 1);
    EXPECT_EQ(rig.Sensor16(0x322), 516u) << "y is not moved a second time";
    EXPECT_EQ(rig.Sensor16(0x326), 512u);
    EXPECT_EQ(rig.Sensor24(0x440), 553u - 300u);
    EXPECT_TRUE(ContainsInOrder(rig.recorder->SensorWrites(), {"S322=4", "S440=253"}));
    SensorDescriptor d{};
    driver->GetDescriptor(&d);
    EXPECT_EQ(d.outputBits, 16);
    EXPECT_EQ(d.y, 516);

    // Binned: the stored window is halved, the request is not halved again.
    ASSERT_EQ(driver->SetReadoutWindow(0, 1280, 0, 1024, 1), 1);
    ASSERT_EQ(driver->SetOutputBits(0), 1);
    EXPECT_EQ(rig.Sensor16(0x324), 640u);
    driver->GetDescriptor(&d);
    EXPECT_EQ(d.outputBits, 8);
}

TEST_F(Imx990Test, MirrorFlipAndColumnOffsets) {
    Rig rig = Open(0x3270);
    auto driver = Ready(rig, kImx990Cooled);

    ASSERT_EQ(driver->SetMirror(1), 1);
    EXPECT_EQ(rig.Sensor(0x404), 0x01);
    ASSERT_EQ(driver->SetFlip(1), 1);
    EXPECT_EQ(rig.Sensor(0x404), 0x03);
    EXPECT_EQ(rig.Fpga(0x4C), 104);
    EXPECT_EQ(rig.Fpga(0x4D), 0);
    ASSERT_EQ(driver->SetMirror(0), 1);
    EXPECT_EQ(rig.Sensor(0x404), 0x02);

    ASSERT_EQ(driver->SetReadoutWindow(0, 1280, 0, 1024, 1), 1);
    ASSERT_EQ(driver->SetFlip(1), 1);
    EXPECT_EQ(rig.Fpga(0x4C), 52);
    ASSERT_EQ(driver->SetFlip(0), 1);
    EXPECT_EQ(rig.Fpga(0x4C), 4);
    EXPECT_EQ(rig.Sensor(0x404), 0x00);
    int32_t on = -1;
    driver->GetFlip(&on);
    EXPECT_EQ(on, 0);
}

TEST_F(Imx990Test, GainIsLimitedToItsRange) {
    Rig rig = Open(0x3270);
    auto driver = Ready(rig, kImx990Cooled);
    ASSERT_EQ(driver->SetGain(300), 1);
    EXPECT_EQ(rig.Sensor(0x714), 300 & 0xFF);
    EXPECT_EQ(rig.Sensor(0x715), 1);
    ASSERT_EQ(driver->SetGain(1000), 1);
    EXPECT_EQ(rig.Sensor16(0x714), 420u);
    ASSERT_EQ(driver->SetGain(-1), 1);
    EXPECT_EQ(rig.Sensor16(0x714), 0u) << "a negative gain must not reach the register as 511";
    int32_t gain = -1;
    driver->GetGain(&gain);
    EXPECT_EQ(gain, 0);
}

TEST_F(Imx990Test, SafeWriteWaitsForTheBusAndVerifiesByReadingBack) {
    Rig rig = Open(0x3270);
    auto driver = Driver<CSensorIMX990>(rig, kImx990Cooled);

    rig.camera->holdSensorBus(3);
    ASSERT_EQ(driver->WriteRegisterSafe(0x600, 1), 1);
    EXPECT_EQ(rig.Sensor(0x600), 1);
    EXPECT_EQ(rig.recorder->Count(Op::FpgaRead, 0x02), 4);
    EXPECT_EQ(rig.Fpga(0x9F), 0);

    // The temperature outputs ignore writes: the read-back never matches.
    rig.recorder->Clear();
    EXPECT_EQ(driver->WriteRegisterSafe(0x690, 5), 0);
    EXPECT_EQ(rig.recorder->Count(Op::SensorWrite, 0x690), 100);
    EXPECT_EQ(rig.Fpga(0x9F), 0);

    rig.recorder->Clear();
    rig.camera->holdSensorBus(-1);
    int32_t value = 0;
    EXPECT_EQ(driver->ReadRegisterSafe(0x600, &value), 0);
    EXPECT_EQ(rig.recorder->Count(Op::SensorRead), 0);
    EXPECT_EQ(rig.recorder->Count(Op::Sleep), 100);  // 3 ms between attempts
    const std::vector<Event> events = rig.recorder->Events();
    EXPECT_EQ(events.back().op, Op::FpgaWrite);
    EXPECT_EQ(events.back().reg, 0x9F);
    EXPECT_EQ(events.back().value, 0u);
}

TEST_F(Imx990Test, ModelCodesChooseCoolerAndOrientation) {
    Rig rig = Open(0x3260);
    auto driver = Driver<CSensorIMX990>(rig, 113);  // not an IMX990 code: ignored
    EXPECT_EQ(driver->GetModelCode(), kImx990Uncooled);
    EXPECT_EQ(driver->HasCooler(), 0);
    EXPECT_EQ(driver->SetCooler(1), 0);
    SensorDescriptor d{};
    driver->GetDescriptor(&d);
    EXPECT_EQ(d.orientation, 4);

    EXPECT_EQ(driver->SetModelCode(kImx990Cooled), 1);
    EXPECT_EQ(driver->HasCooler(), 1);
    driver->GetDescriptor(&d);
    EXPECT_EQ(d.orientation, 1);
    EXPECT_EQ(driver->SetModelCode(kImx991Cooled), 0);
    EXPECT_EQ(driver->GetModelCode(), kImx990Cooled);
}

}  // namespace
}  // namespace kelvra::sensors::test

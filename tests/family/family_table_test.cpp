// Every product of the camera line opens with its driver class, which reports the array, clock
// and gain maximum of the family table and answers each setter as the table marks it.
#include <cstring>

#include "FamilyFixture.h"
#include "sensors/CSensorFamily.h"

namespace kelvra::family::test {
namespace {

struct Row {
    uint16_t productId;
    const char* marks;  // Init ... Colour modes, as the family table gives them
    int32_t width, height, clockKHz, gainMax;
    int32_t modelCode;  // as the device core or the constructor sets it; 0: none
};

// The family table of the description, one row per product id.
constexpr Row kTable[] = {
    {0x3020, "YY..YYY..YYY........", 4608, 3288, 96000, 127, 0},  // MT9F002 (chip 302)
    {0x3030, "YYY.YYY..YYY........", 2592, 1944, 96000, 63, 0},
    {0x3040, "YY..YYY..YYY........", 3856, 2764, 80000, 127, 0},
    {0x3042, "YY..YYY..YYY........", 3856, 2764, 80000, 127, 0},
    {0x3050, ".1Y.YY...YYY........", 1600, 1200, 60000, 1023, 0},
    {0x3090, "Y11.YY.YYYYY........", 2336, 1752, 60000, 1023, 0},
    {0x30B0, "Y11.YY.YYYYY........", 4896, 3264, 40000, 1023, 0},
    {0x30C0, "Y11.YY.YYYYY........", 6576, 4384, 40000, 1023, 0},
    {0x30F0, "YYY.YY...YYY......0.", 3072, 2048, 364000, 511, 0},
    {0x3100, "YY1YYY...YYYY..Y..0.", 1920, 1200, 74250, 480, 0},
    {0x3110, "YYY.YY...YYY........", 5520, 3680, 72000, 8101, 0},
    {0x3120, "YYY.YY...Y.Y........", 4800, 3520, 36000, 4095, 0},
    {0x3130, "1..1................", 1920, 1080, 74250, 0, 0},
    {0x3140, "YY1YYY...YYY........", 1280, 1024, 37125, 11, 0},
    {0x3150, "YY.1YY...YYY...Y...0", 640, 512, 6250, 255, 0},
    {0x3170, "YY.1YY...YYY.......0", 320, 256, 6250, 255, 0},
    {0x3180, "YYYYYY...Y.......0.0", 1280, 1024, 72000, 255, 100},
    {0x3190, "YYY1YY...YYY.......0", 512, 32768, 5000, 255, 0},
    {0x31A0, "YY.1YY...YYY.......0", 256, 32768, 5000, 255, 0},
    {0x31B0, "YY1YYY...YYYY.......", 2448, 2048, 54000, 480, 59},
    {0x31B4, "YY1YYY...YYYY.......", 2448, 2048, 74250, 480, 57},
    {0x31C0, "YYYYYY...YYYY.......", 2048, 1536, 54545, 480, 56},
    {0x31C4, "YYYYYY...YYYY.......", 2048, 1536, 54545, 480, 58},
    {0x31D0, "YY.1YY...YYY........", 1024, 32768, 5000, 255, 0},
    {0x31E0, "YYY.YY...YYY..YYY..0", 2048, 2048, 50000, 255, 103},
    {0x31F0, "YY.YYY...YYYY.......", 4168, 3062, 72000, 1957, 60},
    {0x3200, "YYYYY....YYYYYY.....", 640, 512, 9000, 0, 99},
    {0x3210, "YY.1YY...YYY........", 2048, 32768, 5000, 255, 0},
    {0x3220, "YY.1YY...YYY.YY.....", 320, 256, 6250, 255, 105},
    {0x32A0, "YY1YYY...YYYY.......", 2448, 2048, 54000, 480, 113},
    {0x32B0, "YYYYYY...YYYY..Y....", 1936, 1096, 48000, 223, 61},
    {0x32C0, "YYYYYY..YYYYY.YYY..0", 1280, 1024, 37037, 62, 114},
    {0x32D0, "YYY.Y1..YYYY..YYY...", 4096, 4096, 25000, 0, 115},
    {0x32E0, "YY.YYY..YYYYY..Y....", 2848, 2848, 54545, 480, 62},
    {0x32F0, "YY.YYY..YYYYY..Y...0", 2848, 2848, 54545, 480, 63},
    {0x3300, "YY.YYY..YYYYY..Y..0.", 1440, 1080, 54545, 480, 128},
    {0x3310, "YY.YYY...Y.....Y....", 19568, 12588, 50000, 3, 116},
    {0x3320, "YYY1YY...Y.....Y....", 2592, 2056, 36000, 63, 117},
    {0x3330, "YY.YYY...Y.....Y....", 2160, 1280, 21000, 4, 118},
    {0x3340, "YYYYYY...Y.....Y....", 5688, 3336, 60000, 3, 119},
    {0x3360, "YYYY.Y...Y..Y..Y....", 2592, 4060, 75000, 2047, 121},
    {0x33A0, "YYYY......YY.......0", 640, 513, 0, 0, 122},
    {0x33B0, "YYYYYY..YYYYY.YYY..0", 1280, 1024, 37037, 62, 114},
};

char MarkOf(const Row& row, Setter column) {
    return row.marks[size_t(column)];
}

// The answer of each setter and query as its mark says; 'Y' setters must take a plain value.
void ExpectMarks(const Row& row, Rig& rig) {
    CSensorBase& s = *rig.driver;
    const SensorDescriptor d = rig.Descriptor();
    auto expectSetter = [&](Setter column, int32_t result, const char* what) {
        const char mark = MarkOf(row, column);
        const int32_t expected = mark == '.' || mark == '0' ? 0 : 1;
        EXPECT_EQ(result != 0 ? 1 : 0, expected) << std::hex << row.productId << " " << what;
    };
    const int32_t w = d.maxWidth >= 640 ? 320 : 160;
    expectSetter(Setter::Window, s.SetReadoutWindow(64, w, 32, 64, 0), "window");
    expectSetter(Setter::ExposureLines, s.SetExposureLines(200), "exposure lines");
    expectSetter(Setter::Gain, s.SetGain(1), "gain");
    expectSetter(Setter::ColorGains, s.SetColorGainBlue(3), "colour gain");
    expectSetter(Setter::Channels, s.SetChannelOffset(2, 100), "channel offset");
    expectSetter(Setter::BlackLevel, s.SetBlackLevel(10), "black level");
    expectSetter(Setter::ExposureTime, s.SetExposureTime(50), "exposure time");
    expectSetter(Setter::Mirror, s.SetMirror(1), "mirror");
    expectSetter(Setter::Flip, s.SetFlip(1), "flip");
    int32_t value = 0;
    expectSetter(Setter::SafeRegisters, s.ReadRegisterSafe(0x0010, &value), "safe read");
    expectSetter(Setter::Seconds, s.SetExposureSeconds(0.004), "seconds");
    expectSetter(Setter::Bits, s.SetOutputBits(1), "output bits");
    expectSetter(Setter::Trigger, s.SetTriggerMode(0), "trigger");
    // Queries: '0' answers 0 where the base answers 1.
    EXPECT_EQ(s.Supports8BitModes(), MarkOf(row, Setter::EightBitModes) == '0' ? 0 : 1);
    EXPECT_EQ(s.Supports16BitMode(0), MarkOf(row, Setter::SixteenBitMode) == '0' ? 0 : 1);
    EXPECT_EQ(s.SupportsColorModes(), MarkOf(row, Setter::ColorModes) == '0' ? 0 : 1);
    EXPECT_EQ(s.IsGainModeSupported(), MarkOf(row, Setter::GainMode) == 'Y' ? 1 : 0);
    EXPECT_EQ(s.IsExposureSecondsSupported(), MarkOf(row, Setter::Seconds) == 'Y' ? 1 : 0);
    if (MarkOf(row, Setter::Cooler) == '.') {
        EXPECT_EQ(s.HasCooler(), 0);
    }
    if (MarkOf(row, Setter::Temperature) == '.') {
        EXPECT_EQ(s.IsTemperatureSupported(), 0);
    }
}

class FamilyTable : public FamilyTest {};

TEST_F(FamilyTable, EveryProductOpensWithTheTablesDescriptorAndAnswersItsSetters) {
    for (const Row& row : kTable) {
        SCOPED_TRACE(::testing::Message() << "product 0x" << std::hex << row.productId);
        Rig rig = Open(row.productId);
        ASSERT_NE(rig.driver, nullptr);
        const SensorDescriptor d = rig.Descriptor();
        EXPECT_EQ(d.maxWidth, row.width);
        EXPECT_EQ(d.maxHeight, row.height);
        EXPECT_EQ(d.sensorClockKHz, row.clockKHz);
        EXPECT_EQ(d.gain.max, row.gainMax);
        EXPECT_EQ(rig.driver->GetModelCode(), row.modelCode);
        EXPECT_EQ(d.mirror.supported, MarkOf(row, Setter::Mirror) == 'Y' ? 1 : 0);
        EXPECT_EQ(d.flip.supported, MarkOf(row, Setter::Flip) == 'Y' ? 1 : 0);
        ExpectMarks(row, rig);
        rig.driver.reset();
        sim::detachAllCameras();
    }
}

// Marks '1' accept without hardware action: the window stays the whole array.
TEST_F(FamilyTable, AcceptedWindowLeavesTheArrayAndTheCcdGeneratorsAlone) {
    Rig rig = Open(0x3090);
    const uint16_t before = rig.Word(0x0004);
    EXPECT_EQ(rig.driver->SetReadoutWindow(0, 640, 0, 480, 0), 1);
    EXPECT_EQ(rig.Descriptor().width, 2336);
    EXPECT_EQ(rig.Descriptor().height, 1752);
    EXPECT_EQ(rig.driver->SetTriggerMode(1), 1);
    EXPECT_EQ(rig.Fpga(0x58), 0);  // no trigger pattern
    EXPECT_EQ(rig.Word(0x0004), before);
}

// The family table gives the ICX274 the base InitSensor, which would fail every open of its
// camera; it starts like the other CCDs.
TEST_F(FamilyTable, OpeningAnIcx274CameraSucceeds) {
    Rig rig = Open(0x3050);
    EXPECT_EQ(rig.Word(0x0000) & 1, 1);  // generator clocks running
    EXPECT_EQ(rig.Fpga(0xA0), 1);        // analog front end powered
}

}  // namespace
}  // namespace kelvra::family::test

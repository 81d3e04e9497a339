#include "sensors/CSensorIMX273.h"

namespace kelvra {
namespace {

constexpr FamilyFacts kFacts{
    // Init Window Trigger Bits ExpLines Gain ColourGains Channels BlackLevel ExpTime Mirror
    // Flip SafeRegs Cooler Temp Seconds GainMode 8-bit 16-bit ColourModes
    .marks = "YY.YYY..YYYYY..Y..0.",
    .modelCode = 128,
    .bus = SensorBus::I2c8,
    .pauseBeforeWrite = false,
    .maxWidth = 1440,
    .maxHeight = 1080,
    .defaultHeight = 0,
    .lineLength = 400,
    .frameLength = 1128,
    .sensorClockKHz = 54545,
    .gainMax = 480,
    .gainDefault = 0,
    .exposureLinesMin = 1,
    .exposureLinesMax = 1000000,
    .exposureTimeDefault = 100,
    .blackLevelMax = 4095,
    .blackLevelDefault = 240,
    .blackLevelSupported = true,
    .outputBits = 8,
    .orientation = 1,
    .fpgaLineOffset = 9,
    .fpgaColumnOffset = 0,
};
static_assert(MarksWellFormed(kFacts.marks));

}  // namespace

CSensorIMX273::CSensorIMX273(CControllerBase* controller, uint8_t busAddress)
    : CSensorSonyCmos(controller, busAddress, kFacts) {}

}  // namespace kelvra

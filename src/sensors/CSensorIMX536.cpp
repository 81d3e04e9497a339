#include "sensors/CSensorIMX536.h"

namespace kelvra {
namespace {

constexpr FamilyFacts kFacts{
    // Init Window Trigger Bits ExpLines Gain ColourGains Channels BlackLevel ExpTime Mirror
    // Flip SafeRegs Cooler Temp Seconds GainMode 8-bit 16-bit ColourModes
    .marks = "YY.YYY..YYYYY..Y....",
    .modelCode = 62,
    .bus = SensorBus::I2c8,
    .pauseBeforeWrite = false,
    .maxWidth = 2848,
    .maxHeight = 2848,
    .defaultHeight = 0,
    .lineLength = 600,
    .frameLength = 2896,
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

CSensorIMX536::CSensorIMX536(CControllerBase* controller, uint8_t busAddress)
    : CSensorSonyCmos(controller, busAddress, kFacts) {}

}  // namespace kelvra

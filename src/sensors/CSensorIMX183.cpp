#include "sensors/CSensorIMX183.h"

namespace kelvra {
namespace {

constexpr FamilyFacts kFacts{
    // Init Window Trigger Bits ExpLines Gain ColourGains Channels BlackLevel ExpTime Mirror
    // Flip SafeRegs Cooler Temp Seconds GainMode 8-bit 16-bit ColourModes
    .marks = "YYY.YY...YYY........",
    .modelCode = 0,
    .bus = SensorBus::I2c8,
    .pauseBeforeWrite = false,
    .maxWidth = 5520,
    .maxHeight = 3680,
    .defaultHeight = 0,
    .lineLength = 2200,
    .frameLength = 3728,
    .sensorClockKHz = 72000,
    .gainMax = 8101,
    .gainDefault = 0,
    .exposureLinesMin = 1,
    .exposureLinesMax = 1000000,
    .exposureTimeDefault = 100,
    .blackLevelMax = 0,
    .blackLevelDefault = 0,
    .blackLevelSupported = false,
    .outputBits = 12,
    .orientation = 1,
    .fpgaLineOffset = 9,
    .fpgaColumnOffset = 0,
};
static_assert(MarksWellFormed(kFacts.marks));

}  // namespace

CSensorIMX183::CSensorIMX183(CControllerBase* controller, uint8_t busAddress)
    : CSensorSonyCmos(controller, busAddress, kFacts) {}

}  // namespace kelvra

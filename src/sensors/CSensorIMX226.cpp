#include "sensors/CSensorIMX226.h"

namespace kelvra {
namespace {

constexpr FamilyFacts kFacts{
    // Init Window Trigger Bits ExpLines Gain ColourGains Channels BlackLevel ExpTime Mirror
    // Flip SafeRegs Cooler Temp Seconds GainMode 8-bit 16-bit ColourModes
    .marks = "YY.YYY...YYYY.......",
    .modelCode = 60,
    .bus = SensorBus::I2c8,
    .pauseBeforeWrite = false,
    .maxWidth = 4168,
    .maxHeight = 3062,
    .defaultHeight = 0,
    .lineLength = 1600,
    .frameLength = 3110,
    .sensorClockKHz = 72000,
    .gainMax = 1957,
    .gainDefault = 0,
    .exposureLinesMin = 1,
    .exposureLinesMax = 1000000,
    .exposureTimeDefault = 100,
    .blackLevelMax = 0,
    .blackLevelDefault = 0,
    .blackLevelSupported = false,
    .outputBits = 8,
    .orientation = 1,
    .fpgaLineOffset = 9,
    .fpgaColumnOffset = 0,
};
static_assert(MarksWellFormed(kFacts.marks));

}  // namespace

CSensorIMX226::CSensorIMX226(CControllerBase* controller, uint8_t busAddress)
    : CSensorSonyCmos(controller, busAddress, kFacts) {}

}  // namespace kelvra

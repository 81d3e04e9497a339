#include "sensors/CSensorIMX250.h"

namespace kelvra {
namespace {

constexpr FamilyFacts kFacts{
    // Init Window Trigger Bits ExpLines Gain ColourGains Channels BlackLevel ExpTime Mirror
    // Flip SafeRegs Cooler Temp Seconds GainMode 8-bit 16-bit ColourModes
    .marks = "YY1YYY...YYYY.......",
    .modelCode = 0,
    .bus = SensorBus::I2c8,
    .pauseBeforeWrite = true,
    .maxWidth = 2448,
    .maxHeight = 2048,
    .defaultHeight = 0,
    .lineLength = 540,
    .frameLength = 2096,
    .sensorClockKHz = 54000,
    .gainMax = 480,
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

CSensorIMX250::CSensorIMX250(CControllerBase* controller, uint8_t busAddress)
    : CSensorSonyCmos(controller, busAddress, kFacts) {}

}  // namespace kelvra

#include "sensors/CSensorLI7050.h"

namespace kelvra {
namespace {

constexpr FamilyFacts kFacts{
    // Init Window Trigger Bits ExpLines Gain ColourGains Channels BlackLevel ExpTime Mirror
    // Flip SafeRegs Cooler Temp Seconds GainMode 8-bit 16-bit ColourModes
    .marks = "YYYYYY...YYYY..Y....",
    .modelCode = 0,
    .bus = SensorBus::I2c8,
    .pauseBeforeWrite = false,
    .maxWidth = 1936,
    .maxHeight = 1096,
    .defaultHeight = 0,
    .lineLength = 1000,
    .frameLength = 1144,
    .sensorClockKHz = 48000,
    .gainMax = 223,
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

CSensorLI7050::CSensorLI7050(CControllerBase* controller, uint8_t busAddress)
    : CSensorSonyCmos(controller, busAddress, kFacts) {}

}  // namespace kelvra

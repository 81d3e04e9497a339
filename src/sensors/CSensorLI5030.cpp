#include "sensors/CSensorLI5030.h"

namespace kelvra {
namespace {

constexpr FamilyFacts kFacts{
    // Init Window Trigger Bits ExpLines Gain ColourGains Channels BlackLevel ExpTime Mirror
    // Flip SafeRegs Cooler Temp Seconds GainMode 8-bit 16-bit ColourModes
    .marks = "YYYYYY...Y.....Y....",
    .modelCode = 0,
    .bus = SensorBus::FpgaRelayed,
    .pauseBeforeWrite = false,
    .maxWidth = 5688,
    .maxHeight = 3336,
    .defaultHeight = 0,
    .lineLength = 6000,
    .frameLength = 3348,
    .sensorClockKHz = 60000,
    .gainMax = 3,
    .gainDefault = 0,
    .exposureLinesMin = 1,
    .exposureLinesMax = 1000000,
    .exposureTimeDefault = 100,
    .blackLevelMax = 0,
    .blackLevelDefault = 0,
    .blackLevelSupported = false,
    .outputBits = 8,
    .orientation = 1,
    .fpgaLineOffset = 0,
    .fpgaColumnOffset = 0,
};
static_assert(MarksWellFormed(kFacts.marks));

}  // namespace

CSensorLI5030::CSensorLI5030(CControllerBase* controller, uint8_t busAddress)
    : CSensorLiCmos(controller, busAddress, kFacts) {}

}  // namespace kelvra

#include "sensors/CSensorLI5040.h"

namespace kelvra {
namespace {

constexpr FamilyFacts kFacts{
    // Init Window Trigger Bits ExpLines Gain ColourGains Channels BlackLevel ExpTime Mirror
    // Flip SafeRegs Cooler Temp Seconds GainMode 8-bit 16-bit ColourModes
    .marks = "YYY1YY...Y.....Y....",
    .modelCode = 0,
    .bus = SensorBus::FpgaRelayed,
    .pauseBeforeWrite = false,
    .maxWidth = 2592,
    .maxHeight = 2056,
    .defaultHeight = 0,
    .lineLength = 2800,
    .frameLength = 2068,
    .sensorClockKHz = 36000,
    .gainMax = 63,
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

CSensorLI5040::CSensorLI5040(CControllerBase* controller, uint8_t busAddress)
    : CSensorLiCmos(controller, busAddress, kFacts) {}

}  // namespace kelvra

#include "sensors/CSensorLI8020.h"

namespace kelvra {
namespace {

constexpr FamilyFacts kFacts{
    // Init Window Trigger Bits ExpLines Gain ColourGains Channels BlackLevel ExpTime Mirror
    // Flip SafeRegs Cooler Temp Seconds GainMode 8-bit 16-bit ColourModes
    .marks = "YY.YYY...Y.....Y....",
    .modelCode = 0,
    .bus = SensorBus::FpgaRelayed,
    .pauseBeforeWrite = false,
    .maxWidth = 19568,
    .maxHeight = 12588,
    .defaultHeight = 0,
    .lineLength = 20000,
    .frameLength = 12600,
    .sensorClockKHz = 50000,
    .gainMax = 3,
    .gainDefault = 0,
    .exposureLinesMin = 1,
    .exposureLinesMax = 1000000,
    .exposureTimeDefault = 1000,
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

CSensorLI8020::CSensorLI8020(CControllerBase* controller, uint8_t busAddress)
    : CSensorLiCmos(controller, busAddress, kFacts) {}

}  // namespace kelvra

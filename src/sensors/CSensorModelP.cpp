#include "sensors/CSensorModelP.h"

namespace kelvra {
namespace {

constexpr FamilyFacts kFacts{
    // Init Window Trigger Bits ExpLines Gain ColourGains Channels BlackLevel ExpTime Mirror
    // Flip SafeRegs Cooler Temp Seconds GainMode 8-bit 16-bit ColourModes
    .marks = "Y11.YY.YYYYY........",
    .modelCode = 0,
    .bus = SensorBus::Controller,
    .pauseBeforeWrite = false,
    .maxWidth = 4896,
    .maxHeight = 3264,
    .defaultHeight = 0,
    .lineLength = 5200,
    .frameLength = 3314,
    .sensorClockKHz = 40000,
    .gainMax = 1023,
    .gainDefault = 0,
    .exposureLinesMin = 1,
    .exposureLinesMax = 1000000,
    .exposureTimeDefault = 100,
    .blackLevelMax = 4095,
    .blackLevelDefault = 64,
    .blackLevelSupported = false,
    .outputBits = 12,
    .orientation = 4,
    .fpgaLineOffset = 4,
    .fpgaColumnOffset = 12,
};
static_assert(MarksWellFormed(kFacts.marks));

}  // namespace

CSensorModelP::CSensorModelP(CControllerBase* controller, uint8_t busAddress)
    : CSensorCcd(controller, busAddress, kFacts, true) {}

}  // namespace kelvra

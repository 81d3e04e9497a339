#include "sensors/CSensorICX274.h"

namespace kelvra {
namespace {

constexpr FamilyFacts kFacts{
    // Init Window Trigger Bits ExpLines Gain ColourGains Channels BlackLevel ExpTime Mirror
    // Flip SafeRegs Cooler Temp Seconds GainMode 8-bit 16-bit ColourModes
    .marks = ".1Y.YY...YYY........",
    .modelCode = 0,
    .bus = SensorBus::Controller,
    .pauseBeforeWrite = false,
    .maxWidth = 1600,
    .maxHeight = 1200,
    .defaultHeight = 0,
    .lineLength = 2000,
    .frameLength = 1250,
    .sensorClockKHz = 60000,
    .gainMax = 1023,
    .gainDefault = 0,
    .exposureLinesMin = 1,
    .exposureLinesMax = 1000000,
    .exposureTimeDefault = 100,
    .blackLevelMax = 0,
    .blackLevelDefault = 0,
    .blackLevelSupported = false,
    .outputBits = 12,
    .orientation = 1,
    .fpgaLineOffset = 4,
    .fpgaColumnOffset = 12,
};
static_assert(MarksWellFormed(kFacts.marks));

}  // namespace

CSensorICX274::CSensorICX274(CControllerBase* controller, uint8_t busAddress)
    : CSensorCcd(controller, busAddress, kFacts, false) {}

int32_t CSensorICX274::InitSensor() {
    return Controller() ? ProgramInit() : 0;
}

}  // namespace kelvra

#include "sensors/CSensorModelA.h"

namespace kelvra {
namespace {

constexpr FamilyFacts kFacts{
    // Init Window Trigger Bits ExpLines Gain ColourGains Channels BlackLevel ExpTime Mirror
    // Flip SafeRegs Cooler Temp Seconds GainMode 8-bit 16-bit ColourModes
    .marks = "YY.1YY...YYY.......0",
    .modelCode = 0,
    .bus = SensorBus::I2c8,
    .pauseBeforeWrite = false,
    .maxWidth = 320,
    .maxHeight = 256,
    .defaultHeight = 0,
    .lineLength = 220,
    .frameLength = 270,
    .sensorClockKHz = 6250,
    .gainMax = 255,
    .gainDefault = 0,
    .exposureLinesMin = 1,
    .exposureLinesMax = 1000000,
    .exposureTimeDefault = 100,
    .blackLevelMax = 0,
    .blackLevelDefault = 0,
    .blackLevelSupported = false,
    .outputBits = 12,
    .orientation = 1,
    .fpgaLineOffset = 1,
    .fpgaColumnOffset = 0,
};
static_assert(MarksWellFormed(kFacts.marks));
constexpr AreaFacts kArea{4, 2, 14};

}  // namespace

CSensorModelA::CSensorModelA(CControllerBase* controller, uint8_t busAddress)
    : CSensorAreaSensor(controller, busAddress, kFacts, kArea) {}

}  // namespace kelvra

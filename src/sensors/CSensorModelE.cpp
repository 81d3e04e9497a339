#include "sensors/CSensorModelE.h"

namespace kelvra {
namespace {

constexpr FamilyFacts kFacts{
    // Init Window Trigger Bits ExpLines Gain ColourGains Channels BlackLevel ExpTime Mirror
    // Flip SafeRegs Cooler Temp Seconds GainMode 8-bit 16-bit ColourModes
    .marks = "YY1YYY...YYY........",
    .modelCode = 0,
    .bus = SensorBus::I2c8,
    .pauseBeforeWrite = false,
    .maxWidth = 1280,
    .maxHeight = 1024,
    .defaultHeight = 0,
    .lineLength = 1650,
    .frameLength = 1060,
    .sensorClockKHz = 37125,
    .gainMax = 11,
    .gainDefault = 0,
    .exposureLinesMin = 1,
    .exposureLinesMax = 1000000,
    .exposureTimeDefault = 100,
    .blackLevelMax = 0,
    .blackLevelDefault = 0,
    .blackLevelSupported = false,
    .outputBits = 8,
    .orientation = 1,
    .fpgaLineOffset = 1,
    .fpgaColumnOffset = 0,
};
static_assert(MarksWellFormed(kFacts.marks));
constexpr AreaFacts kArea{2, 2, 36};

}  // namespace

CSensorModelE::CSensorModelE(CControllerBase* controller, uint8_t busAddress)
    : CSensorAreaSensor(controller, busAddress, kFacts, kArea) {}

}  // namespace kelvra

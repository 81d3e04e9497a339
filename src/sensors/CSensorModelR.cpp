#include "sensors/CSensorModelR.h"

namespace kelvra {
namespace {

constexpr FamilyFacts kFacts{
    // Init Window Trigger Bits ExpLines Gain ColourGains Channels BlackLevel ExpTime Mirror
    // Flip SafeRegs Cooler Temp Seconds GainMode 8-bit 16-bit ColourModes
    .marks = "YYYY......YY.......0",
    .modelCode = 122,
    .bus = SensorBus::I2c8,
    .pauseBeforeWrite = false,
    .maxWidth = 640,
    .maxHeight = 513,
    .defaultHeight = 0,
    .lineLength = 736,
    .frameLength = 537,
    .sensorClockKHz = 0,
    .gainMax = 0,
    .gainDefault = 0,
    .exposureLinesMin = 0,
    .exposureLinesMax = 0,
    .exposureTimeDefault = 0,
    .blackLevelMax = 0,
    .blackLevelDefault = 0,
    .blackLevelSupported = false,
    .outputBits = 8,
    .orientation = 1,
    .fpgaLineOffset = 1,
    .fpgaColumnOffset = 0,
};
static_assert(MarksWellFormed(kFacts.marks));
constexpr AreaFacts kArea{2, 1, 24};

}  // namespace

CSensorModelR::CSensorModelR(CControllerBase* controller, uint8_t busAddress)
    : CSensorAreaSensor(controller, busAddress, kFacts, kArea) {}

}  // namespace kelvra

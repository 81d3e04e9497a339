#include "sensors/CSensorModelH.h"

namespace kelvra {
namespace {

constexpr FamilyFacts kFacts{
    // Init Window Trigger Bits ExpLines Gain ColourGains Channels BlackLevel ExpTime Mirror
    // Flip SafeRegs Cooler Temp Seconds GainMode 8-bit 16-bit ColourModes
    .marks = "YY.1YY...YYY.......0",
    .modelCode = 0,
    .bus = SensorBus::I2c8,
    .pauseBeforeWrite = false,
    .maxWidth = 256,
    .maxHeight = 32768,
    .defaultHeight = 1024,
    .lineLength = 300,
    .frameLength = 1024,
    .sensorClockKHz = 5000,
    .gainMax = 255,
    .gainDefault = 0,
    .exposureLinesMin = 1,
    .exposureLinesMax = 1000,
    .exposureTimeDefault = 1,
    .blackLevelMax = 0,
    .blackLevelDefault = 0,
    .blackLevelSupported = false,
    .outputBits = 12,
    .orientation = 1,
    .fpgaLineOffset = 0,
    .fpgaColumnOffset = 0,
};
static_assert(MarksWellFormed(kFacts.marks));
constexpr LineFacts kLine{4, 2};

}  // namespace

CSensorModelH::CSensorModelH(CControllerBase* controller, uint8_t busAddress)
    : CSensorLineSensor(controller, busAddress, kFacts, kLine) {}

}  // namespace kelvra

#include "sensors/CSensorIMX252.h"

namespace kelvra {
namespace {

constexpr FamilyFacts kFacts{
    // Init Window Trigger Bits ExpLines Gain ColourGains Channels BlackLevel ExpTime Mirror
    // Flip SafeRegs Cooler Temp Seconds GainMode 8-bit 16-bit ColourModes
    .marks = "YYYYYY...YYYY.......",
    .modelCode = 56,
    .bus = SensorBus::I2c8,
    .pauseBeforeWrite = false,
    .maxWidth = 2048,
    .maxHeight = 1536,
    .defaultHeight = 0,
    .lineLength = 600,
    .frameLength = 1584,
    .sensorClockKHz = 54545,
    .gainMax = 480,
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

CSensorIMX252::CSensorIMX252(CControllerBase* controller, uint8_t busAddress)
    : CSensorSonyCmos(controller, busAddress, kFacts) {}

}  // namespace kelvra

#include "sensors/CSensorMT9F001.h"

namespace kelvra {
namespace {

constexpr FamilyFacts kFacts{
    // Init Window Trigger Bits ExpLines Gain ColourGains Channels BlackLevel ExpTime Mirror
    // Flip SafeRegs Cooler Temp Seconds GainMode 8-bit 16-bit ColourModes
    .marks = "YY..YYY..YYY........",
    .modelCode = 0,
    .bus = SensorBus::I2c16,
    .pauseBeforeWrite = false,
    .maxWidth = 4608,
    .maxHeight = 3288,
    .defaultHeight = 0,
    .lineLength = 4800,
    .frameLength = 3320,
    .sensorClockKHz = 96000,
    .gainMax = 127,
    .gainDefault = 8,
    .exposureLinesMin = 1,
    .exposureLinesMax = 65534,
    .exposureTimeDefault = 300,
    .blackLevelMax = 0,
    .blackLevelDefault = 0,
    .blackLevelSupported = false,
    .outputBits = 12,
    .orientation = 1,
    .fpgaLineOffset = 2,
    .fpgaColumnOffset = 0,
};
static_assert(MarksWellFormed(kFacts.marks));

}  // namespace

CSensorMT9F001::CSensorMT9F001(CControllerBase* controller, uint8_t busAddress)
    : CSensorColorCmos(controller, busAddress, kFacts, kMt9LargeMap) {}

}  // namespace kelvra

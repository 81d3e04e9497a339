#include "sensors/CSensorMT9P001.h"

namespace kelvra {
namespace {

constexpr FamilyFacts kFacts{
    // Init Window Trigger Bits ExpLines Gain ColourGains Channels BlackLevel ExpTime Mirror
    // Flip SafeRegs Cooler Temp Seconds GainMode 8-bit 16-bit ColourModes
    .marks = "YYY.YYY..YYY........",
    .modelCode = 0,
    .bus = SensorBus::I2cShort16,
    .pauseBeforeWrite = false,
    .maxWidth = 2592,
    .maxHeight = 1944,
    .defaultHeight = 0,
    .lineLength = 2800,
    .frameLength = 1976,
    .sensorClockKHz = 96000,
    .gainMax = 63,
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

CSensorMT9P001::CSensorMT9P001(CControllerBase* controller, uint8_t busAddress)
    : CSensorColorCmos(controller, busAddress, kFacts, kMt9pMap) {}

int32_t CSensorMT9P001::GetPixelClockMode(int32_t* mode) {
    if (mode == nullptr) return 0;
    *mode = 0;
    return 1;
}

}  // namespace kelvra

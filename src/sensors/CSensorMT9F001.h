// Aptina MT9F001 (4608 x 3288 colour CMOS) of product 0x3020, chosen when the chip's identification
// value is not 302.
#pragma once

#include "sensors/CSensorColorCmos.h"

namespace kelvra {

// The MT9F001's facts; the MT9F002 has the same array and timing.
inline constexpr FamilyFacts kMt9FFacts{
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
static_assert(MarksWellFormed(kMt9FFacts.marks));

class CSensorMT9F001 : public CSensorColorCmos {
  public:
    static constexpr uint8_t kBusAddress = 0x20;

    explicit CSensorMT9F001(CControllerBase* controller, uint8_t busAddress = kBusAddress);
};

}  // namespace kelvra

#include "sensors/CSensorMT9J001.h"

#include <iterator>

#include "sensors/FamilyRegisterMap.h"

namespace kelvra {
namespace {

constexpr FamilyFacts kFacts{
    // Init Window Trigger Bits ExpLines Gain ColourGains Channels BlackLevel ExpTime Mirror
    // Flip SafeRegs Cooler Temp Seconds GainMode 8-bit 16-bit ColourModes
    .marks = "YY..YYY..YYY........",
    .modelCode = 0,
    .bus = SensorBus::I2c16,
    .pauseBeforeWrite = false,
    .maxWidth = 3856,
    .maxHeight = 2764,
    .defaultHeight = 0,
    .lineLength = 4000,
    .frameLength = 2800,
    .sensorClockKHz = 80000,
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

struct ClockMode {
    int32_t kHz;
    uint16_t multiplier;
    uint16_t divider;
};
// 24 MHz / 2 x multiplier / divider.
constexpr ClockMode kClockModes[] = {{32000, 32, 12}, {16000, 32, 24}, {80000, 40, 6}};
constexpr uint16_t kPrePllDivider = 2;

}  // namespace

CSensorMT9J001::CSensorMT9J001(CControllerBase* controller, uint8_t busAddress)
    : CSensorColorCmos(controller, busAddress, kFacts, kMt9LargeMap) {}

int32_t CSensorMT9J001::SetPixelClockMode(int32_t mode) {
    if (Controller() == nullptr || mode < 0 || mode >= int32_t(std::size(kClockModes))) return 0;
    const ClockMode& m = kClockModes[mode];
    if (!Write(mt9_reg::kPrePllClkDiv, kPrePllDivider) ||
        !Write(mt9_reg::kPllMultiplier, m.multiplier) || !Write(mt9_reg::kVtPixClkDiv, m.divider)) {
        return 0;
    }
    m_clockMode.store(mode);
    UpdateDescriptor([&m](SensorDescriptor& d) { d.sensorClockKHz = m.kHz; });
    return 1;
}

int32_t CSensorMT9J001::GetPixelClockMode(int32_t* mode) {
    if (mode == nullptr) return 0;
    *mode = m_clockMode.load();
    return 1;
}

}  // namespace kelvra

#include "sensors/CSensorIMX675.h"

#include <cmath>

namespace kelvra {
namespace {

constexpr FamilyFacts kFacts{
    // Init Window Trigger Bits ExpLines Gain ColourGains Channels BlackLevel ExpTime Mirror
    // Flip SafeRegs Cooler Temp Seconds GainMode 8-bit 16-bit ColourModes
    .marks = "YYYY.Y...Y..Y..Y....",
    .modelCode = 121,
    .bus = SensorBus::I2c8,
    .pauseBeforeWrite = false,
    .maxWidth = 2592,
    .maxHeight = 4060,
    .defaultHeight = 0,
    .lineLength = 1100,
    .frameLength = 4108,
    .sensorClockKHz = 75000,
    .gainMax = 2047,
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

CSensorIMX675::CSensorIMX675(CControllerBase* controller, uint8_t busAddress)
    : CSensorSonyCmos(controller, busAddress, kFacts) {}

int32_t CSensorIMX675::ProgramExposureNs(double ns) {
    const double period = LinePeriodNs();
    const double raw = std::trunc(ns / period);
    if (period <= 0.0 || !std::isfinite(raw)) return 0;
    const SensorDescriptor d = Descriptor();
    const int32_t lines = raw > double(d.exposureLines.max)
                              ? d.exposureLines.max
                              : Clamp(int32_t(raw), d.exposureLines.min, d.exposureLines.max);
    if (!WriteExposure(d.height, lines)) return 0;
    UpdateDescriptor([lines](SensorDescriptor& w) { w.exposureLines.current = lines; });
    return 1;
}

}  // namespace kelvra

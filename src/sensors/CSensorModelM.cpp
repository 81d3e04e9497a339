#include "sensors/CSensorModelM.h"

namespace kelvra {
namespace {

constexpr FamilyFacts kFacts{
    // Init Window Trigger Bits ExpLines Gain ColourGains Channels BlackLevel ExpTime Mirror
    // Flip SafeRegs Cooler Temp Seconds GainMode 8-bit 16-bit ColourModes
    .marks = "1..1................",
    .modelCode = 0,
    .bus = SensorBus::None,
    .pauseBeforeWrite = false,
    .maxWidth = 1920,
    .maxHeight = 1080,
    .defaultHeight = 0,
    .lineLength = 2200,
    .frameLength = 1125,
    .sensorClockKHz = 74250,
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
    .fpgaLineOffset = 0,
    .fpgaColumnOffset = 0,
};
static_assert(MarksWellFormed(kFacts.marks));

constexpr int32_t kSelectFormat = 0;
constexpr int32_t kReadFormat = 1;
constexpr uint16_t kFormatRegister = 0x0001;

}  // namespace

CSensorModelM::CSensorModelM(CControllerBase* controller, uint8_t busAddress)
    : CSensorFamily(controller, busAddress, kFacts) {}

int32_t CSensorModelM::ExtendedCommand(int32_t type, int32_t* value) {
    if (value == nullptr) return 0;
    if (type == kReadFormat) {
        *value = m_format.load();
        return 1;
    }
    if (type != kSelectFormat || *value < 0 || *value >= kInputFormats) return 0;
    if (!WriteSensorDirect(kFormatRegister, uint8_t(*value), false)) return 0;
    m_format.store(*value);
    return 1;
}

}  // namespace kelvra

#include "sensors/CSensorModelG.h"

#include <cstring>

#include "sensors/FamilyRegisterMap.h"

namespace kelvra {
namespace {

constexpr FamilyFacts kFacts{
    // Init Window Trigger Bits ExpLines Gain ColourGains Channels BlackLevel ExpTime Mirror
    // Flip SafeRegs Cooler Temp Seconds GainMode 8-bit 16-bit ColourModes
    .marks = "YYY.Y1..YYYY..YYY...",
    .modelCode = 115,
    .bus = SensorBus::I2c8,
    .pauseBeforeWrite = false,
    .maxWidth = 4096,
    .maxHeight = 4096,
    .defaultHeight = 0,
    .lineLength = 1100,
    .frameLength = 4150,
    .sensorClockKHz = 25000,
    .gainMax = 0,
    .gainDefault = 0,
    .exposureLinesMin = 1,
    .exposureLinesMax = 65534,
    .exposureTimeDefault = 100,
    .blackLevelMax = 1023,
    .blackLevelDefault = 64,
    .blackLevelSupported = true,
    .outputBits = 12,
    .orientation = 1,
    .fpgaLineOffset = 1,
    .fpgaColumnOffset = 0,
};
static_assert(MarksWellFormed(kFacts.marks));
constexpr AreaFacts kArea{8, 8, 54};

constexpr const char* kStepLabels[CSensorModelG::kSteps] = {"0.66x", "1.85x", "2.49x", "3.68x",
                                                            "1.29x", "3.70x", "4.95x", "7.25x"};
constexpr int kStepShift = 2;
constexpr uint16_t kStepMask = 0x07 << kStepShift;
constexpr int32_t kStepDefault = 1;

}  // namespace

CSensorModelG::CSensorModelG(CControllerBase* controller, uint8_t busAddress)
    : CSensorAreaSensor(controller, busAddress, kFacts, kArea) {
    UpdateDescriptor([](SensorDescriptor& d) {
        d.analogGainStep = {0, kSteps - 1, kStepDefault, kStepDefault, 1};
    });
}

// The area-sensor start-up, then the default analog gain step.
int32_t CSensorModelG::ProgramInit() {
    const int32_t started = CSensorAreaSensor::ProgramInit();
    return started && SetAnalogGainStep(kStepDefault);
}

int32_t CSensorModelG::ProgramWindow(Window& w) {
    constexpr uint8_t kWidthLow = 68, kWidthHigh = 69, kHeightLow = 64, kHeightHigh = 65;
    if (!CSensorAreaSensor::ProgramWindow(w)) return 0;
    return WriteFpga(kWidthLow, uint8_t(w.width)) && WriteFpga(kWidthHigh, uint8_t(w.width >> 8)) &&
           WriteFpga(kHeightLow, uint8_t(w.height)) &&
           WriteFpga(kHeightHigh, uint8_t(w.height >> 8));
}

bool CSensorModelG::TemperatureAvailable() {
    return true;
}

int32_t CSensorModelG::SetAnalogGainStep(int32_t step) {
    if (Controller() == nullptr || step < 0 || step >= kSteps) return 0;
    uint16_t value = 0;
    if (!Read(area_reg::kAnalogGainStep, &value)) return 0;
    const auto updated = uint16_t((value & ~kStepMask & 0xFF) | (step << kStepShift));
    if (!Write(area_reg::kAnalogGainStep, updated)) return 0;
    UpdateDescriptor([step](SensorDescriptor& d) { d.analogGainStep.current = step; });
    return 1;
}

int32_t CSensorModelG::ReadAnalogGainStep(int32_t* step) {
    uint16_t value = 0;
    if (step == nullptr || !Read(area_reg::kAnalogGainStep, &value)) return 0;
    const int32_t read = (value & kStepMask) >> kStepShift;
    UpdateDescriptor([read](SensorDescriptor& d) { d.analogGainStep.current = read; });
    *step = read;
    return 1;
}

int32_t CSensorModelG::GetAnalogGainStepLabel(int32_t step, char* text, int32_t length) {
    if (step < 0 || step >= kSteps || text == nullptr) return 0;
    const char* label = kStepLabels[step];
    const size_t bytes = std::strlen(label) + 1;
    if (length < 0 || size_t(length) < bytes) return 0;
    std::memcpy(text, label, bytes);
    return 1;
}

int32_t CSensorModelG::ExtendedCommand(int32_t type, int32_t* value) {
    if (type < 0 || type >= kSettings || value == nullptr || Controller() == nullptr) return 0;
    return Write(uint16_t(area_reg::kSettings + type), uint16_t(*value & 0xFF));
}

}  // namespace kelvra

#include "sensors/CSensorModelF.h"

namespace kelvra {
namespace {

constexpr FamilyFacts kFacts{
    // Init Window Trigger Bits ExpLines Gain ColourGains Channels BlackLevel ExpTime Mirror
    // Flip SafeRegs Cooler Temp Seconds GainMode 8-bit 16-bit ColourModes
    .marks = "YYY.YY...YYY..YYY..0",
    .modelCode = 103,
    .bus = SensorBus::I2c8,
    .pauseBeforeWrite = false,
    .maxWidth = 2048,
    .maxHeight = 2048,
    .defaultHeight = 0,
    .lineLength = 560,
    .frameLength = 2084,
    .sensorClockKHz = 50000,
    .gainMax = 255,
    .gainDefault = 0,
    .exposureLinesMin = 5,
    .exposureLinesMax = 1000000,
    .exposureTimeDefault = 100,
    .blackLevelMax = 0,
    .blackLevelDefault = 0,
    .blackLevelSupported = false,
    .outputBits = 12,
    .orientation = 1,
    .fpgaLineOffset = 1,
    .fpgaColumnOffset = 0,
};
static_assert(MarksWellFormed(kFacts.marks));
constexpr AreaFacts kArea{8, 2, 36};

constexpr uint8_t kCorrectionRegister = 0x90;     // FPGA
constexpr uint16_t kInfoCorrectionBits = 0x9000;  // bits 12 and 15
constexpr int32_t kLineLengthCorrected = 1280;
constexpr int32_t kLineLengthPlain = 560;
constexpr double kSecondsMinCorrected = 1.28e-4;
constexpr double kSecondsMinPlain = 5.6e-5;

}  // namespace

CSensorModelF::CSensorModelF(CControllerBase* controller, uint8_t busAddress)
    : CSensorAreaSensor(controller, busAddress, kFacts, kArea) {}

int32_t CSensorModelF::SetInternalCorrection(int32_t level) {
    if (Controller() == nullptr || level < 0 || level >= kCorrectionLevels) return 0;
    if ((GetHardwareInfo() & kInfoCorrectionBits) == 0) {
        const bool on = level != 0;
        if (!WriteLineLength(on ? kLineLengthCorrected : kLineLengthPlain)) return 0;
        UpdateDescriptor([on](SensorDescriptor& d) {
            d.exposureSecondsMin = on ? kSecondsMinCorrected : kSecondsMinPlain;
        });
    }
    SetExposureSeconds(Descriptor().exposureSecondsCurrent);
    return WriteFpga(kCorrectionRegister, uint8_t(level));
}

int32_t CSensorModelF::GetInternalCorrectionRaw() {
    uint8_t value = 0;
    return ReadFpga(kCorrectionRegister, &value) ? value : 0;
}

bool CSensorModelF::TemperatureAvailable() {
    return true;
}

}  // namespace kelvra

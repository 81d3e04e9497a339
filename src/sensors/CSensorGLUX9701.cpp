#include "sensors/CSensorGLUX9701.h"

#include "sensors/CSensorImxFamily.h"
#include "sensors/FamilyRegisterMap.h"

namespace kelvra {
namespace {

constexpr FamilyFacts kFacts{
    // Init Window Trigger Bits ExpLines Gain ColourGains Channels BlackLevel ExpTime Mirror
    // Flip SafeRegs Cooler Temp Seconds GainMode 8-bit 16-bit ColourModes
    .marks = "YYYYYY..YYYYY.YYY..0",
    .modelCode = 0,
    .bus = SensorBus::I2c8,
    .pauseBeforeWrite = true,
    .maxWidth = 1280,
    .maxHeight = 1024,
    .defaultHeight = 0,
    .lineLength = 600,
    .frameLength = 1072,
    .sensorClockKHz = 37037,
    .gainMax = 62,
    .gainDefault = 0,
    .exposureLinesMin = 1,
    .exposureLinesMax = 1000000,
    .exposureTimeDefault = 100,
    .blackLevelMax = 4095,
    .blackLevelDefault = 60,
    .blackLevelSupported = true,
    .outputBits = 8,
    .orientation = 3,
    .fpgaLineOffset = 9,
    .fpgaColumnOffset = 0,
};
static_assert(MarksWellFormed(kFacts.marks));

constexpr uint8_t kReadyControl = 0xA4;  // FPGA register
constexpr uint8_t kForceReadyBit = 0x02;
constexpr int32_t kHighGainBit = 0x01;
constexpr int32_t kRawHighMask = 0x0F;

}  // namespace

CSensorGLUX9701::CSensorGLUX9701(CControllerBase* controller, uint8_t busAddress)
    : CSensorSonyCmos(controller, busAddress, kFacts) {}

int32_t CSensorGLUX9701::ForceReady() {
    uint8_t value = 0;
    if (!ReadFpga(kReadyControl, &value)) return 0;
    return WriteFpga(kReadyControl, uint8_t(value | kForceReadyBit));
}

bool CSensorGLUX9701::TemperatureAvailable() {
    return true;
}

int32_t CSensorGLUX9701::ReadTemperature(double* celsius) {
    int32_t low = 0;
    int32_t high = 0;
    if (!WriteArbitrated(sony_reg::kTemperatureLatch, 1) ||
        !ReadRegisterSafe(sony_reg::kTemperatureRaw, &low) ||
        !ReadRegisterSafe(sony_reg::kTemperatureRaw + 1, &high)) {
        return 0;
    }
    WriteArbitrated(sony_reg::kTemperatureLatch, 0);
    *celsius = CSensorImxFamily::TemperatureFromRaw(uint16_t((high & kRawHighMask) << 8 | low));
    return 1;
}

int32_t CSensorGLUX9701::ReadGainMode() {
    int32_t value = 0;
    if (!ReadRegisterSafe(sony_reg::kGainMode, &value)) return -1;
    return (value & kHighGainBit) ? 0 : 1;
}

// 0 sets the bit, 1 clears it, any other mode clears the register.
int32_t CSensorGLUX9701::ProgramGainMode(int32_t mode) {
    return WriteArbitrated(sony_reg::kGainMode, mode == 0 ? kHighGainBit : 0);
}

}  // namespace kelvra

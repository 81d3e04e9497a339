#include "sensors/CSensorG1467x.h"

#include <cmath>

#include "sensors/FamilyRegisterMap.h"
#include "sensors/FpgaRegisterMap.h"

namespace kelvra {
namespace {

constexpr FamilyFacts kFacts{
    // Init Window Trigger Bits ExpLines Gain ColourGains Channels BlackLevel ExpTime Mirror
    // Flip SafeRegs Cooler Temp Seconds GainMode 8-bit 16-bit ColourModes
    .marks = "YY.1YY...YYY.YY.....",
    .modelCode = 0,
    .bus = SensorBus::I2c8,
    .pauseBeforeWrite = false,
    .maxWidth = 320,
    .maxHeight = 256,
    .defaultHeight = 0,
    .lineLength = 220,
    .frameLength = 270,
    .sensorClockKHz = 6250,
    .gainMax = 255,
    .gainDefault = 0,
    .exposureLinesMin = 1,
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
constexpr AreaFacts kArea{4, 2, 14};

// The thermistor divider and NTC: r = (kDivider / raw - kSeries) / kNominal.
constexpr double kDivider = 9994.24;
constexpr double kSeries = 9.76;
constexpr double kNominal = 10.0;
constexpr double kBeta = 3950.0;
constexpr double kInverseNominalKelvin = 0.0033540164346805303;  // 1 / 298.15
constexpr double kKelvinOffset = 273.15;
constexpr double kRawMax = 0xFFFF;

constexpr uint8_t kAdcStart = 2;  // 84 and 82: start a conversion
constexpr uint8_t kAdcLoad = 1;   // 82: load the compare registers
constexpr uint8_t kCoolerOnBit = 0x01;
constexpr int32_t kSetPointCommand = 0;

}  // namespace

CSensorG1467x::CSensorG1467x(CControllerBase* controller, uint8_t busAddress)
    : CSensorAreaSensor(controller, busAddress, kFacts, kArea) {}

bool CSensorG1467x::CelsiusFromRaw(uint16_t raw, double* celsius) {
    if (raw == 0) return false;
    const double r = (kDivider / double(raw) - kSeries) / kNominal;
    if (!(r > 0.0)) return false;
    const double kelvin = 1.0 / (std::log(r) / kBeta + kInverseNominalKelvin);
    *celsius = std::trunc(kelvin - kKelvinOffset);
    return std::isfinite(*celsius);
}

bool CSensorG1467x::RawFromCelsius(double celsius, uint16_t* raw) {
    const double kelvin = celsius + kKelvinOffset;
    if (!(kelvin > 0.0)) return false;
    const double r = std::exp(kBeta * (1.0 / kelvin - kInverseNominalKelvin));
    const double value = std::round(kDivider / (kNominal * r + kSeries));
    if (!std::isfinite(value) || value < 1.0 || value > kRawMax) return false;
    *raw = uint16_t(value);
    return true;
}

bool CSensorG1467x::CoolerFitted() {
    return true;
}

int32_t CSensorG1467x::CoolerState() {
    uint8_t value = 0;
    return ReadFpga(fpga_reg::kCooler, &value) ? (value & kCoolerOnBit) : 0;
}

int32_t CSensorG1467x::ProgramCooler(bool on) {
    uint8_t value = 0;
    if (!ReadFpga(fpga_reg::kCooler, &value)) return 0;
    return WriteFpga(fpga_reg::kCooler,
                     uint8_t(on ? (value | kCoolerOnBit) : (value & ~kCoolerOnBit)));
}

bool CSensorG1467x::TemperatureAvailable() {
    return true;
}

int32_t CSensorG1467x::ReadTemperature(double* celsius) {
    if (GetCoolerState() <= 0) return 0;
    uint16_t low = 0;
    uint16_t high = 0;
    if (!Write(area_reg::kAdcMode, kAdcStart) || !Write(area_reg::kAdcControl, 0) ||
        !Write(area_reg::kAdcControl, kAdcStart) || !Read(area_reg::kAdcRawLow, &low) ||
        !Read(area_reg::kAdcRawHigh, &high)) {
        return 0;
    }
    return CelsiusFromRaw(uint16_t((high & 0xFF) << 8 | (low & 0xFF)), celsius) ? 1 : 0;
}

int32_t CSensorG1467x::ExtendedCommand(int32_t type, int32_t* value) {
    if (type != kSetPointCommand || value == nullptr || Controller() == nullptr) return 0;
    if (!IsTemperatureSupported() || GetCoolerState() <= 0) return 0;
    uint16_t raw = 0;
    if (!RawFromCelsius(double(*value), &raw)) return 0;
    return Write(area_reg::kAdcRawLow, raw & 0xFF) && Write(area_reg::kAdcRawHigh, raw >> 8) &&
           Write(area_reg::kAdcMode, 0) && Write(area_reg::kAdcControl, 0) &&
           Write(area_reg::kAdcControl, kAdcLoad);
}

}  // namespace kelvra

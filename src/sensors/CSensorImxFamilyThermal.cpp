// CSensorImxFamily: the thermo-electric cooler and the sensor temperature.
#include "sensors/CSensorImxFamily.h"
#include "sensors/FpgaRegisterMap.h"
#include "sensors/ImxRegisterMap.h"

namespace kelvra {
namespace {

constexpr uint8_t kCoolerOnBit = 0x01;
constexpr int kFpgaTemperatureTries = 5;
constexpr int32_t kLatchBit = 0x01;
constexpr uint16_t kRawHighMask = 0x0F;  // the high byte carries bits 8-11
constexpr int32_t kRawSignBit = 0x800;
constexpr int32_t kRawRange = 0x1000;
constexpr double kRawStepsPerDegree = 8.0;

}  // namespace

// A cooler is fitted exactly in the cooled variant.
int32_t CSensorImxFamily::HasCooler() {
    return m_modelCode.load() == m_facts.cooledModelCode ? 1 : 0;
}

// Bit 0 of the cooler register; 0 without a cooler or when the read fails.
int32_t CSensorImxFamily::GetCoolerState() {
    if (!HasCooler()) return 0;
    uint8_t value = 0;
    if (!ReadFpga(fpga_reg::kCooler, &value)) return 0;
    return value & kCoolerOnBit;
}

// Switches the cooler (on when `on` > 0). The first generation writes the register whole, the
// second changes only bit 0. Returns 0 without a cooler or when the access fails.
int32_t CSensorImxFamily::SetCooler(int32_t on) {
    if (!HasCooler()) return 0;
    if (!m_facts.coolerReadModifyWrite) {
        return WriteFpga(fpga_reg::kCooler, on > 0 ? kCoolerOnBit : 0);
    }
    uint8_t value = 0;
    if (!ReadFpga(fpga_reg::kCooler, &value)) return 0;
    value = static_cast<uint8_t>(on > 0 ? (value | kCoolerOnBit) : (value & ~kCoolerOnBit));
    return WriteFpga(fpga_reg::kCooler, value);
}

int32_t CSensorImxFamily::IsTemperatureSupported() {
    return 1;
}

// The sensor temperature in degrees Celsius: from the FPGA's sample when the information word
// is at least the class's threshold, else from the sensor's own latch. Returns 1 with
// *celsius, or 0 for a null pointer, without a controller, or when no reading came back.
int32_t CSensorImxFamily::GetTemperature(double* celsius) {
    if (celsius == nullptr || Controller() == nullptr) return 0;
    uint16_t raw = 0;
    const bool fromFpga = GetHardwareInfo() >= m_facts.fpgaTemperatureFromInfo;
    if (!(fromFpga ? TemperatureFromFpga(&raw) : TemperatureFromSensor(&raw))) return 0;
    *celsius = TemperatureFromRaw(raw);
    return 1;
}

// Up to 5 reads of 0xE5 (low) and 0xE6 (high) until both succeed with a nonzero byte; a true
// 0.0 degrees reads as two zero bytes, so after 5 tries the last bytes read stand. False only
// when no try read both bytes: a failed exchange must not pass for 0 degrees.
bool CSensorImxFamily::TemperatureFromFpga(uint16_t* raw) {
    uint8_t low = 0;
    uint8_t high = 0;
    bool anyRead = false;
    for (int attempt = 0; attempt < kFpgaTemperatureTries; ++attempt) {
        uint8_t l = 0;
        uint8_t h = 0;
        const bool lowOk = ReadFpga(fpga_reg::kTemperatureLow, &l);
        const bool highOk = ReadFpga(fpga_reg::kTemperatureHigh, &h);
        if (lowOk) low = l;
        if (highOk) high = h;
        if (lowOk && highOk) {
            anyRead = true;
            if (l != 0 || h != 0) break;
        }
    }
    *raw = static_cast<uint16_t>(((high & kRawHighMask) << 8) | low);
    return anyRead;
}

// Latch the temperature (0x788 bit 0 set), read 0x690 (low) and 0x691 (high), release the
// latch. False when the latch register or either byte cannot be read.
bool CSensorImxFamily::TemperatureFromSensor(uint16_t* raw) {
    int32_t latch = 0;
    if (!ReadRegister(imx_reg::kTemperatureLatch, &latch)) return false;
    WriteRegister(imx_reg::kTemperatureLatch, latch | kLatchBit);
    int32_t low = 0;
    int32_t high = 0;
    const bool ok = ReadRegister(imx_reg::kTemperatureLow, &low) &&
                    ReadRegister(imx_reg::kTemperatureHigh, &high);
    WriteRegister(imx_reg::kTemperatureLatch, latch & ~kLatchBit);
    *raw = static_cast<uint16_t>(((high & kRawHighMask) << 8) | (low & 0xFF));
    return ok;
}

// Bits 3-10 the integer degrees, bit 11 subtracts 256, bits 0-2 the eighths.
double CSensorImxFamily::TemperatureFromRaw(uint16_t raw) {
    int32_t value = raw & (kRawRange - 1);
    if (value & kRawSignBit) value -= kRawRange;
    return value / kRawStepsPerDegree;
}

}  // namespace kelvra

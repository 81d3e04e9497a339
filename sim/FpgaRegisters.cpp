#include "sim/FpgaRegisters.h"

#include <algorithm>
#include <cmath>

#include "sim/FpgaRegisterMap.h"
#include "sim/SensorRegisterMap.h"
#include "sim/SensorRegisters.h"

namespace kelvra::sim {
namespace {

constexpr uint8_t kOutputLinesMask = 0x0F;
constexpr double kDieKelvinScale = 65536.0 / 503.975;
constexpr double kKelvinOffset = 273.15;

bool isReadOnly(uint8_t reg) {
    using namespace fpga;
    return reg == kStatus || reg == kFrameCounter || reg == kInfoLow || reg == kInfoHigh ||
           reg == kVersion3 || reg == kOptionCaps || reg == kTemperatureLow ||
           reg == kTemperatureHigh || reg == kDieTemperatureLow || reg == kDieTemperatureHigh;
}

bool isGeometry(uint8_t reg) {
    using namespace fpga;
    return reg == kBitDepth || (reg >= kHeightLow && reg <= kColumnOffsetHigh) ||
           (reg >= kAltHeightLow && reg <= kAltWidthHigh) || reg == kCorrection;
}

bool isTriggerTiming(uint8_t reg) {
    using namespace fpga;
    return (reg >= kTriggerDelay0 && reg <= kTriggerMode) || reg == kTriggerExposure0 ||
           reg == kTriggerExposure1 || reg == kTriggerExposure2 || reg == kTriggerExposure3;
}

}  // namespace

FpgaRegisters::FpgaRegisters(const CameraConfig& config, const SensorModel& model)
    : config_(config), model_(model) {
    powerOn();
}

// Power-on: identity registers from the configuration, geometry of the full array as the
// standard readout needs it, 8-bit output, free-running.
void FpgaRegisters::powerOn() {
    using namespace fpga;
    regs_.fill(0);
    regs_[kInfoLow] = config_.informationWord & 0xFF;
    regs_[kInfoHigh] = config_.informationWord >> 8;
    regs_[kVersion3] = config_.fpgaVersion3;
    regs_[kOptionCaps] = config_.fpgaOptionByte;
    regs_[kBitDepth] = 1;
    const bool alt = model_.altGeometryRegisters;
    regs_[alt ? kAltWidthLow : kWidthLow] = model_.width & 0xFF;
    regs_[alt ? kAltWidthHigh : kWidthHigh] = model_.width >> 8;
    regs_[alt ? kAltHeightLow : kHeightLow] = model_.height & 0xFF;
    regs_[alt ? kAltHeightHigh : kHeightHigh] = model_.height >> 8;
    // The IMX990 family's FPGA powers on cutting the full window out of its sensor's lines; the
    // rest of the line's FPGAs start at the line's beginning until told their sensor's offsets.
    if (isImxFamily(model_.family)) {
        regs_[kLineOffsetLow] = sensor::kLeadLines + sensor::kTopMarginRows;
        regs_[kColumnOffsetLow] = sensor::kLeadColumns;
    }
    busHeldReads_ = 0;
    temperatureLatched_ = false;
}

// One register read. Live registers report `inputs`; the rest report what was written.
uint16_t FpgaRegisters::read(uint8_t reg, const FpgaInputs& inputs) {
    using namespace fpga;
    switch (reg) {
        case kStatus:
            return readStatus();
        case kFrameCounter:
            return static_cast<uint16_t>(inputs.framesCompleted & 0xFF);
        case kIoPort:
            return static_cast<uint16_t>((regs_[kIoPort] & kOutputLinesMask) |
                                         ((inputs.ioInputs & 0x0F) << 4));
        case kTemperatureLow:
        case kTemperatureHigh:
            return readTemperature(reg, inputs.sensorCelsius);
        case kDieTemperatureLow:
        case kDieTemperatureHigh:
            return readDieTemperature(reg, inputs.dieCelsius);
        default:
            return regs_[reg];
    }
}

// One register write. Read-only registers ignore it. Returns the effects of edges and changes.
FpgaEffects FpgaRegisters::write(uint8_t reg, uint16_t value) {
    using namespace fpga;
    FpgaEffects effects;
    if (isReadOnly(reg)) return effects;
    const uint16_t old = regs_[reg];
    regs_[reg] = value;
    const bool rose0 = (value & 1) && !(old & 1);
    if (reg == kReadoutRestart) effects.readoutRestart = rose0;
    if (reg == kReconfigure) effects.reconfigurePulse = !(value & 1) && (old & 1);
    if (reg == kTriggerControl) {
        effects.softwareTrigger = (value & kTriggerSoftware) && !(old & kTriggerSoftware);
    }
    if (old != value) {
        effects.contentChanged = isGeometry(reg);
        effects.timingChanged = isTriggerTiming(reg);
        effects.coolerChanged = reg == kCooler;
        // An LI sensor's registers live here: any of them may change the frames' timing.
        if (model_.family == SensorFamily::LiCmos && reg >= kLiFirst && reg <= kLiLast) {
            effects.timingChanged = true;
        }
    }
    return effects;
}

FpgaSettings FpgaRegisters::settings() const {
    using namespace fpga;
    FpgaSettings s;
    const bool alt = model_.altGeometryRegisters;
    s.width = alt ? pair(kAltWidthLow, kAltWidthHigh) : pair(kWidthLow, kWidthHigh);
    s.height = alt ? pair(kAltHeightLow, kAltHeightHigh) : pair(kHeightLow, kHeightHigh);
    s.lineOffset = pair(kLineOffsetLow, kLineOffsetHigh);
    s.columnOffset = pair(kColumnOffsetLow, kColumnOffsetHigh);
    s.sixteenBit = low(kBitDepth) == kBitDepth16;
    s.triggered = low(kTriggerMode) != 0;
    // The correction needs the hardware to offer it (information word bit 15).
    s.correction = (low(kCorrection) & 1) && (config_.informationWord & 0x8000);
    s.coolerOn = low(kCooler) & 1;
    s.triggerExposureLines = low(kTriggerExposure0) | (low(kTriggerExposure1) << 8) |
                             (low(kTriggerExposure2) << 16) |
                             ((low(kTriggerExposure3) & 0x0F) << 24);
    s.triggerDelayLines =
        low(kTriggerDelay0) | (low(kTriggerDelay1) << 8) | (low(kTriggerDelay2) << 16);
    return s;
}

uint16_t FpgaRegisters::readStatus() {
    if (busHeldReads_ == 0) return 0;
    if (busHeldReads_ > 0) --busHeldReads_;
    return fpga::kStatusBusy;
}

// Reading the low byte latches the whole value, so the high byte read next belongs to it.
uint16_t FpgaRegisters::readTemperature(uint8_t reg, double celsius) {
    if (reg == fpga::kTemperatureLow || !temperatureLatched_) {
        temperatureLatch_ = model_.temperatureCoding == TemperatureCoding::AmplifierAdc
                                ? amplifierAdc(celsius)
                                : temperatureToRaw12(celsius);
        temperatureLatched_ = temperatureLatched_ || reg == fpga::kTemperatureLow;
    }
    return reg == fpga::kTemperatureLow ? (temperatureLatch_ & 0xFF) : (temperatureLatch_ >> 8);
}

// The 12-bit ADC reading of a sensor whose temperature comes through the board's amplifier:
// v = 2.57 + 20.1 x (-0.13 - (T - 49.607) x 0.00133) volts, 3.3 V full scale.
uint16_t FpgaRegisters::amplifierAdc(double celsius) {
    const double volts = 2.57 + 20.1 * (-0.13 - (celsius - 49.607) * 0.00133);
    return static_cast<uint16_t>(std::clamp(std::lround(volts * 4096.0 / 3.3), 0L, 4095L));
}

// Die temperature as raw x 503.975 / 65536 - 273.15 degrees.
uint16_t FpgaRegisters::readDieTemperature(uint8_t reg, double celsius) const {
    const auto raw =
        static_cast<uint16_t>(std::lround((celsius + kKelvinOffset) * kDieKelvinScale));
    return reg == fpga::kDieTemperatureLow ? (raw & 0xFF) : (raw >> 8);
}

uint16_t FpgaRegisters::pair(uint8_t lowReg, uint8_t highReg) const {
    return static_cast<uint16_t>(low(lowReg) | (low(highReg) << 8));
}

}  // namespace kelvra::sim

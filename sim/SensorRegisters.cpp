#include "sim/SensorRegisters.h"

#include <algorithm>
#include <cmath>

#include "sim/SensorRegisterMap.h"

namespace kelvra::sim {
namespace {

constexpr uint16_t kWindowFieldMask = 0x1FFF;  // 13-bit window fields
constexpr int kGainCodeMask = 0x1FF;
constexpr int kBlackLevelMask = 0xFFF;

bool inRange(uint16_t address, uint16_t first, uint16_t last) {
    return address >= first && address <= last;
}

SensorChange classify(uint16_t address) {
    using namespace sensor;
    if (address == kStandby || address == kMasterStop || address == kExternalTrigger ||
        inRange(address, kFrameLength0, kLineLength1) || inRange(address, kShutter0, kShutter2)) {
        return SensorChange::Timing;
    }
    if (address == kBinning || address == kCrop || inRange(address, kWindowX, kWindowLast) ||
        address == kMirrorFlip || address == kGainLow || address == kGainHigh ||
        address == kBlackLevelLow || address == kBlackLevelHigh || address == kGainMode) {
        return SensorChange::Content;
    }
    return SensorChange::None;
}

}  // namespace

SensorRegisters::SensorRegisters(const SensorModel& model) : model_(model) {
    powerOn();
}

// Power-on state: running, full window, the model's frame and line lengths, gain 0.
void SensorRegisters::powerOn() {
    using namespace sensor;
    regs_.fill(0);
    store16(kWindowWidth, static_cast<uint16_t>(model_.width));
    store16(kWindowHeight, static_cast<uint16_t>(model_.height));
    regs_[kFrameLength0] = static_cast<uint8_t>(model_.frameLength);
    regs_[kFrameLength0 + 1] = static_cast<uint8_t>(model_.frameLength >> 8);
    regs_[kFrameLength2] = static_cast<uint8_t>(model_.frameLength >> 16);
    store16(kLineLength0, static_cast<uint16_t>(model_.lineLength));
    regs_[kShutter0] = 15;
    store16(kBlackLevelLow, model_.blackLevel);
    regs_[kGainMode] = 1;
    if (model_.hasAuxMode) {
        regs_[kAuxControlA] = regs_[kAuxStatusA] = 0x5F;
    }
    regs_[kChipVersionLow] = static_cast<uint8_t>(model_.chipVersion);
    regs_[kChipVersionHigh] = static_cast<uint8_t>(model_.chipVersion >> 8);
}

// One register write from the bus. Read-only registers (the temperature latch outputs) keep
// their value. Returns how the write affects the frames.
SensorChange SensorRegisters::write(uint16_t address, uint16_t word, double celsius) {
    const auto value = static_cast<uint8_t>(word);  // 8-bit registers take the low byte
    using namespace sensor;
    if (address == kTemperatureLow || address == kTemperatureHigh) return SensorChange::None;
    if (model_.chipVersion != 0 && (address == kChipVersionLow || address == kChipVersionHigh)) {
        return SensorChange::None;
    }
    if (model_.hasAuxMode && (address == kAuxStatusA || address == kAuxStatusB)) {
        return SensorChange::None;
    }
    const uint8_t old = regs_[address];
    regs_[address] = value;
    // The latch copies the temperature on the rising edge of bit 0.
    if (address == kTemperatureLatch && (value & 1) && !(old & 1)) latchTemperature(celsius);
    if (model_.hasAuxMode && address == kAuxControlA) regs_[kAuxStatusA] = value;
    if (model_.hasAuxMode && address == kAuxControlB) regs_[kAuxStatusB] = value;
    return old == value ? SensorChange::None : classify(address);
}

// Decodes the registers that shape the frames.
SensorSettings SensorRegisters::settings() const {
    using namespace sensor;
    SensorSettings s;
    s.running = !(regs_[kStandby] & 1) && !(regs_[kMasterStop] & 1);
    s.externalTrigger = regs_[kExternalTrigger] & 1;
    s.binning = regs_[kBinning] == kBinning2x2 ? 2 : 1;
    s.verticalCrop = regs_[kCrop] & kCropVertical;
    s.windowX = load16(kWindowX) & kWindowFieldMask;
    s.windowY = load16(kWindowY) & kWindowFieldMask;
    s.windowWidth = load16(kWindowWidth) & kWindowFieldMask;
    s.windowHeight = load16(kWindowHeight) & kWindowFieldMask;
    s.frameLength = load24(kFrameLength0);
    s.lineLength = load16(kLineLength0);
    s.shutter = load24(kShutter0);
    s.gainCode = load16(kGainLow) & kGainCodeMask;
    s.mirror = regs_[kMirrorFlip] & kMirrorBit;
    s.flip = regs_[kMirrorFlip] & kFlipBit;
    s.blackLevel = load16(kBlackLevelLow) & kBlackLevelMask;
    s.lowConversionGain = model_.hasGainMode && !(regs_[kGainMode] & 1);
    return s;
}

void SensorRegisters::store16(uint16_t address, uint16_t value) {
    regs_[address] = static_cast<uint8_t>(value);
    regs_[address + 1] = static_cast<uint8_t>(value >> 8);
}

uint16_t SensorRegisters::load16(uint16_t low) const {
    return static_cast<uint16_t>(regs_[low] | (regs_[low + 1] << 8));
}

uint32_t SensorRegisters::load24(uint16_t low) const {
    return regs_[low] | (regs_[low + 1] << 8) | (static_cast<uint32_t>(regs_[low + 2]) << 16);
}

void SensorRegisters::latchTemperature(double celsius) {
    const uint16_t raw = temperatureToRaw12(celsius);
    regs_[sensor::kTemperatureLow] = static_cast<uint8_t>(raw);
    regs_[sensor::kTemperatureHigh] = static_cast<uint8_t>(raw >> 8);
}

// Rounds to 1/8 degree and saturates at the format's range (-256 to +255.875).
uint16_t temperatureToRaw12(double celsius) {
    const long eighths = std::lround(std::clamp(celsius, -256.0, 255.875) * 8.0);
    return static_cast<uint16_t>(eighths & 0xFFF);
}

}  // namespace kelvra::sim

#include "sim/FamilySensorRegisters.h"

#include <cmath>

#include "sim/FamilyRegisterMap.h"
#include "sim/FpgaRegisters.h"
#include "sim/SensorRegisters.h"

namespace kelvra::sim {
namespace {

using namespace family;

constexpr uint16_t kPowerOnExposure = 100;  // lines
constexpr uint16_t kMt9UnityGain = 8;
constexpr uint16_t kMt9pBlank = 32;
constexpr uint32_t kSonyShutterMin = 4;

// The G1467x board's thermistor: r = (9994.24 / raw - 9.76) / 10 and the beta equation (3950,
// 25 degrees).
constexpr double kDivider = 9994.24, kSeries = 9.76, kNominal = 10.0, kBeta = 3950.0;
constexpr double kNominalKelvin = 298.15, kKelvin = 273.15;
constexpr uint8_t kAdcStart = 2, kAdcLoad = 1;

// The coarse analog gain of each step of register 90, bits 2-4.
constexpr float kStepGain[8] = {0.66f, 1.85f, 2.49f, 3.68f, 1.29f, 3.70f, 4.95f, 7.25f};

uint16_t thermistorRaw(double celsius) {
    const double r = std::exp(kBeta * (1.0 / (celsius + kKelvin) - 1.0 / kNominalKelvin));
    return uint16_t(std::lround(kDivider / (kNominal * r + kSeries)));
}

double thermistorCelsius(uint16_t raw) {
    const double r = (kDivider / std::max<double>(raw, 1.0) - kSeries) / kNominal;
    return 1.0 / (std::log(std::max(r, 1e-9)) / kBeta + 1.0 / kNominalKelvin) - kKelvin;
}

uint32_t exposureToShutter(uint32_t frameLength, uint32_t exposure) {
    return frameLength > exposure ? frameLength - exposure : 0;
}

}  // namespace

FamilySensorRegisters::FamilySensorRegisters(const SensorModel& model) : model_(model) {
    powerOn();
}

uint32_t FamilySensorRegisters::little(uint16_t address, int bytes) const {
    uint32_t value = 0;
    for (int i = bytes - 1; i >= 0; --i) value = value << 8 | byte(uint16_t(address + i));
    return value;
}

uint16_t FamilySensorRegisters::big(uint16_t address) const {
    return uint16_t(byte(address) << 8 | byte(uint16_t(address + 1)));
}

void FamilySensorRegisters::storeLittle(uint16_t address, uint32_t value, int bytes) {
    for (int i = 0; i < bytes; ++i) regs_[uint16_t(address + i)] = uint8_t(value >> (8 * i));
}

void FamilySensorRegisters::storeBig(uint16_t address, uint16_t value) {
    regs_[address] = uint8_t(value >> 8);
    regs_[uint16_t(address + 1)] = uint8_t(value);
}

// Power-on: the whole array, the model's frame and line lengths, and the sensor stopped (or,
// for the sensors that run from power-up, running), so that frames follow the driver's
// start-up.
void FamilySensorRegisters::powerOn() {
    regs_.fill(0);
    console_.powerOn();
    setPoint_.reset();
    const auto w = uint16_t(model_.width), h = uint16_t(model_.height);
    switch (model_.family) {
        case SensorFamily::Mt9:
            storeLittle(mt9::kChipVersion, model_.chipVersion, 2);  // read low byte first
            storeBig(mt9::kXEnd, uint16_t(w - 1));
            storeBig(mt9::kYEnd, uint16_t(h - 1));
            storeBig(mt9::kFrameLength, uint16_t(model_.frameLength));
            storeBig(mt9::kLineLength, uint16_t(model_.lineLength));
            storeBig(mt9::kIntegration, kPowerOnExposure);
            storeBig(mt9::kGlobalGain, kMt9UnityGain);
            break;
        case SensorFamily::Mt9Short:
            storeBig(2 * mt9p::kRowSize, uint16_t(h - 1));
            storeBig(2 * mt9p::kColumnSize, uint16_t(w - 1));
            storeBig(2 * mt9p::kVerticalBlank, kMt9pBlank);
            storeBig(2 * mt9p::kShutterLower, kPowerOnExposure);
            storeBig(2 * mt9p::kGlobalGain, kMt9UnityGain);
            break;
        case SensorFamily::Ccd:
            regs_[ccd::kFrameLength] = uint16_t(model_.frameLength);
            regs_[ccd::kExposureLow] = kPowerOnExposure;
            break;
        case SensorFamily::SonyCmos:
            regs_[sony::kStandby] = 1;
            regs_[sony::kMasterStart] = 1;
            storeLittle(sony::kVmax, model_.frameLength, 3);
            storeLittle(sony::kHmax, model_.lineLength, 2);
            storeLittle(sony::kShutter, kSonyShutterMin, 3);
            storeLittle(sony::kWindowWidth, w, 2);
            storeLittle(sony::kWindowHeight, h, 2);
            break;
        case SensorFamily::Area:
            storeLittle(area::kWindowWidth, w, 2);
            storeLittle(area::kWindowHeight, h, 2);
            storeLittle(area::kExposure, kPowerOnExposure, 3);
            storeLittle(area::kFrameLength, model_.frameLength, 2);
            storeLittle(area::kLineLength, model_.lineLength, 2);
            break;
        case SensorFamily::Line:
            storeLittle(line::kWidth, w, 2);
            regs_[line::kLineCountLow] = uint8_t(model_.frameLength);
            regs_[line::kLineCountHigh] = uint8_t(model_.frameLength >> 8);
            regs_[line::kExposure] = 1;
            break;
        default:
            break;
    }
}

uint16_t FamilySensorRegisters::peek(uint16_t address) const {
    return regs_[address];
}

uint16_t FamilySensorRegisters::read(uint16_t address, double celsius) {
    if (model_.family == SensorFamily::ModuleConsole && address == kConsolePort) {
        return uint8_t(console_.next());
    }
    if (model_.family == SensorFamily::Area &&
        (address == area::kTemperature || address == area::kTemperature + 1)) {
        const uint16_t raw = temperatureToRaw12(celsius);
        return address == area::kTemperature ? (raw & 0xFF) : (raw >> 8);
    }
    return regs_[address];
}

SensorChange FamilySensorRegisters::write(uint16_t address, uint16_t value, double celsius) {
    if (model_.family == SensorFamily::ModuleConsole && address == kConsolePort) {
        console_.receive(char(value));
        return SensorChange::None;
    }
    if (model_.family == SensorFamily::Mt9 && address <= mt9::kChipVersion + 1) {
        return SensorChange::None;  // read-only identification
    }
    const SensorSettings before = decode(nullptr);
    regs_[address] = wordRegisters() ? value : uint8_t(value);
    if (model_.family == SensorFamily::SonyCmos && address == sony::kTemperatureLatch &&
        (value & 1)) {
        storeLittle(sony::kTemperature, temperatureToRaw12(celsius), 2);
    }
    if (model_.family == SensorFamily::Area) adcWrite(address, celsius);
    const SensorSettings after = decode(nullptr);
    if (before.running != after.running || before.externalTrigger != after.externalTrigger ||
        before.frameLength != after.frameLength || before.lineLength != after.lineLength ||
        before.shutter != after.shutter) {
        return SensorChange::Timing;
    }
    return SensorChange::Content;
}

// The thermistor ADC of the G1467x board: a conversion started (84 = 2, then 82 = 2) leaves the
// reading in 80 (low) and 83 (high); a load (84 = 0, then 82 = 1) takes 80/83 as the cooler's
// new set-point.
void FamilySensorRegisters::adcWrite(uint16_t address, double celsius) {
    if (address != area::kAdcControl) return;
    if (byte(area::kAdcControl) == kAdcStart && byte(area::kAdcMode) == kAdcStart) {
        const uint16_t raw = thermistorRaw(celsius);
        regs_[area::kAdcRawLow] = uint8_t(raw);
        regs_[area::kAdcRawHigh] = uint8_t(raw >> 8);
    } else if (byte(area::kAdcControl) == kAdcLoad && byte(area::kAdcMode) == 0) {
        setPoint_ =
            thermistorCelsius(uint16_t(byte(area::kAdcRawHigh) << 8 | byte(area::kAdcRawLow)));
    }
}

std::optional<double> FamilySensorRegisters::takeSetPoint() {
    std::optional<double> taken = setPoint_;
    setPoint_.reset();
    return taken;
}

bool FamilySensorRegisters::shortAddresses() const {
    return model_.family == SensorFamily::Mt9Short;
}

bool FamilySensorRegisters::wordRegisters() const {
    return model_.family == SensorFamily::Ccd;
}

SensorSettings FamilySensorRegisters::settings(const FpgaRegisters& fpga) const {
    return decode(&fpga);
}

SensorSettings FamilySensorRegisters::decode(const FpgaRegisters* fpga) const {
    switch (model_.family) {
        case SensorFamily::Mt9:
            return decodeMt9();
        case SensorFamily::Mt9Short:
            return decodeMt9Short();
        case SensorFamily::Ccd:
            return decodeCcd();
        case SensorFamily::SonyCmos:
            return decodeSony();
        case SensorFamily::Area:
            return decodeArea();
        case SensorFamily::Line:
            return decodeLine();
        case SensorFamily::LiCmos:
            return fpga ? decodeLi(*fpga) : fullArray();
        case SensorFamily::ModuleConsole:
            return decodeConsole();
        default:
            return fullArray();
    }
}

// The whole array, running, at the model's timing: what a sensor without a window register
// sends.
SensorSettings FamilySensorRegisters::fullArray() const {
    SensorSettings s;
    s.verticalCrop = true;
    s.windowWidth = model_.width;
    s.windowHeight = model_.height;
    s.frameLength = model_.frameLength;
    s.lineLength = model_.lineLength;
    s.blackLevel = model_.blackLevel;
    return s;
}

SensorSettings FamilySensorRegisters::decodeMt9() const {
    SensorSettings s = fullArray();
    s.running = big(mt9::kReset) & mt9::kStreaming;
    s.windowX = big(mt9::kXStart);
    s.windowY = big(mt9::kYStart);
    s.windowWidth = big(mt9::kXEnd) - s.windowX + 1;
    s.windowHeight = big(mt9::kYEnd) - s.windowY + 1;
    s.frameLength = big(mt9::kFrameLength);
    s.lineLength = big(mt9::kLineLength);
    s.shutter = exposureToShutter(s.frameLength, big(mt9::kIntegration));
    s.gainCode = big(mt9::kGlobalGain);
    s.mirror = big(mt9::kReadMode) & 0x8000;
    s.flip = big(mt9::kReadMode) & 0x4000;
    return s;
}

SensorSettings FamilySensorRegisters::decodeMt9Short() const {
    auto reg = [this](uint16_t r) { return big(uint16_t(2 * r)); };
    SensorSettings s = fullArray();
    s.running = reg(mt9p::kOutputControl) & mt9p::kChipEnable;
    s.externalTrigger = reg(mt9p::kReadMode1) & mt9p::kSnapshot;
    s.windowX = reg(mt9p::kColumnStart);
    s.windowY = reg(mt9p::kRowStart);
    s.windowWidth = reg(mt9p::kColumnSize) + 1;
    s.windowHeight = reg(mt9p::kRowSize) + 1;
    s.frameLength = uint32_t(s.windowHeight) + reg(mt9p::kVerticalBlank);
    const uint32_t exposure = uint32_t(reg(mt9p::kShutterUpper)) << 16 | reg(mt9p::kShutterLower);
    s.shutter = exposureToShutter(s.frameLength, exposure);
    s.gainCode = reg(mt9p::kGlobalGain);
    s.mirror = reg(mt9p::kReadMode2) & 0x8000;
    s.flip = reg(mt9p::kReadMode2) & 0x4000;
    return s;
}

SensorSettings FamilySensorRegisters::decodeCcd() const {
    SensorSettings s = fullArray();
    s.running = regs_[ccd::kControl] & 1;
    s.externalTrigger = regs_[ccd::kControl] & 2;
    s.frameLength = regs_[ccd::kFrameLength];
    const uint32_t exposure = uint32_t(regs_[ccd::kExposureHigh]) << 16 | regs_[ccd::kExposureLow];
    s.shutter = exposureToShutter(s.frameLength, exposure);
    s.gainCode = regs_[ccd::kGain];
    s.mirror = regs_[ccd::kReadout] & 1;
    s.flip = regs_[ccd::kReadout] & 2;
    s.blackLevel = regs_[ccd::kClamp] & 0x3FF;
    return s;
}

SensorSettings FamilySensorRegisters::decodeSony() const {
    SensorSettings s = fullArray();
    s.running = !(byte(sony::kStandby) & 1) && byte(sony::kMasterStart) == 0;
    s.externalTrigger = byte(sony::kTriggerEnable) & 1;
    s.windowX = int(little(sony::kWindowX, 2));
    s.windowY = int(little(sony::kWindowY, 2));
    s.windowWidth = int(little(sony::kWindowWidth, 2));
    s.windowHeight = int(little(sony::kWindowHeight, 2));
    s.frameLength = little(sony::kVmax, 3);
    s.lineLength = little(sony::kHmax, 2);
    s.shutter = little(sony::kShutter, 3);
    s.gainCode = int(little(sony::kGain, 2));
    s.mirror = byte(sony::kReverse) & 1;
    s.flip = byte(sony::kReverse) & 2;
    s.blackLevel = int(little(sony::kBlackLevel, 2) & 0xFFF);
    s.lowConversionGain = model_.hasGainMode && !(byte(sony::kGainMode) & 1);
    return s;
}

SensorSettings FamilySensorRegisters::decodeArea() const {
    SensorSettings s = fullArray();
    s.running = byte(area::kControl) & 1;
    s.externalTrigger = byte(area::kControl) & 2;
    s.windowX = int(little(area::kWindowX, 2));
    s.windowY = int(little(area::kWindowY, 2));
    s.windowWidth = int(little(area::kWindowWidth, 2));
    s.windowHeight = int(little(area::kWindowHeight, 2));
    s.frameLength = little(area::kFrameLength, 2);
    s.lineLength = little(area::kLineLength, 2);
    s.shutter = exposureToShutter(s.frameLength, little(area::kExposure, 3));
    s.gainCode = byte(area::kGain);
    s.mirror = byte(area::kReverse) & 1;
    s.flip = byte(area::kReverse) & 2;
    if (s.frameLength == 0) s.frameLength = model_.frameLength;
    if (model_.hasGainMode) s.lowConversionGain = !(byte(area::kGainMode) & 1);
    if (model_.productId == 0x32D0) {
        s.blackLevel = int(little(area::kBlackLevel, 2));
        s.extraGain = kStepGain[(byte(area::kAnalogStep) >> 2) & 7];
    }
    return s;
}

SensorSettings FamilySensorRegisters::decodeLine() const {
    SensorSettings s = fullArray();
    s.running = byte(line::kControl) & 1;
    s.externalTrigger = byte(line::kControl) & 2;
    s.windowX = int(little(line::kStart, 2));
    s.windowY = 0;
    s.windowWidth = int(little(line::kWidth, 2));
    s.windowHeight = byte(line::kLineCountLow) | byte(line::kLineCountHigh) << 8;
    s.frameLength = uint32_t(s.windowHeight);
    s.shutter = exposureToShutter(s.frameLength, little(line::kExposure, 3));
    s.gainCode = byte(line::kGain);
    s.mirror = byte(line::kReverse) & 1;
    s.flip = byte(line::kReverse) & 2;
    return s;
}

SensorSettings FamilySensorRegisters::decodeLi(const FpgaRegisters& fpga) const {
    auto reg = [&fpga](uint8_t r) { return uint32_t(fpga.stored(r) & 0xFF); };
    auto pair = [&reg](uint8_t r) { return reg(r) | reg(uint8_t(r + 1)) << 8; };
    SensorSettings s = fullArray();
    s.running = reg(li::kControl) & 1;
    s.externalTrigger = reg(li::kControl) & 2;
    s.windowX = int(pair(li::kWindowX));
    s.windowY = int(pair(li::kWindowY));
    s.windowWidth = int(pair(li::kWindowWidth));
    s.windowHeight = int(pair(li::kWindowHeight));
    s.frameLength = pair(li::kFrameLength);
    const uint32_t exposure = pair(li::kExposure) | reg(uint8_t(li::kExposure + 2)) << 16;
    s.shutter = exposureToShutter(s.frameLength, exposure);
    s.gainCode = int(reg(li::kGain));
    s.sizesFrames = true;
    s.sixteenBit = reg(li::kControl) & 4;
    return s;
}

// The module reads its whole array at its own frame rate, stretched by a longer exposure.
SensorSettings FamilySensorRegisters::decodeConsole() const {
    SensorSettings s = fullArray();
    const ConsoleState& state = console_.state();
    const auto exposure = uint32_t(std::max(state.exposureLines, 1));
    s.frameLength = std::max<uint32_t>(model_.frameLength, exposure + 1);
    s.shutter = s.frameLength - exposure;
    s.gainCode = state.gain;
    return s;
}

std::unique_ptr<SensorRegisterFile> makeSensorRegisters(const SensorModel& model) {
    if (isImxFamily(model.family)) return std::make_unique<SensorRegisters>(model);
    return std::make_unique<FamilySensorRegisters>(model);
}

}  // namespace kelvra::sim

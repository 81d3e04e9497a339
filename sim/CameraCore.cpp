#include "sim/CameraCore.h"

#include <algorithm>
#include <cmath>

#include "sim/FamilySensorRegisters.h"
#include "sim/FpgaRegisterMap.h"
#include "sim/FrameRenderer.h"
#include "sim/SensorRegisters.h"

namespace kelvra::sim {
namespace {

constexpr size_t kFpgaWriteBytes = 3;     // register, data high, data low
constexpr double kDarkRateAt25 = 1500.0;  // 12-bit steps per second at gain 1
constexpr double kDarkDoublingCelsius = 6.5;
constexpr double kDieAboveAmbient = 20.0;
constexpr double kGainCodeDb = 0.1;
constexpr double kLowConversionGain = 0.25;

// The product's sensor as this camera was built: the model row with the configured chip
// identification.
SensorModel modelOf(const CameraConfig& config) {
    SensorModel model = sensorModelFor(config.productId);
    model.chipVersion = uint16_t(config.sensorChipVersion);
    return model;
}

// Where the image sits in the lines each sensor sends.
LineGeometry geometryOf(const SensorModel& model) {
    if (isImxFamily(model.family)) return LineGeometry{};
    return LineGeometry{model.leadLines, 0, model.leadColumns, 0, 0};
}

double gainFactor(int code) {
    return std::pow(10.0, code * kGainCodeDb / 20.0);
}

}  // namespace

CameraCore::CameraCore(const CameraConfig& config, const std::string& serialNumber)
    : config_(config),
      model_(modelOf(config)),
      fpga_(config, model_),
      sensor_(makeSensorRegisters(model_)),
      eeprom_(serialNumber, std::chrono::milliseconds(config.eepromWriteCycleMs)),
      thermal_(config.ambientCelsius, config.selfHeatingCelsius, config.coolerSetPointCelsius,
               config.thermalTimeConstant) {
    clock_.setPaced(config.paced, Clock::now());
}

// Power-on reset of everything volatile; the EEPROM keeps its content (a write cycle cut short
// by the power cycle has already stored its page).
void CameraCore::powerOn(Clock::time_point now) {
    powerOnTime_ = now;
    fpga_.powerOn();
    sensor_->powerOn();
    eeprom_.powerOn();
    thermal_.powerOn(now);
    clock_.powerOn(now);
    fpgaPointer_ = 0;
    sensorPointer_ = 0;
    statusPolls_ = 0;
    reconfigurePulses_ = 0;
    retime(now);
}

// One I2C write through the relay: the device at `address` (write form) takes `bytes`.
bool CameraCore::i2cWrite(uint8_t address, std::span<const uint8_t> bytes, Clock::time_point now) {
    if (consumeI2cFailure(address)) return false;
    if (address == kI2cFpga) return fpgaWrite(bytes, now);
    if (address == kI2cAux) return aux_.write(bytes);
    if (address == kI2cEeprom) return eeprom_.write(bytes, now);
    if (address == config_.sensorBusAddress) return sensorBusWrite(bytes, now);
    return false;
}

// One I2C read through the relay; `address` is the write form of the device's address.
bool CameraCore::i2cRead(uint8_t address, std::span<uint8_t> out, Clock::time_point now) {
    if (consumeI2cFailure(address)) return false;
    if (address == kI2cFpga) return fpgaRead(out, now);
    if (address == kI2cAux) return aux_.read(out);
    if (address == kI2cEeprom) return eeprom_.read(out, now);
    if (address == config_.sensorBusAddress) return sensorBusRead(out, now);
    return false;
}

// Request 0x3E: one sensor register on the sensor's bus (8-bit registers take the low byte).
bool CameraCore::sensorWrite(uint16_t reg, uint16_t value, Clock::time_point now) {
    if (consumeI2cFailure(uint8_t(config_.sensorBusAddress))) return false;
    writeSensor(reg, value, now);
    return true;
}

// Request 0x3F.
bool CameraCore::sensorRead(uint16_t reg, uint16_t& value, Clock::time_point now) {
    if (consumeI2cFailure(uint8_t(config_.sensorBusAddress))) return false;
    value = sensor_->read(reg, thermal_.celsius(now));
    return true;
}

// One sensor register write, and what follows from it: retimed or restyled frames, and a
// cooler set-point the sensor's board passes on.
void CameraCore::writeSensor(uint16_t reg, uint16_t value, Clock::time_point now) {
    applySensorChange(sensor_->write(reg, value, thermal_.celsius(now)), now);
    if (const std::optional<double> setPoint = sensor_->takeSetPoint()) {
        thermal_.setSetPoint(*setPoint, now);
    }
}

ModuleConsole* CameraCore::console() {
    auto* family = dynamic_cast<FamilySensorRegisters*>(sensor_.get());
    return family && model_.family == SensorFamily::ModuleConsole ? &family->console() : nullptr;
}

const ModuleConsole* CameraCore::console() const {
    return const_cast<CameraCore*>(this)->console();
}

// Request 0xC3: with fpgaReadyAfterPolls = N > 0 the first N polls answer 0 and the FPGA is
// configured from poll N + 1 on; with 0 it is configured from power-on; with -1 never.
bool CameraCore::pollFpgaConfigured(Clock::time_point now) {
    if (!fpgaConfigured() && config_.fpgaReadyAfterPolls > 0) {
        ++statusPolls_;
        if (fpgaConfigured()) retime(now);
    }
    return fpgaConfigured();
}

bool CameraCore::fpgaConfigured() const {
    const int n = config_.fpgaReadyAfterPolls;
    return n == 0 || (n > 0 && statusPolls_ > n);
}

FrameClock::Next CameraCore::nextFrame(Clock::time_point now) {
    return clock_.next(now);
}

void CameraCore::takeFrame(uint64_t number, Clock::time_point now, FrameSettings& settings,
                           FrameHeaderFields& header) {
    clock_.delivered(number);
    uint32_t exposureUs = 0;
    settings = frameSettings(number, now, exposureUs);
    const SensorSettings s = sensor_->settings(fpga_);
    header.width = static_cast<uint16_t>(settings.width);
    header.height = static_cast<uint16_t>(settings.height);
    header.sixteenBit = settings.sixteenBit;
    header.exposureLines = exposureLines(s, fpga_.settings());
    header.gainCode = static_cast<uint32_t>(s.gainCode);
    header.bodyLength = static_cast<uint32_t>(FrameRenderer::bodyBytes(settings));
    const Clock::time_point madeAt = clock_.completedAt(number, now);
    header.timestampUs = static_cast<uint32_t>(
        std::chrono::duration_cast<std::chrono::microseconds>(madeAt - powerOnTime_).count());
    header.frameNumber = static_cast<uint32_t>(number);
    header.exposureUs = exposureUs;
    header.temperatureRaw = temperatureToRaw12(thermal_.celsius(now));
    header.triggered = fpga_.settings().triggered;
    header.testPattern = settings.testPattern;
    header.correction = settings.correction;
}

void CameraCore::setPaced(bool paced, Clock::time_point now) {
    clock_.setPaced(paced, now);
    if (stream_) stream_->wake();
}

void CameraCore::setNoise(bool on, uint32_t seed, float sigma) {
    config_.noise = on;
    config_.noiseSeed = seed;
    config_.noiseSigma = sigma;
}

// The trigger input: in trigger mode a frame completes one trigger period later.
bool CameraCore::fireTrigger(Clock::time_point now) {
    const bool taken = clock_.trigger(clock_.period(), now);
    if (taken && stream_) stream_->wake();
    return taken;
}

// The next `count` I2C transactions (-1: all until reset with 0) to `address` (write form, or
// kAnyI2cAddress) are not acknowledged.
void CameraCore::failI2c(int count, int address) {
    i2cFailures_ = count;
    i2cFailureAddress_ = address;
}

void CameraCore::setFpgaReadyAfterPolls(int polls, Clock::time_point now) {
    config_.fpgaReadyAfterPolls = polls;
    statusPolls_ = 0;
    retime(now);
}

void CameraCore::setCooling(bool on, Clock::time_point now) {
    thermal_.setCooling(on && model_.cooled, now);
}

// FPGA register file over I2C: one byte selects the register for the next read; three bytes
// write it (register, data high, data low). An unconfigured FPGA does not answer.
bool CameraCore::fpgaWrite(std::span<const uint8_t> bytes, Clock::time_point now) {
    if (!fpgaConfigured()) return false;
    if (bytes.size() == 1) {
        fpgaPointer_ = bytes[0];
        return true;
    }
    if (bytes.size() != kFpgaWriteBytes) return false;
    fpgaPointer_ = bytes[0];
    applyFpgaEffects(fpga_.write(bytes[0], static_cast<uint16_t>((bytes[1] << 8) | bytes[2])), now);
    return true;
}

// Each register answers two bytes, high then low, starting at the selected register.
bool CameraCore::fpgaRead(std::span<uint8_t> out, Clock::time_point now) {
    if (!fpgaConfigured()) return false;
    const FpgaInputs inputs{clock_.completed(now), thermal_.celsius(now),
                            config_.ambientCelsius + kDieAboveAmbient, ioInputs_};
    for (size_t i = 0; i < out.size(); i += 2) {
        const uint16_t word = fpga_.read(static_cast<uint8_t>(fpgaPointer_ + i / 2), inputs);
        out[i] = static_cast<uint8_t>(word >> 8);
        if (i + 1 < out.size()) out[i + 1] = static_cast<uint8_t>(word);
    }
    return true;
}

// Sensor over I2C: two address bytes (high, low) set the pointer, or one for sensors whose
// registers are two bytes wide (the pointer is then twice it); further bytes are written from
// it, the pointer advancing.
bool CameraCore::sensorBusWrite(std::span<const uint8_t> bytes, Clock::time_point now) {
    const size_t addressBytes = sensor_->shortAddresses() ? 1 : 2;
    if (bytes.size() < addressBytes) return false;
    sensorPointer_ = addressBytes == 1 ? static_cast<uint16_t>(bytes[0] * 2)
                                       : static_cast<uint16_t>((bytes[0] << 8) | bytes[1]);
    for (uint8_t value : bytes.subspan(addressBytes)) writeSensor(sensorPointer_++, value, now);
    return true;
}

bool CameraCore::sensorBusRead(std::span<uint8_t> out, Clock::time_point now) {
    const double celsius = thermal_.celsius(now);
    for (uint8_t& value : out) value = uint8_t(sensor_->read(sensorPointer_++, celsius));
    return true;
}

bool CameraCore::consumeI2cFailure(uint8_t address) {
    if (i2cFailures_ == 0) return false;
    if (i2cFailureAddress_ != kAnyI2cAddress && (address & 0xFE) != i2cFailureAddress_) {
        return false;
    }
    if (i2cFailures_ > 0) --i2cFailures_;
    return true;
}

void CameraCore::applySensorChange(SensorChange change, Clock::time_point now) {
    if (change == SensorChange::Timing) retime(now);
    if (change == SensorChange::Content) markStale(now);
}

void CameraCore::applyFpgaEffects(const FpgaEffects& effects, Clock::time_point now) {
    if (effects.timingChanged) retime(now);
    if (effects.contentChanged) {
        // A geometry the FPGA cannot deliver stops the frames, so retime as well.
        retime(now);
    }
    if (effects.coolerChanged) setCooling(fpga_.settings().coolerOn, now);
    if (effects.reconfigurePulse) ++reconfigurePulses_;
    if (effects.readoutRestart) {
        clock_.restartFrame(now);
        if (stream_) stream_->resyncStream();
    }
    if (effects.softwareTrigger) fireTrigger(now);
}

// Derives the frame clock from the registers: stopped while the FPGA is unconfigured, the sensor
// stands by, the geometry cannot be delivered, or the sensor waits for pulses the FPGA does not
// send; otherwise triggered or free-running at frame length x line time.
void CameraCore::retime(Clock::time_point now) {
    const SensorSettings s = sensor_->settings(fpga_);
    const FpgaSettings f = fpga_.settings();
    FrameSettings geometry;
    geometry.width = s.sizesFrames ? s.windowWidth : f.width;
    geometry.height = s.sizesFrames ? s.windowHeight : f.height;
    geometry.sixteenBit = s.sizesFrames ? s.sixteenBit : f.sixteenBit;
    FrameClock::Mode mode = FrameClock::Mode::FreeRunning;
    if (!fpgaConfigured() || !s.running || !FrameRenderer::drawable(geometry) ||
        (s.externalTrigger && !f.triggered)) {
        mode = FrameClock::Mode::Stopped;
    } else if (f.triggered) {
        mode = FrameClock::Mode::Triggered;
    }
    double lines = std::max<uint32_t>(s.frameLength, 1);
    if (mode == FrameClock::Mode::Triggered) {
        lines =
            f.triggerDelayLines ? f.triggerDelayLines : exposureLines(s, f) + uint32_t(f.height);
    }
    const auto period = std::chrono::nanoseconds(std::llround(lines * lineNs(s)));
    clock_.configure(mode, period, now);
    if (stream_) stream_->wake();
}

void CameraCore::markStale(Clock::time_point now) {
    clock_.markStale(now);
    if (stream_) stream_->wake();
}

double CameraCore::lineNs(const SensorSettings& s) const {
    return std::max<uint32_t>(s.lineLength, 1) * model_.lineUnitNs;
}

// Exposure in lines: the FPGA's in trigger mode when programmed, else frame length - shutter.
uint32_t CameraCore::exposureLines(const SensorSettings& s, const FpgaSettings& f) const {
    if (f.triggered && f.triggerExposureLines != 0) return f.triggerExposureLines;
    return s.frameLength > s.shutter ? s.frameLength - s.shutter : 1;
}

// The settings snapshot for drawing frame `number`.
FrameSettings CameraCore::frameSettings(uint64_t number, Clock::time_point now,
                                        uint32_t& exposureUs) {
    const SensorSettings s = sensor_->settings(fpga_);
    const FpgaSettings f = fpga_.settings();
    FrameSettings fs;
    fs.frameNumber = number;
    fs.testPattern = testPattern_;
    fs.width = s.sizesFrames ? s.windowWidth : f.width;
    fs.height = s.sizesFrames ? s.windowHeight : f.height;
    fs.lineOffset = f.lineOffset;
    fs.columnOffset = f.columnOffset;
    fs.sixteenBit = s.sizesFrames ? s.sixteenBit : f.sixteenBit;
    fs.correction = f.correction;
    fs.binning = s.binning;
    fs.verticalCrop = s.verticalCrop;
    fs.windowX = s.windowX;
    fs.windowY = s.windowY;
    fs.windowWidth = s.windowWidth;
    fs.windowHeight = s.windowHeight;
    fs.mirror = s.mirror;
    fs.flip = s.flip;
    fs.fastReadout = s.lineLength < model_.fastLineLength;
    fs.geometry = geometryOf(model_);
    const double exposureNs = exposureLines(s, f) * lineNs(s) + model_.exposureOffsetNs;
    exposureUs = static_cast<uint32_t>(std::llround(exposureNs / 1000.0));
    const double seconds = exposureNs * 1e-9;
    const double gain =
        gainFactor(s.gainCode) * (s.lowConversionGain ? kLowConversionGain : 1.0) * s.extraGain;
    const double darkRate =
        kDarkRateAt25 * std::exp2((thermal_.celsius(now) - 25.0) / kDarkDoublingCelsius);
    fs.black = static_cast<float>(s.blackLevel);
    fs.signalGain = static_cast<float>(seconds * gain * config_.sceneBrightness);
    fs.darkGain = static_cast<float>(seconds * gain * darkRate);
    fs.noise = config_.noise;
    fs.noiseSigma = config_.noiseSigma;
    fs.noiseSeed = config_.noiseSeed;
    return fs;
}

}  // namespace kelvra::sim

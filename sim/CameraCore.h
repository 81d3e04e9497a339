#pragma once
// The camera behind the FX3: the I2C devices (FPGA register file, auxiliary device, EEPROM,
// image sensor), the frame timing they set, the sensor's temperature, and what each frame is
// made of. Not locked: every call comes with the owning camera's lock held.

#include <chrono>
#include <cstdint>
#include <memory>
#include <span>
#include <string>

#include "sim/AuxDevice.h"
#include "sim/CameraConfig.h"
#include "sim/Eeprom.h"
#include "sim/FpgaRegisters.h"
#include "sim/FrameClock.h"
#include "sim/ModuleConsole.h"
#include "sim/SensorModels.h"
#include "sim/SensorRegisterFile.h"
#include "sim/StreamControl.h"
#include "sim/ThermalModel.h"

namespace kelvra::sim {

// I2C addresses (8-bit write form; reads use the address with bit 0 set).
inline constexpr uint8_t kI2cFpga = 0x40;
inline constexpr uint8_t kI2cAux = 0x5A;
inline constexpr uint8_t kI2cEeprom = 0xA2;
inline constexpr int kAnyI2cAddress = -1;

class CameraCore final : public FrameSource {
  public:
    CameraCore(const CameraConfig& config, const std::string& serialNumber);

    void attachStream(StreamControl* stream) { stream_ = stream; }
    void powerOn(Clock::time_point now);

    // The FX3's I2C relay: false when the device does not acknowledge.
    bool i2cWrite(uint8_t address, std::span<const uint8_t> bytes, Clock::time_point now);
    bool i2cRead(uint8_t address, std::span<uint8_t> out, Clock::time_point now);
    // The FX3's own sensor register requests.
    bool sensorWrite(uint16_t reg, uint16_t value, Clock::time_point now);
    bool sensorRead(uint16_t reg, uint16_t& value, Clock::time_point now);
    // FPGA-configured status, one poll.
    bool pollFpgaConfigured(Clock::time_point now);

    FrameClock::Next nextFrame(Clock::time_point now) override;
    void takeFrame(uint64_t number, Clock::time_point now, FrameSettings& settings,
                   FrameHeaderFields& header) override;

    // Controls.
    void setPaced(bool paced, Clock::time_point now);
    void setTestPattern(bool on) { testPattern_ = on; }
    void setNoise(bool on, uint32_t seed, float sigma);
    void setSceneBrightness(double brightness) { config_.sceneBrightness = brightness; }
    bool fireTrigger(Clock::time_point now);
    void setIoInputs(uint8_t lines) { ioInputs_ = lines & 0x0F; }
    void failI2c(int count, int address);
    void setFpgaReadyAfterPolls(int polls, Clock::time_point now);
    void setCooling(bool on, Clock::time_point now);
    uint64_t framesCompleted(Clock::time_point now) { return clock_.completed(now); }
    int reconfigurePulses() const { return reconfigurePulses_; }
    int fpgaStatusPolls() const { return statusPolls_; }

    FpgaRegisters& fpga() { return fpga_; }
    const FpgaRegisters& fpga() const { return fpga_; }
    const SensorRegisterFile& sensor() const { return *sensor_; }
    // The module camera's console; null for every other sensor.
    ModuleConsole* console();
    const ModuleConsole* console() const;
    Eeprom& eeprom() { return eeprom_; }
    const Eeprom& eeprom() const { return eeprom_; }
    const AuxDevice& aux() const { return aux_; }
    ThermalModel& thermal() { return thermal_; }
    const SensorModel& model() const { return model_; }

  private:
    bool fpgaWrite(std::span<const uint8_t> bytes, Clock::time_point now);
    bool fpgaRead(std::span<uint8_t> out, Clock::time_point now);
    bool sensorBusWrite(std::span<const uint8_t> bytes, Clock::time_point now);
    bool sensorBusRead(std::span<uint8_t> out, Clock::time_point now);
    bool consumeI2cFailure(uint8_t address);
    bool fpgaConfigured() const;
    void applySensorChange(SensorChange change, Clock::time_point now);
    void writeSensor(uint16_t reg, uint16_t value, Clock::time_point now);
    void applyFpgaEffects(const FpgaEffects& effects, Clock::time_point now);
    void retime(Clock::time_point now);
    void markStale(Clock::time_point now);
    double lineNs(const SensorSettings& s) const;
    uint32_t exposureLines(const SensorSettings& s, const FpgaSettings& f) const;
    FrameSettings frameSettings(uint64_t number, Clock::time_point now, uint32_t& exposureUs);

    CameraConfig config_;
    SensorModel model_;
    StreamControl* stream_ = nullptr;
    FpgaRegisters fpga_;
    std::unique_ptr<SensorRegisterFile> sensor_;
    Eeprom eeprom_;
    AuxDevice aux_;
    ThermalModel thermal_;
    FrameClock clock_;
    Clock::time_point powerOnTime_{};
    uint8_t fpgaPointer_ = 0;
    uint16_t sensorPointer_ = 0;
    int statusPolls_ = 0;
    int reconfigurePulses_ = 0;
    int i2cFailures_ = 0;
    int i2cFailureAddress_ = kAnyI2cAddress;
    uint8_t ioInputs_ = 0;
    bool testPattern_ = false;
};

}  // namespace kelvra::sim

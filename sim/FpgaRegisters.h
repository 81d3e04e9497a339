#pragma once
// The FPGA's register file: 8-bit register numbers holding 16-bit words, most of them plain
// storage, some read-only or live, some acting on write. Not locked: the owning camera
// serialises access.

#include <array>
#include <cstdint>

#include "sim/CameraConfig.h"
#include "sim/SensorModels.h"

namespace kelvra::sim {

// Live values a read may report, supplied by the camera at the time of the read.
struct FpgaInputs {
    uint64_t framesCompleted = 0;
    double sensorCelsius = 0.0;
    double dieCelsius = 0.0;
    uint8_t ioInputs = 0;  // 4 input lines
};

// What a write set in motion.
struct FpgaEffects {
    bool readoutRestart = false;   // bit 0 of 0x6C rose
    bool softwareTrigger = false;  // bit 7 of 0x59 rose
    bool timingChanged = false;    // trigger mode or trigger timing
    bool contentChanged = false;   // geometry, bit depth, correction
    bool coolerChanged = false;
    bool reconfigurePulse = false;  // bit 0 of 0x82 fell after a rise
};

struct FpgaSettings {
    int width = 0, height = 0;
    int lineOffset = 0, columnOffset = 0;
    bool sixteenBit = false;
    bool triggered = false;
    bool correction = false;
    bool coolerOn = false;
    uint32_t triggerExposureLines = 0;
    uint32_t triggerDelayLines = 0;
};

class FpgaRegisters {
  public:
    FpgaRegisters(const CameraConfig& config, const SensorModel& model);

    void powerOn();
    uint16_t read(uint8_t reg, const FpgaInputs& inputs);
    FpgaEffects write(uint8_t reg, uint16_t value);
    FpgaSettings settings() const;
    uint16_t stored(uint8_t reg) const { return regs_[reg]; }

    // The FPGA holds the sensor bus for the next `reads` reads of the status register
    // (-1: until told otherwise).
    void holdSensorBus(int reads) { busHeldReads_ = reads; }

  private:
    uint16_t readStatus();
    uint16_t readTemperature(uint8_t reg, double celsius);
    uint16_t readDieTemperature(uint8_t reg, double celsius) const;
    static uint16_t amplifierAdc(double celsius);
    uint8_t low(uint8_t reg) const { return static_cast<uint8_t>(regs_[reg]); }
    uint16_t pair(uint8_t lowReg, uint8_t highReg) const;

    CameraConfig config_;
    SensorModel model_;
    std::array<uint16_t, 256> regs_{};
    int busHeldReads_ = 0;
    uint16_t temperatureLatch_ = 0;
    bool temperatureLatched_ = false;
};

}  // namespace kelvra::sim

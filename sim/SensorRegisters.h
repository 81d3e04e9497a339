#pragma once
// The IMX990 family sensor's register file as the drivers see it over I2C, with the registers
// that act decoded for the frame generator. Not locked: the owning camera serialises access.

#include <array>
#include <cstdint>

#include "sim/SensorModels.h"
#include "sim/SensorRegisterFile.h"

namespace kelvra::sim {

// The IMX990 family's register file: 8-bit registers.
class SensorRegisters final : public SensorRegisterFile {
  public:
    explicit SensorRegisters(const SensorModel& model);

    void powerOn() override;
    uint16_t read(uint16_t address, double) override { return regs_[address]; }
    uint16_t peek(uint16_t address) const override { return regs_[address]; }
    SensorChange write(uint16_t address, uint16_t value, double celsius) override;
    SensorSettings settings(const FpgaRegisters&) const override { return settings(); }
    SensorSettings settings() const;

  private:
    void store16(uint16_t address, uint16_t value);
    uint16_t load16(uint16_t low) const;
    uint32_t load24(uint16_t low) const;
    void latchTemperature(double celsius);

    SensorModel model_;
    std::array<uint8_t, 65536> regs_{};
};

// Degrees Celsius as the 12-bit two's-complement value in 1/8 degree that sensor and FPGA report.
uint16_t temperatureToRaw12(double celsius);

}  // namespace kelvra::sim

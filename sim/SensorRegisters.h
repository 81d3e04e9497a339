#pragma once
// The image sensor's register file as the drivers see it over I2C, with the registers that act
// decoded for the frame generator. Not locked: the owning camera serialises access.

#include <array>
#include <cstdint>

#include "sim/SensorModels.h"

namespace kelvra::sim {

// What a write changed, so the camera can retime or restyle the frames that follow.
enum class SensorChange { None, Content, Timing };

struct SensorSettings {
    bool running = true;           // neither standby nor master stop
    bool externalTrigger = false;  // exposures wait for pulses from the FPGA
    int binning = 1;               // 1 or 2
    bool verticalCrop = false;
    int windowX = 0, windowY = 0, windowWidth = 0, windowHeight = 0;  // register values
    uint32_t frameLength = 0;                                         // lines
    uint32_t lineLength = 0;                                          // clock units
    uint32_t shutter = 0;  // lines; exposure = frame length - shutter
    int gainCode = 0;      // 0.1 dB steps
    bool mirror = false;   // vertical reversal
    bool flip = false;     // horizontal reversal
    int blackLevel = 0;    // 12-bit
    bool lowConversionGain = false;
};

class SensorRegisters {
  public:
    explicit SensorRegisters(const SensorModel& model);

    void powerOn();
    uint8_t read(uint16_t address) const { return regs_[address]; }
    SensorChange write(uint16_t address, uint8_t value, double celsius);
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

#pragma once
// The image sensor's registers as the camera's buses reach them: a register file of the
// sensor's own kind (the IMX990 family's, or one of the rest of the line), and what its
// registers decode to for the frame generator. Not locked: the owning camera serialises access.

#include <cstdint>
#include <memory>
#include <optional>

#include "sim/SensorModels.h"

namespace kelvra::sim {

class FpgaRegisters;

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
    float extraGain = 1.0f;  // a coarse analog gain step
    // The sensor sizes the frames itself (its window and depth), not the FPGA's geometry.
    bool sizesFrames = false;
    bool sixteenBit = false;
};

class SensorRegisterFile {
  public:
    virtual ~SensorRegisterFile() = default;

    virtual void powerOn() = 0;
    // A register as a bus reads it (a console port hands out its next character).
    virtual uint16_t read(uint16_t address, double celsius) = 0;
    // A register's value for inspection; changes nothing.
    virtual uint16_t peek(uint16_t address) const = 0;
    virtual SensorChange write(uint16_t address, uint16_t value, double celsius) = 0;
    virtual SensorSettings settings(const FpgaRegisters& fpga) const = 0;

    // I2C addressing: one address byte (each register two bytes wide) instead of two.
    virtual bool shortAddresses() const { return false; }
    // Registers of 16 bits, written whole by the FX3's sensor register request.
    virtual bool wordRegisters() const { return false; }
    // A cooler set-point the sensor's board was given since the last call.
    virtual std::optional<double> takeSetPoint() { return std::nullopt; }
};

std::unique_ptr<SensorRegisterFile> makeSensorRegisters(const SensorModel& model);

}  // namespace kelvra::sim

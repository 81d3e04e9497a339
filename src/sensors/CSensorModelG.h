// The 4096 x 4096 area sensor of product 0x32D0 (model code 115, restart pulse on FPGA 0x96):
// no gain of its own (SetGain accepts and does nothing) but a coarse analog gain in eight steps
// with labels, a black level, a temperature, a conversion-gain mode and eight settings of its
// own through the extended command. Its camera streams into a ring of 8 and sizes its frames
// itself (device core).
//
// Register programs are ours, on the area-sensor block; the step's place (register 90, bits
// 2-4) and the labels are the family description's.
#pragma once

#include <array>
#include <atomic>
#include <cstdint>

#include "sensors/CSensorAreaSensor.h"

namespace kelvra {

class CSensorModelG : public CSensorAreaSensor {
  public:
    static constexpr uint8_t kBusAddress = 0x6C;
    static constexpr int32_t kSteps = 8;
    static constexpr int32_t kSettings = 8;

    explicit CSensorModelG(CControllerBase* controller, uint8_t busAddress = kBusAddress);

    // Step 0-7 into bits 2-4 of register 90, its other bits kept. 1, or 0 for another step or
    // when the register cannot be read or written.
    int32_t SetAnalogGainStep(int32_t step) override;
    // Bits 2-4 of register 90 into *step (and the descriptor). 1, or 0 when unreadable.
    int32_t ReadAnalogGainStep(int32_t* step) override;
    // "0.66x", "1.85x", "2.49x", "3.68x", "1.29x", "3.70x", "4.95x", "7.25x" for steps 0-7,
    // terminated, into `text` of `length` bytes. 0 with `text` untouched for another step, a
    // null text or one too short.
    int32_t GetAnalogGainStepLabel(int32_t step, char* text, int32_t length) override;
    // Settings 0-7: *value (low byte) to the setting's register. 0 for another type.
    int32_t ExtendedCommand(int32_t type, int32_t* value) override;

  protected:
    int32_t ProgramInit() override;
    // The camera sizes its frames from the window: the area-sensor window, then the FPGA's
    // output geometry (68/69 width, 64/65 height), which the device core leaves to this class.
    int32_t ProgramWindow(Window& w) override;
    bool TemperatureAvailable() override;
};

}  // namespace kelvra

// The GLUX9701 (1280 x 1024 8-bit CMOS) of products 0x32C0 and 0x33B0 (model code 114), mounted
// upside down (orientation 3), with a black level, a temperature, a conversion-gain mode and a
// forced ready for cameras that never report ready.
#pragma once

#include "sensors/CSensorSonyCmos.h"

namespace kelvra {

class CSensorGLUX9701 : public CSensorSonyCmos {
  public:
    static constexpr uint8_t kBusAddress = 0x48;

    explicit CSensorGLUX9701(CControllerBase* controller, uint8_t busAddress = kBusAddress);

    // Tells the camera's FPGA to go on although it never reported ready: bit 1 of FPGA
    // register 0xA4, the other bits kept. 1, or 0 when the register cannot be read or written.
    int32_t ForceReady() override;

  protected:
    bool TemperatureAvailable() override;
    // The sensor's latched 12-bit reading in 1/8 degree, as the IMX990 family reports it.
    int32_t ReadTemperature(double* celsius) override;
    // Conversion gain: bit 0 of 0x3050 set is "High Gain" (0), clear "Low Gain" (1).
    int32_t ReadGainMode() override;
    int32_t ProgramGainMode(int32_t mode) override;
};

}  // namespace kelvra

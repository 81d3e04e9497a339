// The LI CMOS sensors (CSensorLI8020, CSensorLI5040, CSensorLI3030, CSensorLI5030), from
// 2160 x 1280 up to 19568 x 12588 pixels. Their cameras deliver frames as memory-window blocks
// and the sensor sits behind the FPGA, which answers at the sensor's bus address 0x40: the
// sensor's registers are FPGA registers (0xB0-0xBE). The window is kept in readout mode 0 whatever
// mode is asked for, which is what these classes report.
//
// Register programs are ours: start-up sets the control register (running, 8-bit), then the
// descriptor defaults.
#pragma once

#include <atomic>
#include <cstdint>

#include "sensors/CSensorFamily.h"

namespace kelvra {

class CSensorLiCmos : public CSensorFamily {
  public:
    static constexpr int32_t kStep = 8;  // window start and size
    static constexpr int32_t kFrameBlank = 12;

    int32_t SetReadoutWindow(int32_t x, int32_t width, int32_t y, int32_t height,
                             int32_t mode) override;

  protected:
    CSensorLiCmos(CControllerBase* controller, uint8_t busAddress, const FamilyFacts& facts);

    int32_t ProgramInit() override;
    int32_t ProgramWindow(Window& w) override;
    int32_t ProgramOutputBits(int32_t bits) override;
    int32_t ProgramExposureLines(int32_t lines) override;
    int32_t ProgramGain(int32_t gain) override;
    int32_t ProgramTrigger(int32_t mode) override;
    int32_t SetStandby(bool on) override;
    int32_t SetSensorTriggerInput(bool external) override;

  private:
    int32_t WriteControl(uint8_t set, uint8_t clear);
    int32_t WriteFrameLength(int32_t height, int32_t lines);

    std::atomic<uint8_t> m_control{0};
};

}  // namespace kelvra

// Sony CMOS sensors of the camera line (IMX178, IMX174, IMX183, IMX159, IMX250, IMX264, IMX252,
// IMX265, IMX226, IMX536, IMX487, IMX273, IMX675) and the two CMOS sensors that share their
// register block (LI7050, GLUX9701): 16-bit addresses and 8-bit values at bus address 0x48, the
// frame as VMAX lines and the exposure as VMAX - SHS, the window in the cropping registers, the
// reversals, the conversion depth and the trigger input in the control block at 0x3000. The
// classes that share the bus with the FPGA write through WriteRegisterSafe.
//
// Register programs are ours, after the chips' public register conventions: start-up leaves
// standby, holds the registers while the defaults go in, then starts the master.
#pragma once

#include <cstdint>

#include "sensors/CSensorFamily.h"

namespace kelvra {

class CSensorSonyCmos : public CSensorFamily {
  public:
    // Window steps of the cropping registers, and the lines a frame needs beyond the window.
    static constexpr int32_t kStartStep = 4;
    static constexpr int32_t kWidthStep = 8;
    static constexpr int32_t kHeightStep = 2;
    static constexpr int32_t kFrameBlank = 48;
    static constexpr int32_t kShutterMin = 4;

  protected:
    CSensorSonyCmos(CControllerBase* controller, uint8_t busAddress, const FamilyFacts& facts);

    int32_t ProgramInit() override;
    int32_t ProgramWindow(Window& w) override;
    int32_t ProgramOutputBits(int32_t bits) override;
    int32_t ProgramExposureLines(int32_t lines) override;
    int32_t ProgramGain(int32_t gain) override;
    int32_t ProgramBlackLevel(int32_t level, int32_t* stored) override;
    int32_t ProgramMirror(bool on) override;
    int32_t ProgramFlip(bool on) override;
    int32_t ProgramTrigger(int32_t mode) override;
    int32_t SetStandby(bool on) override;
    int32_t SetSensorTriggerInput(bool external) override;

    // VMAX and SHS for `lines` of exposure in a window `height` lines high; the frame
    // stretches when the exposure does not fit. Stores the frame length.
    int32_t WriteExposure(int32_t height, int32_t lines);

  private:
    int32_t WriteReverse(bool vertical, bool horizontal);
};

}  // namespace kelvra

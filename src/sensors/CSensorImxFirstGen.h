// The first driver generation of the IMX990 family (IMX990, IMX991): window, exposure in any
// number of lines with a 15-line shutter minimum, nanosecond exposure conversion, trigger with
// polarity, and the FPGA option.
#pragma once

#include <cstdint>

#include "sensors/CSensorImxFamily.h"

namespace kelvra {

// Per-class facts of the first generation.
struct ImxFirstGenFacts {
    int32_t frameBase;               // frame base of the full-height normal readout
    int32_t binnedFrameBase;         // frame base of 2x2 binning
    bool heightDependentLinePeriod;  // exposure conversion follows the window height
    bool shutterMiddleNibbleOnly;    // 0x441 takes shutter bits 8-11 and 0x442 stays 0
    bool raisedTimerTrigger;         // trigger writes are the 1 ms timer variant
    bool polarityFollowsSetting;     // 0x59 carries the stored polarity (else always 0)
    bool restartOnTriggerOff;        // switching off also pulses and waits a frame
    bool exposureFollowsOutputBits;  // SetOutputBits re-applies the exposure too
};

class CSensorImxFirstGen : public CSensorImxFamily {
  public:
    int32_t InitSensor() override;
    int32_t SetReadoutWindow(int32_t x, int32_t width, int32_t y, int32_t height,
                             int32_t mode) override;
    int32_t SetOutputBits(int32_t sixteen) override;
    int32_t SetExposureLines(int32_t lines) override;
    int32_t SetExposureTime(int32_t time) override;
    int32_t SetExposureSeconds(double seconds) override;
    int32_t SetTriggerMode(int32_t mode) override;
    int32_t SetTriggerPolarity(int32_t polarity) override;
    int32_t ApplyTriggerPolarity() override;
    int32_t IsTriggerPolaritySupported() override;
    int32_t Supports16BitMode(int32_t query) override;
    int32_t IsFpgaOptionAvailable() override;
    int32_t EnableFpgaOption() override;

  protected:
    CSensorImxFirstGen(CControllerBase* controller, uint8_t busAddress, const ImxFacts& facts,
                       const ImxFirstGenFacts& generation);

    int32_t WriteTimingRegister(uint16_t address, uint8_t value) override;
    bool FastReadout();

  private:
    struct WindowPlan;
    bool PlanWindow(int32_t x, int32_t width, int32_t y, int32_t height, int32_t mode,
                    WindowPlan* plan);
    int32_t WriteWindow(const WindowPlan& plan);
    int32_t ConvertNanoseconds(double ns);
    int32_t ProgramTrigger();
    void EnterTrigger();
    void LeaveTrigger();
    void SwitchSensorTrigger(uint8_t config, uint8_t external);
    void WritePolarity();

    const ImxFirstGenFacts m_generation;
};

}  // namespace kelvra

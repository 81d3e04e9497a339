// The second driver generation of the IMX990 family (IMX992, IMX993): validated windows in
// three readout modes, even-line exposure with a 52-line shutter minimum, microsecond exposure
// conversion, line length by output depth, and the conversion-gain mode.
//
// Each class keeps one output-bit value shared by all its drivers in the process, which the
// window code uses to notice a bit-depth change; it is atomic, and each driver also keeps the
// depth it last applied itself, so a change made by one camera is never taken as done for
// another.
#pragma once

#include <array>
#include <atomic>
#include <cstdint>

#include "sensors/CSensorImxFamily.h"

namespace kelvra {

// Per-class facts of the second generation.
struct ImxSecondGenFacts {
    int32_t normalMaxWidth;               // mode 0 width limit
    int32_t normalMaxHeight;              // mode 0 height limit
    int32_t frameBase;                    // full-array frame base (modes 0 and 17)
    int32_t binnedFrameBase;              // mode 1
    double exposureOffsetUs;              // subtracted before the microsecond conversion
    std::array<uint8_t, 3> triggerDelay;  // fixed FPGA trigger delay bytes (0x50-0x52)
    bool gainModeDirect;                  // conversion gain through the direct register pair
    bool triggerConfigField;              // the window sets the 0x430 field to 10
};

class CSensorImxSecondGen : public CSensorImxFamily {
  public:
    static constexpr int32_t kOutputBitsUnset = -1;

    int32_t InitSensor() override;
    int32_t SetReadoutWindow(int32_t x, int32_t width, int32_t y, int32_t height,
                             int32_t mode) override;
    int32_t SetOutputBits(int32_t sixteen) override;
    int32_t SetExposureLines(int32_t lines) override;
    int32_t SetExposureTime(int32_t time) override;
    int32_t SetExposureSeconds(double seconds) override;
    int32_t SetTriggerMode(int32_t mode) override;
    int32_t IsGainModeSupported() override;
    int32_t GetGainMode() override;
    int32_t SetGainMode(int32_t mode) override;

    int32_t GetLineLengthInUse() const { return m_lineLengthInUse.load(); }
    int32_t GetLastFrameLength() const { return m_lastFrameLength.load(); }

  protected:
    CSensorImxSecondGen(CControllerBase* controller, uint8_t busAddress, const ImxFacts& facts,
                        const ImxSecondGenFacts& generation);

    // The class-wide remembered output bits.
    virtual std::atomic<int32_t>& ClassOutputBits() = 0;
    // The sensor side of switching trigger mode on or off; `unchanged` when the mode equals
    // the stored one (no standby needed).
    virtual void EnterTrigger(bool unchanged) = 0;
    virtual void LeaveTrigger(bool unchanged) = 0;

    int32_t WriteTimingRegister(uint16_t address, uint8_t value) override;
    int32_t ColumnOffset(bool flip, int32_t mode) override;

    // Everything after the class's own first steps of InitSensor.
    int32_t InitCommon();
    int32_t ProgramTrigger(bool switchTrigger);
    void EnterStandby(uint32_t stepMs);
    void LeaveStandby(uint32_t stepMs);
    int32_t ProgramLineLength(int32_t lineLength);
    double LineTimeUs() const;
    const ImxSecondGenFacts& Generation() const { return m_generation; }

  private:
    struct WindowPlan;
    bool ValidWindow(int32_t x, int32_t width, int32_t y, int32_t height, int32_t mode) const;
    WindowPlan PlanWindow(int32_t x, int32_t width, int32_t y, int32_t height, int32_t mode);
    int32_t WriteWindowRegisters(const WindowPlan& plan, bool reconfigure);
    bool OutputBitsChanged(int32_t bits);
    int32_t ConvertMicroseconds(double us);
    int32_t ReadGainMode(uint8_t* value);
    int32_t WriteGainMode(uint8_t value);

    const ImxSecondGenFacts m_generation;
    std::atomic<int32_t> m_frameBase;        // frame length the window needs
    std::atomic<int32_t> m_lastFrameLength;  // last frame length programmed
    std::atomic<int32_t> m_lineLengthInUse;
    std::atomic<int32_t> m_appliedOutputBits{kOutputBitsUnset};  // this driver's last applied
};

}  // namespace kelvra

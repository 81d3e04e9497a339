// Line sensors (CSensorModelH, CSensorModelK, CSensorModelL, CSensorModelJ): the frame is a
// number of lines read one after the other, up to 32768, so the window height is the line
// count. The window is rounded up, never down: x and width to multiples of `xStep`, y and the
// line count to multiples of `lineStep`, then checked against the maxima; the line count goes
// to sensor registers 64 (low byte) and 65 (high byte).
//
// Register programs are ours (apart from 64/65): start-up sets the control register running,
// then the descriptor defaults; exposure is the integration per line in line periods.
#pragma once

#include <atomic>
#include <cstdint>

#include "sensors/CSensorFamily.h"

namespace kelvra {

struct LineFacts {
    int32_t xStep;     // 4 for the line sensors, 8 for CSensorModelJ's own variant
    int32_t lineStep;  // 2, 16 for CSensorModelJ
};

class CSensorLineSensor : public CSensorFamily {
  protected:
    CSensorLineSensor(CControllerBase* controller, uint8_t busAddress, const FamilyFacts& facts,
                      const LineFacts& line);

    int32_t ProgramInit() override;
    int32_t ProgramWindow(Window& w) override;
    int32_t ProgramExposureLines(int32_t lines) override;
    int32_t ProgramGain(int32_t gain) override;
    int32_t ProgramMirror(bool on) override;
    int32_t ProgramFlip(bool on) override;
    int32_t ProgramTrigger(int32_t mode) override;
    int32_t SetStandby(bool on) override;
    int32_t SetSensorTriggerInput(bool external) override;

  private:
    int32_t WriteControl(bool running, bool trigger);
    int32_t WriteReverse(bool lines, bool pixels);

    const LineFacts m_line;
    std::atomic<bool> m_trigger{false};
};

}  // namespace kelvra

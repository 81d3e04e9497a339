// Area sensors of the camera line with a small register block of their own (CSensorModelE,
// CSensorModelB, CSensorModelA, CSensorModelF, CSensorModelC, CSensorG1467x, CSensorModelG,
// CSensorModelR): one control register (running, trigger input, 16-bit conversion), the window
// in four register pairs, exposure in lines, frame and line length, an 8-bit gain and the
// reversals. The classes add their thermal and correction features on top.
//
// Register programs are ours: start-up sets the control register (running, 8-bit) and the line
// length, then applies the descriptor defaults.
#pragma once

#include <atomic>
#include <cstdint>

#include "sensors/CSensorFamily.h"

namespace kelvra {

struct AreaFacts {
    int32_t xStep;       // x and width are multiples of this
    int32_t yStep;       // y and height likewise
    int32_t frameBlank;  // lines a frame needs beyond the window
};

class CSensorAreaSensor : public CSensorFamily {
  public:
    static constexpr int32_t kFrameLengthMax = 0xFFFF;

  protected:
    CSensorAreaSensor(CControllerBase* controller, uint8_t busAddress, const FamilyFacts& facts,
                      const AreaFacts& area);

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
    // The sensor's own temperature reading (12 bits in 1/8 degree, as the IMX990 family's) and
    // conversion gain (bit 0 set: "High Gain", 0), for the classes that mark them.
    int32_t ReadTemperature(double* celsius) override;
    int32_t ReadGainMode() override;
    int32_t ProgramGainMode(int32_t mode) override;

    // The frame length register and descriptor word for a window `height` lines high and
    // `lines` of exposure.
    int32_t WriteFrameLength(int32_t height, int32_t lines);
    // The line length register and descriptor word.
    int32_t WriteLineLength(int32_t length);
    // Frames are at least this long from now on (a frame rate of the class's own); 0: only
    // as long as window and exposure need.
    void SetFrameLengthFloor(int32_t lines) { m_frameFloor.store(lines); }

  private:
    int32_t WriteControl(uint8_t set, uint8_t clear);
    int32_t WriteReverse(bool vertical, bool horizontal);

    const AreaFacts m_area;
    std::atomic<uint8_t> m_control{0};  // the control register as last written
    std::atomic<int32_t> m_frameFloor{0};
};

}  // namespace kelvra

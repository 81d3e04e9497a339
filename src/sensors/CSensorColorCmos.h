// Colour CMOS sensors of the Aptina MT9 line (MT9F001, MT9F002, MT9J001, MT9P001): 12-bit
// Bayer output, a window in start/end (or start/size) registers, coarse integration in lines,
// a global gain and the four colour-channel gains, mirror and flip in the read mode register.
// The two register layouts (16-bit addresses, and the MT9P001's 8-bit ones) are tables; the
// code is one.
//
// Register programs are ours, after the chips' public register conventions: start-up is the
// reset register (MT9P001: chip enable) followed by the descriptor defaults.
#pragma once

#include <cstdint>

#include "sensors/CSensorFamily.h"

namespace kelvra {

struct ColorCmosMap {
    bool startEndWindow;  // x/y start and end registers (else start and size - 1)
    uint16_t xStart, yStart, xEndOrSize, yEndOrSize;
    uint16_t frameLength;   // frame length (start/end layout) or vertical blank (MT9P001)
    uint16_t exposure;      // coarse integration, low 16 bits
    uint16_t exposureHigh;  // upper 16 bits, 0: none
    uint16_t globalGain;
    uint16_t colorGain[4];  // red, green 1, green 2, blue
    uint16_t readMode;
    uint16_t mirrorBit, flipBit;
    uint16_t run;  // register whose `runValue` starts the sensor
    uint16_t runValue;
    uint16_t triggerRegister, triggerBit;  // 0: no trigger input
};

class CSensorColorCmos : public CSensorFamily {
  public:
    // Blank lines below the window in every frame.
    static constexpr int32_t kVerticalBlank = 32;

  protected:
    CSensorColorCmos(CControllerBase* controller, uint8_t busAddress, const FamilyFacts& facts,
                     const ColorCmosMap& map);

    int32_t ProgramInit() override;
    int32_t ProgramWindow(Window& w) override;
    int32_t ProgramExposureLines(int32_t lines) override;
    int32_t ProgramGain(int32_t gain) override;
    int32_t ProgramColorGain(SensorColorChannel channel, int32_t gain) override;
    int32_t ProgramMirror(bool on) override;
    int32_t ProgramFlip(bool on) override;
    int32_t ProgramTrigger(int32_t mode) override;
    int32_t SetStandby(bool on) override;
    int32_t SetSensorTriggerInput(bool external) override;

    // Frame length for the window height and exposure; written with the exposure.
    int32_t WriteFrameLength(int32_t height, int32_t lines);
    const ColorCmosMap& Map() const { return m_map; }

  private:
    int32_t WriteReadMode(bool mirror, bool flip);

    const ColorCmosMap m_map;
};

// The two layouts.
extern const ColorCmosMap kMt9LargeMap;  // MT9F001, MT9F002, MT9J001
extern const ColorCmosMap kMt9pMap;      // MT9P001

}  // namespace kelvra

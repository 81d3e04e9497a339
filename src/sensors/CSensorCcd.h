// CCD sensors whose timing the camera's FPGA and timing generators make (ICX274 and the
// four-output-channel CCDs of CSensorModelN, CSensorModelP, CSensorModelQ). They sit on no I2C
// bus: their registers go through the controller's sensor register request. The four-channel
// CCDs have two timing generators (address bit 15 selects the second, each register is written
// to both) and keep a shadow copy of every written value, in two 4096-entry tables chosen by
// bit 15 and indexed by the low 12 bits, because the generators cannot be read back. Their
// analog front end takes a gain and an offset per output channel through FPGA registers
// 0x70-0x7F, and their black level goes to FPGA 0xA2/0xA3 and to both generators' clamp.
//
// Register programs are ours: start-up powers the analog front end (FPGA 0xA0 = 1) and starts
// the generators' clocks, then applies the descriptor defaults. The readout window is fixed
// (the whole array), so the exposure and gain are all there is to program.
#pragma once

#include <array>
#include <atomic>
#include <cstdint>

#include "sensors/CSensorFamily.h"

namespace kelvra {

class CSensorCcd : public CSensorFamily {
  public:
    static constexpr int kShadowEntries = 4096;

    int32_t WriteRegister(int32_t address, int32_t value) override;
    int32_t ReadRegister(int32_t address, int32_t* value) override;

  protected:
    // `dualGenerator`: two timing generators, four output channels, shadow tables.
    CSensorCcd(CControllerBase* controller, uint8_t busAddress, const FamilyFacts& facts,
               bool dualGenerator);

    int32_t ProgramInit() override;
    int32_t ProgramExposureLines(int32_t lines) override;
    int32_t ProgramGain(int32_t gain) override;
    int32_t ProgramChannelGain(int32_t channel, int32_t value) override;
    int32_t ProgramChannelOffset(int32_t channel, int32_t value) override;
    int32_t ProgramBlackLevel(int32_t level, int32_t* stored) override;
    int32_t ProgramMirror(bool on) override;
    int32_t ProgramFlip(bool on) override;
    int32_t ProgramTrigger(int32_t mode) override;
    int32_t SetStandby(bool on) override;
    int32_t SetSensorTriggerInput(bool external) override;

  private:
    // One register of every generator the sensor has.
    int32_t WriteGenerators(uint16_t address, uint16_t value);
    int32_t WriteControl(bool running, bool trigger);
    int32_t WriteReadout(bool mirror, bool flip);

    const bool m_dual;
    std::atomic<bool> m_triggerInput{false};
    // Shadow tables [bit 15][low 12 bits]; each entry is written and read whole.
    std::array<std::array<std::atomic<uint16_t>, kShadowEntries>, 2> m_shadow{};
};

}  // namespace kelvra

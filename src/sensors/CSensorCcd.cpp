#include "sensors/CSensorCcd.h"

#include "sensors/FamilyRegisterMap.h"
#include "sensors/FpgaRegisterMap.h"

namespace kelvra {
namespace {

constexpr uint16_t kShadowIndexMask = 0x0FFF;
constexpr int kShadowBankShift = 15;
constexpr int32_t kClampMask = 0x3FF;  // the generators' clamp takes 10 bits
constexpr int32_t kFrameLengthMax = 0xFFFF;
constexpr int32_t kFrameBlank = 50;  // lines the CCD needs beyond the array per frame

// Channel n (1-4): gain pair 0x78 + 2(n-1), offset pair 0x70 + 2(n-1), low byte first.
constexpr uint8_t kChannelGainBase = 0x78;
constexpr uint8_t kChannelOffsetBase = 0x70;

// The ICX274 in external trigger: its transfer needs 9 lines past exposure and frame.
constexpr CSensorFamily::TriggerTiming kCcdTriggerTiming{195, 2, 9};

}  // namespace

CSensorCcd::CSensorCcd(CControllerBase* controller, uint8_t busAddress, const FamilyFacts& facts,
                       bool dualGenerator)
    : CSensorFamily(controller, busAddress, facts), m_dual(dualGenerator) {}

// Through the controller's request; the four-channel CCDs also keep what was written, so that
// a read answers it. Returns the request's result.
int32_t CSensorCcd::WriteRegister(int32_t address, int32_t value) {
    const int32_t result = CSensorFamily::WriteRegister(address, value);
    if (result && m_dual) {
        m_shadow[size_t(address >> kShadowBankShift) & 1][size_t(address & kShadowIndexMask)].store(
            uint16_t(value));
    }
    return result;
}

// The four-channel CCDs answer from the shadow tables; the ICX274 asks the controller.
int32_t CSensorCcd::ReadRegister(int32_t address, int32_t* value) {
    if (!m_dual) return CSensorFamily::ReadRegister(address, value);
    if (value == nullptr || address < 0 || address > 0xFFFF) return 0;
    *value = m_shadow[size_t(address >> kShadowBankShift) & 1][size_t(address & kShadowIndexMask)]
                 .load();
    return 1;
}

int32_t CSensorCcd::WriteGenerators(uint16_t address, uint16_t value) {
    if (!Write(address, value)) return 0;
    return m_dual ? Write(uint16_t(address | ccd_reg::kSecondBank), value) : 1;
}

int32_t CSensorCcd::WriteControl(bool running, bool trigger) {
    const uint16_t value =
        uint16_t((running ? ccd_reg::kRunning : 0) | (trigger ? ccd_reg::kExternalTrigger : 0));
    return WriteGenerators(ccd_reg::kControl, value);
}

// The analog front end is powered, the generators' clocks start, then the defaults.
int32_t CSensorCcd::ProgramInit() {
    constexpr uint8_t kFrontEndPower = 0xA0;
    if (!WriteFpga(kFrontEndPower, 1) || !WriteControl(true, false)) return 0;
    return ApplyDefaults();
}

// Exposure in lines over two registers; the frame stretches when the exposure is longer.
int32_t CSensorCcd::ProgramExposureLines(int32_t lines) {
    const SensorDescriptor d = Descriptor();
    int32_t frame = d.maxHeight + kFrameBlank;
    if (lines + 1 > frame) frame = lines + 1 > kFrameLengthMax ? kFrameLengthMax : lines + 1;
    if (!WriteGenerators(ccd_reg::kFrameLength, uint16_t(frame)) ||
        !WriteGenerators(ccd_reg::kExposureHigh, uint16_t(lines >> 16)) ||
        !WriteGenerators(ccd_reg::kExposureLow, uint16_t(lines))) {
        return 0;
    }
    UpdateDescriptor([frame](SensorDescriptor& w) { w.frameLength = frame; });
    return 1;
}

int32_t CSensorCcd::ProgramGain(int32_t gain) {
    return WriteGenerators(ccd_reg::kFrontEndGain, uint16_t(gain));
}

int32_t CSensorCcd::ProgramChannelGain(int32_t channel, int32_t value) {
    const auto reg = uint8_t(kChannelGainBase + 2 * (channel - 1));
    return WriteFpga(reg, uint8_t(value)) && WriteFpga(uint8_t(reg + 1), uint8_t(value >> 8));
}

int32_t CSensorCcd::ProgramChannelOffset(int32_t channel, int32_t value) {
    const auto reg = uint8_t(kChannelOffsetBase + 2 * (channel - 1));
    return WriteFpga(reg, uint8_t(value)) && WriteFpga(uint8_t(reg + 1), uint8_t(value >> 8));
}

// FPGA 0xA2 (low byte) and 0xA3 (high bits), then the low 10 bits to the second and the first
// generator's clamp; those 10 bits are what is kept.
int32_t CSensorCcd::ProgramBlackLevel(int32_t level, int32_t* stored) {
    constexpr uint8_t kBlackLevelLow = 0xA2;
    constexpr uint8_t kBlackLevelHigh = 0xA3;
    const auto clamp = uint16_t(level & kClampMask);
    if (!WriteFpga(kBlackLevelLow, uint8_t(level)) ||
        !WriteFpga(kBlackLevelHigh, uint8_t(level >> 8)) ||
        !Write(uint16_t(ccd_reg::kSecondBank | ccd_reg::kClamp), clamp) ||
        !Write(ccd_reg::kClamp, clamp)) {
        return 0;
    }
    *stored = clamp;
    return 1;
}

int32_t CSensorCcd::WriteReadout(bool mirror, bool flip) {
    return WriteGenerators(ccd_reg::kReadout, uint16_t((mirror ? ccd_reg::kRowsReversed : 0) |
                                                       (flip ? ccd_reg::kColumnsReversed : 0)));
}

int32_t CSensorCcd::ProgramMirror(bool on) {
    return WriteReadout(on, Descriptor().flip.current != 0);
}

int32_t CSensorCcd::ProgramFlip(bool on) {
    return WriteReadout(Descriptor().mirror.current != 0, on);
}

int32_t CSensorCcd::ProgramTrigger(int32_t mode) {
    return SwitchTriggerPattern(mode, kCcdTriggerTiming);
}

// Standby stops the generators' clocks; the trigger input state is kept across it.
int32_t CSensorCcd::SetStandby(bool on) {
    return WriteControl(!on, m_triggerInput.load());
}

int32_t CSensorCcd::SetSensorTriggerInput(bool external) {
    m_triggerInput.store(external);
    return WriteControl(false, external);
}

}  // namespace kelvra

// CSensorImxFirstGen: trigger mode and polarity, and the features the information word gates.
#include "sensors/CSensorImxFirstGen.h"
#include "sensors/FpgaRegisterMap.h"
#include "sensors/ImxRegisterMap.h"

namespace kelvra {
namespace {

// FPGA trigger timing of the first generation.
constexpr uint8_t kTriggerTiming0 = 195;
constexpr uint8_t kTriggerTiming1 = 2;
constexpr uint32_t kTriggerDelayLines = 9;  // delay = exposure + height + 9
constexpr uint8_t kTriggerCode = 2;

// Sensor trigger configuration.
constexpr uint8_t kTriggerConfigOn = 0x13;
constexpr uint8_t kTriggerConfigOff = 0x11;
constexpr uint32_t kStandbyStepMs = 100;
constexpr uint32_t kFrameWaitExtraMs = 10;

// Information-word thresholds.
constexpr uint16_t kInfoPolarityRegister = 272;  // above: the FPGA has the polarity register
constexpr uint16_t kInfoPolaritySupported = 4;   // above: polarity can be chosen
constexpr uint16_t kInfoRevisionMask = 0xFFF;
constexpr uint16_t kInfoOptionRevision = 293;  // above: the FPGA option exists
constexpr uint16_t kInfoFastReadout = 0x4000;

constexpr uint8_t kPolarityInverted = 0x04;
constexpr uint8_t kOptionBit = 0x01;

}  // namespace

// The trigger-timing program with the current exposure and height.
int32_t CSensorImxFirstGen::ProgramTrigger() {
    const SensorDescriptor d = Descriptor();
    TriggerTimingProgram program;
    program.exposureLines = static_cast<uint32_t>(d.exposureLines.current);
    program.timing0 = kTriggerTiming0;
    program.timing1 = kTriggerTiming1;
    program.delay = TriggerDelayBytes(static_cast<uint32_t>(d.exposureLines.current) +
                                      static_cast<uint32_t>(d.height) + kTriggerDelayLines);
    program.triggerCode = kTriggerCode;
    program.raisedTimer = m_generation.raisedTimerTrigger;
    return ProgramTriggerTiming(program);
}

// Sensor standby around the change of its trigger configuration, 100 ms after each step.
void CSensorImxFirstGen::SwitchSensorTrigger(uint8_t config, uint8_t external) {
    WriteSafeThenWait(imx_reg::kStandby, 1, kStandbyStepMs);
    WriteSafeThenWait(imx_reg::kTriggerConfig, config, kStandbyStepMs);
    WriteSafeThenWait(imx_reg::kExternalTrigger, external, kStandbyStepMs);
    WriteSafe(imx_reg::kStandby, 0);
}

void CSensorImxFirstGen::EnterTrigger() {
    ProgramTrigger();
    SwitchSensorTrigger(kTriggerConfigOn, 1);
}

void CSensorImxFirstGen::LeaveTrigger() {
    if (m_generation.raisedTimerTrigger) {
        WriteFpgaVerifiedQuickTimer(fpga_reg::kTriggerMode, 0);
    } else {
        WriteFpgaVerifiedQuick(fpga_reg::kTriggerMode, 0);
    }
    if (GetHardwareInfo() > kInfoPolarityRegister) WriteFpga(fpga_reg::kTriggerControl, 0);
    SwitchSensorTrigger(kTriggerConfigOff, 0);
    ApplyTriggerPolarity();
}

// The trigger input polarity: 0x59 = 0 (polarity 0) or 4 (polarity 1) where the class follows
// the setting, else always 0. Another stored polarity writes nothing.
void CSensorImxFirstGen::WritePolarity() {
    const int32_t polarity = m_generation.polarityFollowsSetting ? m_triggerPolarity.load() : 0;
    if (polarity == 0) WriteFpga(fpga_reg::kTriggerControl, 0);
    if (polarity == 1) WriteFpga(fpga_reg::kTriggerControl, kPolarityInverted);
}

// 0 free-running, 1 external trigger. Reprograms whenever the window changed since the last
// call; otherwise a request for free-running with the FPGA already free-running changes
// nothing. Switching programs the FPGA trigger timing and the sensor's trigger configuration
// under standby, then restarts the readout and waits a frame (the IMX991 not when switching
// off; neither when the FPGA predates the polarity register). Returns 1, 0 without a
// controller. Sleeps about 300 ms plus a frame.
int32_t CSensorImxFirstGen::SetTriggerMode(int32_t mode) {
    if (Controller() == nullptr) return 0;
    if (TriggerAlreadyFreeRunning(mode)) return 1;
    m_restartPulse.store(1);
    if (mode == 1) {
        EnterTrigger();
        if (GetHardwareInfo() <= kInfoPolarityRegister) {
            m_triggerMode.store(mode);
            return 1;
        }
        ApplyTriggerPolarity();
        WritePolarity();
    } else {
        LeaveTrigger();
    }
    if (mode == 1 || m_generation.restartOnTriggerOff) {
        PulseReadoutRestart();
        Sleep(static_cast<uint32_t>(m_frameTimeMs.load()) + kFrameWaitExtraMs);
    }
    m_triggerMode.store(mode);
    return 1;
}

// Stores the polarity (0 or 1) that the next trigger switch applies. Returns 1.
int32_t CSensorImxFirstGen::SetTriggerPolarity(int32_t polarity) {
    m_triggerPolarity.store(polarity);
    return 1;
}

// The polarity reaches the FPGA with the trigger switch; nothing further to do here.
int32_t CSensorImxFirstGen::ApplyTriggerPolarity() {
    return 1;
}

// The information word can be read and exceeds 4.
int32_t CSensorImxFirstGen::IsTriggerPolaritySupported() {
    return GetHardwareInfo() > kInfoPolaritySupported ? 1 : 0;
}

// The high-speed readout variant delivers 8-bit output only.
int32_t CSensorImxFirstGen::Supports16BitMode(int32_t) {
    return (GetHardwareInfo() & kInfoFastReadout) ? 0 : 1;
}

// The FPGA option exists when the camera has no in-camera correction, the FPGA's capability
// register (0x17, read once and kept) has bit 0 clear, and the FPGA revision is above 293.
int32_t CSensorImxFirstGen::IsFpgaOptionAvailable() {
    if (Controller() == nullptr) return 0;
    if (IsInternalCorrectionSupported(0, 0)) return 0;
    uint8_t option = m_fpgaOption.load();
    if (option == 0) {
        if (!ReadFpga(fpga_reg::kOptionCaps, &option)) return 0;
        m_fpgaOption.store(option);
    }
    if (option & kOptionBit) return 0;
    return (GetHardwareInfo() & kInfoRevisionMask) > kInfoOptionRevision ? 1 : 0;
}

// Sets bit 0 of 0x18 when the option exists. Returns 1, or 0 when it does not or the register
// cannot be read (writing back a byte never read would clear the other bits).
int32_t CSensorImxFirstGen::EnableFpgaOption() {
    if (!IsFpgaOptionAvailable()) return 0;
    uint8_t value = 0;
    if (!ReadFpga(fpga_reg::kOptionEnable, &value)) return 0;
    return WriteFpga(fpga_reg::kOptionEnable, static_cast<uint8_t>(value | kOptionBit));
}

}  // namespace kelvra

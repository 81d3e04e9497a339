#include "sensors/CSensorIMX993.h"

#include <algorithm>

#include "sensors/FpgaRegisterMap.h"
#include "sensors/ImxRegisterMap.h"

namespace kelvra {
namespace {

constexpr ImxFacts kFacts{
    .uncooledModelCode = 131,
    .cooledModelCode = 132,
    .maxWidth = 2048,
    .maxHeight = 1536,
    .lineLength = 2080,
    .frameLength = 1628,
    .exposureLinesMin = 2,
    .exposureLinesMax = 16777163,
    .exposureLinesDefault = 1576,
    .exposureTimeDefault = 102,
    .exposureSecondsMin = 2.7842e-05,
    .exposureSecondsDefault = 0.010290322,
    .outputBits = 0,
    .triggerMode = CSensorBase::kTriggerModeUnset,
    .blackLevelSupported = 1,
    .blackLevelMax = 4095,
    .blackLevelDefault = 240,
    .auxModeSupported = 1,
    .verifiesSafeWrite = false,
    .pausesBeforeWrite = false,
    .gainNeedsBothWrites = true,
    .coolerReadModifyWrite = true,
    .internalCorrectionFlag = false,
    .fpgaTemperatureFromInfo = 0x105,
};

constexpr ImxSecondGenFacts kGeneration{
    .normalMaxWidth = 2176,
    .normalMaxHeight = 1544,
    .frameBase = 1628,
    .binnedFrameBase = 860,
    .exposureOffsetUs = 14.802,
    .triggerDelay = {51, 6, 0},
    .gainModeDirect = true,
    .triggerConfigField = true,
};

constexpr uint8_t kTriggerConfigOn = 43;
constexpr uint8_t kTriggerConfigOff = 41;
constexpr uint32_t kOnStepMs = 100;
constexpr uint32_t kOffStepMs = 50;

// Auxiliary mode: the pair written to 0x0020/0x0040 and read back from 0x0720/0x0740.
constexpr uint8_t kAuxOnA = 0x50, kAuxOnB = 1;
constexpr uint8_t kAuxOffA = 0x5F, kAuxOffB = 0;

constexpr int32_t kBlackLevelHighMask = 0x0F;  // 0x7C1 takes bits 8-11

// Shared by every IMX993 driver in the process.
std::atomic<int32_t> g_classOutputBits{CSensorImxSecondGen::kOutputBitsUnset};

}  // namespace

CSensorIMX993::CSensorIMX993(CControllerBase* controller, uint8_t busAddress)
    : CSensorImxSecondGen(controller, busAddress, kFacts, kGeneration) {}

std::atomic<int32_t>& CSensorIMX993::ClassOutputBits() {
    return g_classOutputBits;
}

int32_t CSensorIMX993::RememberedOutputBits() {
    return g_classOutputBits.load();
}

// Start-up register, default black level, the auxiliary mode as the sensor reports it, then the
// common settings. Returns 1, or 0 without a controller.
int32_t CSensorIMX993::InitSensor() {
    if (Controller() == nullptr) return 0;
    WriteSafe(imx_reg::kStartup, 0);
    SetBlackLevel(Descriptor().blackLevel.defaultValue);
    ReadAuxMode();
    return InitCommon();
}

// Records the auxiliary mode the sensor reports; an unknown pair leaves the record alone.
void CSensorIMX993::ReadAuxMode() {
    uint8_t a = 0;
    uint8_t b = 0;
    if (!ReadSafe(imx_reg::kAuxStatusA, &a) || !ReadSafe(imx_reg::kAuxStatusB, &b)) return;
    int32_t on = -1;
    if (a == kAuxOnA && b == kAuxOnB) on = 1;
    if (a == kAuxOffA && b == kAuxOffB) on = 0;
    if (on >= 0) UpdateDescriptor([on](SensorDescriptor& d) { d.auxModeCurrent = on; });
}

// Black level clamped to its range: 0x7C0 bits 0-7, 0x7C1 bits 8-11. Stored when both writes
// succeed. Returns 1 or 0.
int32_t CSensorIMX993::SetBlackLevel(int32_t level) {
    if (Controller() == nullptr) return 0;
    const SensorOptionalRange range = Descriptor().blackLevel;
    const int32_t v = std::clamp(level, range.min, range.max);
    const bool lowOk = WriteSafe(imx_reg::kBlackLevelLow, static_cast<uint8_t>(v));
    const bool highOk =
        WriteSafe(imx_reg::kBlackLevelHigh, static_cast<uint8_t>((v >> 8) & kBlackLevelHighMask));
    if (!lowOk || !highOk) return 0;
    UpdateDescriptor([v](SensorDescriptor& d) { d.blackLevel.current = v; });
    return 1;
}

// On: 0x0020 = 0x50, 0x0040 = 1; off: 0x5F and 0. Stored when both writes succeed.
int32_t CSensorIMX993::SetAuxMode(int32_t on) {
    if (Controller() == nullptr) return 0;
    const bool enable = on != 0;
    const bool aOk = WriteSafe(imx_reg::kAuxControlA, enable ? kAuxOnA : kAuxOffA);
    const bool bOk = WriteSafe(imx_reg::kAuxControlB, enable ? kAuxOnB : kAuxOffB);
    if (!aOk || !bOk) return 0;
    UpdateDescriptor([enable](SensorDescriptor& d) { d.auxModeCurrent = enable ? 1 : 0; });
    return 1;
}

// Arms the trigger: FPGA program, then the sensor's trigger configuration (standby only for a
// real mode change). No exposure replay, restart pulse or frame wait on this sensor.
void CSensorIMX993::EnterTrigger(bool unchanged) {
    ProgramTrigger(true);
    if (!unchanged) {
        WriteSafeThenWait(imx_reg::kStandby, 1, kOnStepMs);
        WriteSafeThenWait(imx_reg::kMasterStop, 0, kOnStepMs);
    }
    WriteSafeThenWait(imx_reg::kTriggerConfig, kTriggerConfigOn, kOnStepMs);
    WriteSafeThenWait(imx_reg::kTriggerConfig2, 1, kOnStepMs);
    WriteSafeThenWait(imx_reg::kExternalTrigger, 1, kOnStepMs);
    if (!unchanged) WriteSafe(imx_reg::kStandby, 0);
}

void CSensorIMX993::LeaveTrigger(bool unchanged) {
    WriteFpgaVerifiedQuick(fpga_reg::kTriggerMode, 0);
    if (!unchanged) {
        WriteSafeThenWait(imx_reg::kStandby, 1, kOffStepMs);
        WriteSafeThenWait(imx_reg::kMasterStop, 0, kOffStepMs);
    }
    WriteSafeThenWait(imx_reg::kTriggerConfig, kTriggerConfigOff, kOffStepMs);
    WriteSafeThenWait(imx_reg::kExternalTrigger, 0, kOffStepMs);
    if (!unchanged) WriteSafeThenWait(imx_reg::kStandby, 0, kOffStepMs);
}

}  // namespace kelvra

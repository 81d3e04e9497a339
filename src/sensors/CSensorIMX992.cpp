#include "sensors/CSensorIMX992.h"

#include "sensors/FpgaRegisterMap.h"
#include "sensors/ImxRegisterMap.h"

namespace kelvra {
namespace {

constexpr ImxFacts kFacts{
    .uncooledModelCode = 129,
    .cooledModelCode = 130,
    .maxWidth = 2560,
    .maxHeight = 2048,
    .lineLength = 2592,
    .frameLength = 2140,
    .exposureLinesMin = 2,
    .exposureLinesMax = 16777177,
    .exposureLinesDefault = 2102,
    .exposureTimeDefault = 137,
    .exposureSecondsMin = 1.304e-05,
    .exposureSecondsDefault = 0.01370504,
    .outputBits = 0,
    .triggerMode = 0,
    .blackLevelSupported = 0,
    .blackLevelMax = 0,
    .blackLevelDefault = 0,
    .auxModeSupported = 0,
    .verifiesSafeWrite = false,
    .pausesBeforeWrite = false,
    .gainNeedsBothWrites = true,
    .coolerReadModifyWrite = true,
    .internalCorrectionFlag = true,
    .fpgaTemperatureFromInfo = 0x105,
};

constexpr ImxSecondGenFacts kGeneration{
    .normalMaxWidth = 2688,
    .normalMaxHeight = 2056,
    .frameBase = 2140,
    .binnedFrameBase = 1116,
    .exposureOffsetUs = 0.0,
    .triggerDelay = {43, 8, 0},
    .gainModeDirect = false,
    .triggerConfigField = false,
};

// Sensor trigger configuration and the software trigger pulse that primes the FPGA.
constexpr uint8_t kTriggerConfigOn = 43;
constexpr uint8_t kTriggerConfigOff = 41;
constexpr uint8_t kTriggerIdle = 0x04;
constexpr uint8_t kTriggerFire = 0x84;
constexpr uint32_t kOnStepMs = 100;
constexpr uint32_t kOffStepMs = 50;
constexpr uint32_t kOffStopStepMs = 10;
constexpr uint32_t kPulseStepMs = 1;

// Shared by every IMX992 driver in the process.
std::atomic<int32_t> g_classOutputBits{CSensorImxSecondGen::kOutputBitsUnset};

}  // namespace

CSensorIMX992::CSensorIMX992(CControllerBase* controller, uint8_t busAddress)
    : CSensorImxSecondGen(controller, busAddress, kFacts, kGeneration) {}

std::atomic<int32_t>& CSensorIMX992::ClassOutputBits() {
    return g_classOutputBits;
}

int32_t CSensorIMX992::RememberedOutputBits() {
    return g_classOutputBits.load();
}

// Arms the trigger: FPGA program, sensor trigger configuration (standby only for a real mode
// change), then one software trigger at the shortest exposure flushes the sensor before the
// previous exposure returns; last the readout restarts and a frame passes.
void CSensorIMX992::EnterTrigger(bool unchanged) {
    ProgramTrigger(true);
    if (!unchanged) {
        WriteSafeThenWait(imx_reg::kStandby, 1, kOnStepMs);
        WriteSafeThenWait(imx_reg::kMasterStop, 0, kOnStepMs);
    }
    WriteSafeThenWait(imx_reg::kTriggerConfig, kTriggerConfigOn, kOnStepMs);
    WriteSafeThenWait(imx_reg::kTriggerConfig2, 1, kOnStepMs);
    WriteSafeThenWait(imx_reg::kExternalTrigger, 1, kOnStepMs);
    if (!unchanged) WriteSafe(imx_reg::kStandby, 0);

    const SensorDescriptor d = Descriptor();
    SetExposureLines(d.exposureLines.min);
    WriteFpga(fpga_reg::kTriggerControl, kTriggerIdle);
    Sleep(kPulseStepMs);
    WriteFpga(fpga_reg::kTriggerControl, kTriggerFire);
    Sleep(kPulseStepMs);
    WriteFpgaVerifiedQuick(fpga_reg::kTriggerControl, kTriggerIdle);
    Sleep(kPulseStepMs);
    WriteFpgaVerifiedQuick(fpga_reg::kTriggerControl, 0);
    SetExposureLines(d.exposureLines.current);

    PulseReadoutRestart();
    Sleep(static_cast<uint32_t>(m_frameTimeMs.load()));
}

// Back to free-running: FPGA trigger off, the sensor's free-running configuration.
void CSensorIMX992::LeaveTrigger(bool unchanged) {
    WriteFpgaVerifiedQuick(fpga_reg::kTriggerMode, 0);
    WriteFpgaVerifiedQuick(fpga_reg::kTriggerControl, 0);
    if (!unchanged) {
        WriteSafeThenWait(imx_reg::kStandby, 1, kOffStepMs);
        WriteSafeThenWait(imx_reg::kMasterStop, 1, kOffStopStepMs);
    }
    WriteSafeThenWait(imx_reg::kTriggerConfig, kTriggerConfigOff, kOffStepMs);
    if (!unchanged) {
        WriteSafeThenWait(imx_reg::kStandby, 0, kOffStepMs);
        WriteSafeThenWait(imx_reg::kMasterStop, 0, kOffStepMs);
    }
    WriteSafeThenWait(imx_reg::kExternalTrigger, 0, kOffStepMs);
}

}  // namespace kelvra

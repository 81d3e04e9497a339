#include "sensors/CSensorIMX990.h"

namespace kelvra {
namespace {

constexpr ImxFacts kFacts{
    .uncooledModelCode = 109,
    .cooledModelCode = 110,
    .maxWidth = 1280,
    .maxHeight = 1024,
    .lineLength = 1376,
    .frameLength = 1048,
    .exposureLinesMin = 15,
    .exposureLinesMax = 16777214,
    .exposureLinesDefault = 1064,
    .exposureTimeDefault = 138,
    .exposureSecondsMin = 2.0333e-05,
    .exposureSecondsDefault = 0.0138,
    .outputBits = 8,
    .triggerMode = CSensorBase::kTriggerModeUnset,
    .blackLevelSupported = 0,
    .blackLevelMax = 0,
    .blackLevelDefault = 0,
    .auxModeSupported = 0,
    .verifiesSafeWrite = true,
    .pausesBeforeWrite = true,
    .gainNeedsBothWrites = false,
    .coolerReadModifyWrite = false,
    .internalCorrectionFlag = true,
    .fpgaTemperatureFromInfo = 0x8024,
};

constexpr ImxFirstGenFacts kGeneration{
    .frameBase = 1068,
    .binnedFrameBase = 552,
    .heightDependentLinePeriod = true,
    .shutterMiddleNibbleOnly = false,
    .raisedTimerTrigger = false,
    .polarityFollowsSetting = true,
    .restartOnTriggerOff = true,
    .exposureFollowsOutputBits = true,
};

// FPGA column offsets: flip off / flip on.
constexpr int32_t kColumnBinned[2] = {4, 52};
constexpr int32_t kColumnNormal[2] = {8, 104};

}  // namespace

CSensorIMX990::CSensorIMX990(CControllerBase* controller, uint8_t busAddress)
    : CSensorImxFirstGen(controller, busAddress, kFacts, kGeneration) {}

// The readout reversed horizontally starts 96 columns (48 binned) further into the line.
int32_t CSensorIMX990::ColumnOffset(bool flip, int32_t mode) {
    return (mode == 1 ? kColumnBinned : kColumnNormal)[flip ? 1 : 0];
}

}  // namespace kelvra

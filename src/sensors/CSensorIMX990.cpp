#include "sensors/CSensorIMX990.h"

#include "sensors/FirstGenReadoutOffsets.h"

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

}  // namespace

CSensorIMX990::CSensorIMX990(CControllerBase* controller, uint8_t busAddress)
    : CSensorImxFirstGen(controller, busAddress, kFacts, kGeneration) {}

// The offsets the ring configuration uses too, the high-speed readout's included.
int32_t CSensorIMX990::ColumnOffset(bool flip, int32_t mode) {
    return readout_offsets::FirstGenColumnOffset(mode, FastReadout(), flip);
}

}  // namespace kelvra

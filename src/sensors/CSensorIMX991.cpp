#include "sensors/CSensorIMX991.h"

#include "sensors/FirstGenReadoutOffsets.h"

namespace kelvra {
namespace {

constexpr ImxFacts kFacts{
    .uncooledModelCode = 111,
    .cooledModelCode = 112,
    .maxWidth = 640,
    .maxHeight = 512,
    .lineLength = 736,
    .frameLength = 536,
    .exposureLinesMin = 15,
    .exposureLinesMax = 16777214,
    .exposureLinesDefault = 539,
    .exposureTimeDefault = 70,
    .exposureSecondsMin = 2.0333e-05,
    .exposureSecondsDefault = 0.007,
    .outputBits = 8,
    .triggerMode = CSensorBase::kTriggerModeUnset,
    .blackLevelSupported = 0,
    .blackLevelMax = 0,
    .blackLevelDefault = 0,
    .auxModeSupported = 0,
    .verifiesSafeWrite = false,
    .pausesBeforeWrite = true,
    .gainNeedsBothWrites = false,
    .coolerReadModifyWrite = false,
    .internalCorrectionFlag = true,
    .fpgaTemperatureFromInfo = 0x8024,
};

constexpr ImxFirstGenFacts kGeneration{
    .frameBase = 556,
    .binnedFrameBase = 296,
    .heightDependentLinePeriod = false,
    .shutterMiddleNibbleOnly = true,
    .raisedTimerTrigger = true,
    .polarityFollowsSetting = false,
    .restartOnTriggerOff = false,
    .exposureFollowsOutputBits = false,
};

}  // namespace

CSensorIMX991::CSensorIMX991(CControllerBase* controller, uint8_t busAddress)
    : CSensorImxFirstGen(controller, busAddress, kFacts, kGeneration) {}

// The offsets the ring configuration uses too.
int32_t CSensorIMX991::ColumnOffset(bool flip, int32_t mode) {
    return readout_offsets::FirstGenColumnOffset(mode, FastReadout(), flip);
}

}  // namespace kelvra

#include "front/DeviceFilterValues.h"

#include "KelvraSdk.h"
#include "front/CKelvra.h"

namespace kelvra {
namespace {

using Outcome = DeviceValueOutcome;
using Base = CKelvraU3Q6Base;

// A gain or the exposure: limits, setter and getter of the device core, and the mirror field.
struct AnalogValue {
    int32_t index;
    int32_t (Base::*min)();
    int32_t (Base::*max)();
    int32_t (Base::*set)(int32_t);
    int32_t (Base::*get)();
    int32_t settings::CameraSettings::*mirror;
};

constexpr AnalogValue kAnalogValues[] = {
    {KELVRA_FILTER_GLOBAL_GAIN, &Base::GetGainMin, &Base::GetGainMax, &Base::SetGain,
     &Base::GetGain, &settings::CameraSettings::globalGain},
    {KELVRA_FILTER_COLOR_GAIN_RED, &Base::GetColorGainMin, &Base::GetColorGainMax,
     &Base::SetColorGainRed, &Base::GetColorGainRed, &settings::CameraSettings::colorR},
    {KELVRA_FILTER_COLOR_GAIN_GREEN1, &Base::GetColorGainMin, &Base::GetColorGainMax,
     &Base::SetColorGainGreen1, &Base::GetColorGainGreen1, &settings::CameraSettings::colorG1},
    {KELVRA_FILTER_COLOR_GAIN_GREEN2, &Base::GetColorGainMin, &Base::GetColorGainMax,
     &Base::SetColorGainGreen2, &Base::GetColorGainGreen2, &settings::CameraSettings::colorG2},
    {KELVRA_FILTER_COLOR_GAIN_BLUE, &Base::GetColorGainMin, &Base::GetColorGainMax,
     &Base::SetColorGainBlue, &Base::GetColorGainBlue, &settings::CameraSettings::colorB},
    {KELVRA_FILTER_EXPOSURE, &Base::GetExposureTimeMin, &Base::GetExposureTimeMax,
     &Base::SetExposureTime, &Base::GetExposureTime, &settings::CameraSettings::exposure},
};

const AnalogValue* FindAnalogValue(int32_t index) {
    for (const AnalogValue& entry : kAnalogValues) {
        if (entry.index == index) return &entry;
    }
    return nullptr;
}

Outcome Failed(int32_t code, int32_t result = 0) {
    Outcome outcome;
    outcome.code = code;
    outcome.result = result;
    return outcome;
}

Outcome Succeeded(int32_t result) {
    Outcome outcome;
    outcome.result = result;
    outcome.ok = true;
    return outcome;
}

// Written within the device's limits; stored only once the device took it. The global gain is
// also the new value of every colour gain, and a new exposure refreshes the seconds mirror.
Outcome SetAnalog(Base& device, const AnalogValue& entry, int32_t value) {
    if (value < (device.*entry.min)() || value > (device.*entry.max)()) {
        return Failed(kErrorParameter);
    }
    if (!(device.*entry.set)(value)) return Failed(DeviceValueOutcome::kNoCode);
    const std::optional<double> seconds =
        entry.index == KELVRA_FILTER_EXPOSURE ? ReadExposureSeconds(device) : std::nullopt;
    Outcome outcome = Succeeded(1);
    outcome.store = [&entry, value, seconds](FilterFields& f) {
        f.camera.*entry.mirror = value;
        if (entry.index == KELVRA_FILTER_GLOBAL_GAIN) {
            f.camera.colorR = f.camera.colorG1 = f.camera.colorG2 = f.camera.colorB = value;
        }
        if (seconds) f.camera.exposureSeconds = *seconds;
    };
    return outcome;
}

Outcome SetCooler(Base& device, int32_t value) {
    if (!device.HasCooler()) return Failed(kErrorUnsupported);
    const int32_t result = device.SetCooler(value);
    Outcome outcome = Succeeded(result);
    if (result) outcome.store = [value](FilterFields& f) { f.coolerOn = value != 0 ? 1 : 0; };
    return outcome;
}

Outcome SetGainMode(Base& device, int32_t value) {
    const int32_t result = device.SetGainMode(value);
    Outcome outcome = Succeeded(result);
    if (result) outcome.store = [value](FilterFields& f) { f.camera.gainMode = value; };
    return outcome;
}

Outcome SetShortExposure(Base& device, int32_t value) {
    if (!device.IsShortExposureModeSupported()) return Failed(kErrorUnsupported);
    const int32_t on = value > 0 ? 1 : 0;
    if (!device.SetShortExposureMode(on)) return Failed(kErrorDevice);
    Outcome outcome = Succeeded(1);
    outcome.store = [on](FilterFields& f) { f.feature105 = on; };
    return outcome;
}

Outcome SetBlackLevel(Base& device, int32_t value) {
    if (!device.IsBlackLevelSupported()) return Failed(kErrorUnsupported);
    if (!device.SetBlackLevel(value)) return Failed(kErrorDevice);
    Outcome outcome = Succeeded(1);
    outcome.code = kErrorNone;
    outcome.store = [value](FilterFields& f) { f.camera.blackLevel = value; };
    return outcome;
}

Outcome GetShortExposure(Base& device) {
    if (!device.IsShortExposureModeSupported()) return Failed(kErrorUnsupported);
    int32_t on = 0;
    if (!device.GetShortExposureMode(&on)) return Failed(kErrorDevice);
    Outcome outcome = Succeeded(on != 0 ? 1 : 0);
    outcome.code = kErrorNone;
    return outcome;
}

Outcome GetBlackLevel(Base& device) {
    if (!device.IsBlackLevelSupported()) return Failed(kErrorUnsupported);
    const int32_t level = device.GetBlackLevel();
    Outcome outcome = Succeeded(level);
    outcome.code = kErrorNone;
    outcome.store = [level](FilterFields& f) { f.camera.blackLevel = level; };
    return outcome;
}

}  // namespace

std::optional<double> ReadExposureSeconds(Base& device) {
    if (!device.IsExposureSecondsSupported()) return std::nullopt;
    double seconds = 0.0;
    if (!device.GetExposureSeconds(&seconds)) return std::nullopt;
    return seconds;
}

std::optional<DeviceValueOutcome> SetDeviceValue(Base& device, int32_t index, int32_t value) {
    if (const AnalogValue* entry = FindAnalogValue(index)) return SetAnalog(device, *entry, value);
    switch (index) {
        case KELVRA_FILTER_COOLER:
            return SetCooler(device, value);
        case KELVRA_FILTER_GAIN_MODE:
            return SetGainMode(device, value);
        case KELVRA_FILTER_FEATURE_105:
            return SetShortExposure(device, value);
        case KELVRA_FILTER_BLACK_LEVEL:
            return SetBlackLevel(device, value);
        default:
            return std::nullopt;
    }
}

std::optional<DeviceValueOutcome> GetDeviceValue(Base& device, int32_t index) {
    if (const AnalogValue* entry = FindAnalogValue(index)) return Succeeded((device.*entry->get)());
    switch (index) {
        case KELVRA_FILTER_COOLER:
            if (!device.HasCooler()) return Failed(kErrorUnsupported, -1);
            return Succeeded(device.GetCoolerState());
        case KELVRA_FILTER_TEMPERATURE:
            // Only readable as a double, through the temperature export.
            return Failed(kErrorUnsupported, -1);
        case KELVRA_FILTER_GAIN_MODE:
            return Succeeded(device.GetGainMode());
        case KELVRA_FILTER_FEATURE_105:
            return GetShortExposure(device);
        case KELVRA_FILTER_BLACK_LEVEL:
            return GetBlackLevel(device);
        default:
            return std::nullopt;
    }
}

}  // namespace kelvra

#include "front/DialogHosts.h"

#include "KelvraSdk.h"
#include "front/CKelvra.h"
#include "front/ColorModes.h"
#include "settings/dialogs/StreamValuesStore.h"

namespace kelvra {
namespace {

using dialogs::AnalogValue;
using dialogs::ImageValue;

// The grey balance runs on every frame while its frame count is negative.
constexpr int32_t kEveryFrame = -1;
// Sensor exposure units are 0.1 ms.
constexpr double kUnitsPerSecond = 10000.0;

int32_t* StoredImageField(settings::FilterSettings& f, settings::GraySettings& g, ImageValue v) {
    switch (v) {
        case ImageValue::kBrightness:
            return &f.brightness;
        case ImageValue::kContrast:
            return &f.contrast;
        case ImageValue::kHue:
            return &f.hue;
        case ImageValue::kSaturation:
            return &f.saturation;
        case ImageValue::kSharpness:
            return &f.sharpness;
        case ImageValue::kRedGain:
            return &f.redGain;
        case ImageValue::kGreenGain:
            return &f.greenGain;
        case ImageValue::kBlueGain:
            return &f.blueGain;
        case ImageValue::kGamma:
            return &f.gamma;
        case ImageValue::kBayerMode:
            return &f.bayerMode;
        case ImageValue::kGrayMode:
            return &g.mode;
        case ImageValue::kGrayGainR:
            return &g.gainR1;
        case ImageValue::kGrayGainG1:
            return &g.gainG1;
        case ImageValue::kGrayGainG2:
            return &g.gainG2;
        case ImageValue::kGrayGainB:
            return &g.gainB1;
        case ImageValue::kGrayOffsetR:
            return &g.offsetR1;
        case ImageValue::kGrayOffsetG1:
            return &g.offsetG1;
        case ImageValue::kGrayOffsetG2:
            return &g.offsetG2;
        case ImageValue::kGrayOffsetB:
            return &g.offsetB1;
        default:
            return nullptr;
    }
}

// The filter index through which each camera value is sent, or 0 for those with an export of
// their own.
int32_t FilterIndex(AnalogValue v) {
    switch (v) {
        case AnalogValue::kGlobalGain:
            return KELVRA_FILTER_GLOBAL_GAIN;
        case AnalogValue::kColorG1:
            return KELVRA_FILTER_COLOR_GAIN_GREEN1;
        case AnalogValue::kColorR:
            return KELVRA_FILTER_COLOR_GAIN_RED;
        case AnalogValue::kColorB:
            return KELVRA_FILTER_COLOR_GAIN_BLUE;
        case AnalogValue::kColorG2:
            return KELVRA_FILTER_COLOR_GAIN_GREEN2;
        case AnalogValue::kExposure:
            return KELVRA_FILTER_EXPOSURE;
        case AnalogValue::kCooler:
            return KELVRA_FILTER_COOLER;
        case AnalogValue::kBlackLevel:
            return KELVRA_FILTER_BLACK_LEVEL;
        case AnalogValue::kShortExposure:
            return KELVRA_FILTER_FEATURE_105;
        case AnalogValue::kGainMode:
            return KELVRA_FILTER_GAIN_MODE;
        default:
            return 0;
    }
}

}  // namespace

// ---- Stream format dialog ----

dialogs::StreamCapabilities FrontCameraDialogHost::Capabilities() {
    std::lock_guard<std::recursive_mutex> guard(front_.callLock_);
    dialogs::StreamCapabilities caps;
    if (!front_.device_) return caps;
    const settings::FormatSupport support = front_.DeviceFormatSupport();
    caps.eightBit = support.eightBit;
    caps.sixteenBit = support.sixteenBit;
    caps.color = support.color;
    caps.horizontalWindow = front_.device_->GetWindowFlagA() != 0;
    caps.verticalWindow = front_.device_->GetWindowFlagB() != 0;
    return caps;
}

dialogs::StreamValues FrontCameraDialogHost::Load() {
    return dialogs::LoadStreamValues(*front_.store_, front_.CurrentDeviceNumber(),
                                     front_.StreamFormat(), 0);
}

bool FrontCameraDialogHost::Save(const dialogs::StreamValues& values) {
    return dialogs::SaveStreamValues(*front_.store_, front_.CurrentDeviceNumber(), values);
}

// ---- Image dialog ----

bool FrontImageDialogHost::Monochrome() {
    const int32_t mode = front_.WithSettings([&] { return front_.format_.color; });
    return !IsColourMode(mode);
}

int32_t FrontImageDialogHost::Get(ImageValue value) {
    return front_.WithSettings([&]() -> int32_t {
        const ProcessingFlags& flags = front_.flags_;
        // A balance asked for once is not "all frames".
        if (value == ImageValue::kWhiteBalanceAll) {
            return flags.bayerGainAuto != 0 && !(flags.bayerAutoOnceA && flags.bayerAutoOnceB);
        }
        if (value == ImageValue::kAutoGrayAll) return flags.autoGrayCount < 0 ? 1 : 0;
        const int32_t* field = StoredImageField(front_.filter_, front_.gray_, value);
        return field != nullptr ? *field : 0;
    });
}

void FrontImageDialogHost::Set(ImageValue value, int32_t setting) {
    front_.WithSettings([&] {
        ProcessingFlags& flags = front_.flags_;
        if (value == ImageValue::kWhiteBalanceAll) {
            flags.bayerGainAuto = setting != 0 ? 1 : 0;
            flags.bayerAutoOnceA = flags.bayerAutoOnceB = 0;
        } else if (value == ImageValue::kAutoGrayAll) {
            flags.autoGrayCount = setting != 0 ? kEveryFrame : 0;
        } else if (int32_t* field = StoredImageField(front_.filter_, front_.gray_, value)) {
            *field = setting;
        }
    });
}

void FrontImageDialogHost::WhiteBalanceOnce() {
    front_.WithSettings([&] {
        ProcessingFlags& flags = front_.flags_;
        flags.bayerGainAuto = flags.bayerAutoOnceA = flags.bayerAutoOnceB = 1;
    });
}

void FrontImageDialogHost::AutoGrayOnce() {
    front_.WithSettings([&] { front_.flags_.autoGrayCount = 1; });
}

void FrontImageDialogHost::SetObserver(dialogs::RefreshObserver* observer) {
    std::lock_guard<std::mutex> guard(front_.dialogObserverLock_);
    front_.imageObserver_ = observer;
}

// ---- Analog dialog ----

dialogs::AnalogCapabilities FrontAnalogDialogHost::Capabilities() {
    std::lock_guard<std::recursive_mutex> guard(front_.callLock_);
    dialogs::AnalogCapabilities caps;
    CKelvraU3Q6Base* device = front_.device_.get();
    if (device == nullptr) return caps;
    caps.color = device->SupportsColorModes() != 0;
    caps.gain = {device->GetGainMin(), device->GetGainMax()};
    caps.colorGain = {device->GetColorGainMin(), device->GetColorGainMax()};
    caps.exposure = {device->GetExposureTimeMin(), device->GetExposureTimeMax()};
    caps.blackLevel = {device->GetBlackLevelMin(), device->GetBlackLevelMax()};
    caps.exposureSeconds = device->IsExposureSecondsSupported() != 0;
    if (caps.exposureSeconds) {
        caps.secondsMin = device->GetExposureSecondsMin();
        caps.secondsMax = device->GetExposureSecondsMax();
    }
    caps.blackLevelSupported = device->IsBlackLevelSupported() != 0;
    caps.cooler = device->HasCooler() != 0;
    caps.shortExposure = device->IsShortExposureModeSupported() != 0;
    caps.gainMode = device->IsGainModeSupported() != 0 && device->GetGainMode() != -1;
    return caps;
}

int32_t FrontAnalogDialogHost::Get(AnalogValue value) {
    std::lock_guard<std::recursive_mutex> guard(front_.callLock_);
    CKelvraU3Q6Base* device = front_.device_.get();
    if (device == nullptr) return 0;
    switch (value) {
        case AnalogValue::kCooler:
            return device->HasCooler() ? device->GetCoolerState() : 0;
        case AnalogValue::kShortExposure: {
            int32_t on = 0;
            return device->IsShortExposureModeSupported() && device->GetShortExposureMode(&on)
                       ? (on != 0 ? 1 : 0)
                       : 0;
        }
        case AnalogValue::kGainMode:
            return device->GetGainMode();
        default:
            break;
    }
    return front_.WithSettings([&]() -> int32_t {
        const settings::CameraSettings& c = front_.camera_;
        switch (value) {
            case AnalogValue::kGlobalGain:
                return c.globalGain;
            case AnalogValue::kColorG1:
                return c.colorG1;
            case AnalogValue::kColorR:
                return c.colorR;
            case AnalogValue::kColorB:
                return c.colorB;
            case AnalogValue::kColorG2:
                return c.colorG2;
            case AnalogValue::kExposure:
                return c.exposure;
            case AnalogValue::kMirrorV:
                return c.vMirror;
            case AnalogValue::kMirrorH:
                return c.hMirror;
            case AnalogValue::kAutoIris:
                return c.autoIris;
            case AnalogValue::kBlackLevel:
                return c.blackLevel;
            default:
                return 0;
        }
    });
}

bool FrontAnalogDialogHost::Set(AnalogValue value, int32_t setting) {
    switch (value) {
        case AnalogValue::kMirrorV:
            return front_.SetMirrorV(setting) != 0;
        case AnalogValue::kMirrorH:
            return front_.SetMirrorH(setting) != 0;
        case AnalogValue::kAutoIris:
            return front_.SetAutoIris(setting) != 0;
        default:
            return front_.SetFilterValue(FilterIndex(value), setting) != 0;
    }
}

double FrontAnalogDialogHost::ExposureSeconds() {
    return front_.WithSettings([&] { return front_.camera_.exposureSeconds; });
}

bool FrontAnalogDialogHost::SetExposureSeconds(double seconds) {
    return front_.SetExposureTimeEx(seconds) != 0;
}

// The camera's defaults in the documented order: gain, colour gains, exposure, black level,
// cooler on, short exposure mode off, gain mode 0. Each is stored once the camera took it.
void FrontAnalogDialogHost::Defaults() {
    std::lock_guard<std::recursive_mutex> guard(front_.callLock_);
    CKelvraU3Q6Base* device = front_.device_.get();
    if (device == nullptr) return;
    settings::CameraSettings c = front_.CameraSettings();
    const int32_t gain = device->GetGainDefault();
    if (device->SetGain(gain)) c.globalGain = gain;
    const int32_t colour = device->GetColorGainDefault();
    if (device->SetColorGainGreen1(colour)) c.colorG1 = colour;
    if (device->SetColorGainRed(colour)) c.colorR = colour;
    if (device->SetColorGainBlue(colour)) c.colorB = colour;
    if (device->SetColorGainGreen2(colour)) c.colorG2 = colour;
    if (device->IsExposureSecondsSupported()) {
        const double seconds = device->GetExposureSecondsDefault();
        if (device->SetExposureSeconds(seconds)) {
            c.exposureSeconds = seconds;
            c.exposure = static_cast<int32_t>(seconds * kUnitsPerSecond);
        }
    } else {
        const int32_t units = device->GetExposureTimeDefault();
        if (device->SetExposureTime(units)) c.exposure = units;
    }
    if (device->IsBlackLevelSupported()) {
        const int32_t level = device->GetBlackLevelDefault();
        if (device->SetBlackLevel(level)) c.blackLevel = level;
    }
    const bool cooler = device->HasCooler() && device->SetCooler(1);
    const bool shortOff = device->IsShortExposureModeSupported() && device->SetShortExposureMode(0);
    if (device->IsGainModeSupported() && device->SetGainMode(0)) c.gainMode = 0;
    front_.WithSettings([&] {
        front_.camera_ = c;
        if (cooler) front_.coolerOn_ = 1;
        if (shortOff) front_.feature105_ = 0;
    });
}

void FrontAnalogDialogHost::SetObserver(dialogs::RefreshObserver* observer) {
    std::lock_guard<std::mutex> guard(front_.dialogObserverLock_);
    front_.analogObserver_ = observer;
}

}  // namespace kelvra

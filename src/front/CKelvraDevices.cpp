// Camera selection and naming of CKelvra.
#include <cstdio>
#include <cstring>

#include "front/CKelvra.h"
#include "platform/TextCodec.h"
#include "settings/RegistrySettings.h"

namespace kelvra {
namespace {

constexpr int kListedDevices = KELVRA_MAX_LISTED_DEVICES;
constexpr int kNameLength = KELVRA_DEVICE_NAME_LENGTH;
// Shortest name buffer GetDeviceName accepts.
constexpr int kMinNameBuffer = 17;

// "KelvraK4SWIRTEC_%02d" into `text`; false when it does not fit in `size` bytes.
bool FormatDeviceName(int number, char* text, size_t size) {
    const int written = std::snprintf(text, size, "%s_%02d", CKelvra::kModelBaseName, number);
    return written > 0 && static_cast<size_t>(written) < size;
}

}  // namespace

int CKelvra::SetDeviceNumber(int index) {
    std::lock_guard<std::recursive_mutex> guard(callLock_);
    if (!device_) return RecordError(kErrorNoCamera), 0;
    if (firstOpenDone_ && deviceNumber_ >= 0) SaveCameraGroups(deviceNumber_);
    firstOpenDone_ = true;
    if (!device_->IsDevicePresent(index)) return RecordError(kErrorNotPresent), 0;
    if (index == deviceNumber_) return 1;
    if (!device_->OpenCamera(index)) return RecordError(kErrorNotPresent), 0;
    LoadCameraGroups(index);
    ApplyCameraSettings();
    deviceNumber_ = index;
    return 1;
}

// Global gain, the four colour gains, then the exposure: in seconds where the camera takes
// seconds, else in sensor units.
void CKelvra::WriteGainsAndExposure(const settings::CameraSettings& camera) {
    device_->SetGain(camera.globalGain);
    device_->SetColorGainGreen1(camera.colorG1);
    device_->SetColorGainRed(camera.colorR);
    device_->SetColorGainBlue(camera.colorB);
    device_->SetColorGainGreen2(camera.colorG2);
    if (device_->IsExposureSecondsSupported()) {
        device_->SetExposureSeconds(camera.exposureSeconds);
    } else {
        device_->SetExposureTime(camera.exposure);
    }
}

// Writes the remembered analog settings to a freshly opened camera, in the order the camera
// expects them: gains, exposure, mirroring, then the optional features.
void CKelvra::ApplyCameraSettings() {
    const settings::CameraSettings camera = CameraSettings();
    WriteGainsAndExposure(camera);
    device_->SetMirror(camera.vMirror);
    device_->SetFlip(camera.hMirror);
    if (device_->IsBlackLevelSupported()) device_->SetBlackLevel(camera.blackLevel);
    if (device_->HasCooler()) {
        device_->SetCooler(1);
        WithSettings([&] { coolerOn_ = 1; });
    }
    if (device_->IsShortExposureModeSupported()) {
        device_->SetShortExposureMode(0);
        WithSettings([&] { feature105_ = 0; });
    }
    if (device_->IsGainModeSupported()) device_->SetGainMode(camera.gainMode);
}

int CKelvra::EnumDevice(char names[10][256]) {
    std::lock_guard<std::recursive_mutex> guard(callLock_);
    if (!device_) return RecordError(kErrorNoCamera), 0;
    if (names == nullptr) return RecordError(kErrorParameter), 0;
    const int count = device_->CountDevices(ProductId());
    int listed = 0;
    // The caller's array has room for ten names; further cameras are not listed.
    for (int j = 0; j < count && listed < kListedDevices; ++j) {
        if (!device_->IsDevicePresent(j)) continue;
        FormatDeviceName(listed + 1, names[listed], kNameLength);
        ++listed;
    }
    for (int k = listed; k < kListedDevices; ++k) names[k][0] = '\0';
    return listed;
}

int CKelvra::EnumDeviceW(WCHAR names[10][256]) {
    std::lock_guard<std::recursive_mutex> guard(callLock_);
    if (names == nullptr) return RecordError(kErrorParameter), 0;
    char narrow[kListedDevices][kNameLength];
    const int listed = EnumDevice(narrow);
    if (!device_) return 0;
    for (int k = 0; k < kListedDevices; ++k) {
        if (k >= listed || platform::NarrowToWide(narrow[k], names[k], kNameLength) == 0) {
            names[k][0] = u'\0';
        }
    }
    return listed;
}

int CKelvra::GetDeviceName(int index, char* text, int length) {
    std::lock_guard<std::recursive_mutex> guard(callLock_);
    if (!device_) return RecordError(kErrorNoCamera), 0;
    if (length < kMinNameBuffer || text == nullptr) return RecordError(kErrorParameter), 0;
    if (index < 0 || index >= device_->GetMaxDevices() || !device_->IsDevicePresent(index)) {
        return RecordError(kErrorNotPresent), 0;
    }
    // A buffer of the documented minimum can be shorter than the name; it is refused rather
    // than written past.
    char name[kNameLength];
    if (!FormatDeviceName(index + 1, name, sizeof name) ||
        std::strlen(name) >= static_cast<size_t>(length)) {
        return RecordError(kErrorParameter), 0;
    }
    std::memcpy(text, name, std::strlen(name) + 1);
    return 1;
}

int CKelvra::GetDeviceNameW(int index, WCHAR* text, int length) {
    char narrow[kNameLength];
    if (!GetDeviceName(index, narrow, kNameLength)) return 0;
    const int needed = platform::NarrowToWide(narrow, nullptr, 0);
    if (text == nullptr || needed == 0 || length < needed) return RecordError(kErrorConversion), 0;
    platform::NarrowToWide(narrow, text, static_cast<size_t>(length));
    return 1;
}

}  // namespace kelvra

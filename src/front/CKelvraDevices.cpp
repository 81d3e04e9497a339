// Camera selection and naming of CKelvra.
#include <cstdio>
#include <cstring>
#include <vector>

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

// The instance numbers of this product's cameras that are attached now, in ascending order.
// Device numbers (EnumDevice's list, GetDeviceName, SetDeviceNumber) are positions in this
// list: the transport never reuses an instance number while its table lives, so when the
// lowest-numbered camera leaves (or one moves to another port) the others keep numbers above a
// gap, and only a numbering by presence still starts at 0 and counts without holes.
std::vector<int32_t> PresentInstances(CKelvraU3Q6Base& device) {
    device.CountDevices(CKelvra::ProductId());  // refreshes the device table
    std::vector<int32_t> instances;
    for (int32_t instance = 0; instance < device.GetMaxDevices(); ++instance) {
        if (device.IsDevicePresent(instance)) instances.push_back(instance);
    }
    return instances;
}

// The instance of device number `index`, or -1 when no attached camera has that number.
int32_t InstanceOf(CKelvraU3Q6Base& device, int index) {
    const std::vector<int32_t> instances = PresentInstances(device);
    if (index < 0 || static_cast<size_t>(index) >= instances.size()) return -1;
    return instances[static_cast<size_t>(index)];
}

}  // namespace

// Opening another camera replaces the device core's sensor driver, which a running
// acquisition uses: while previewing, capturing, triggering or recording only the open camera
// may be named (code 1 otherwise; stop first). The opened camera gets its own stored format.
int CKelvra::SetDeviceNumber(int index) {
    std::lock_guard<std::recursive_mutex> guard(callLock_);
    if (!device_) return RecordError(kErrorNoCamera), 0;
    if (state_.load() != kIdle && index != deviceNumber_) return RecordError(kErrorNoCamera), 0;
    if (firstOpenDone_ && deviceNumber_ >= 0) SaveCameraGroups(deviceNumber_);
    firstOpenDone_ = true;
    const int32_t instance = InstanceOf(*device_, index);
    if (instance < 0) return RecordError(kErrorNotPresent), 0;
    // The same number names another camera once a lower-numbered one has left: reopen then.
    if (index == deviceNumber_ && instance == device_->GetOpenInstance()) return 1;
    if (!device_->OpenCamera(instance)) return RecordError(kErrorNotPresent), 0;
    LoadCameraGroups(index);
    ApplyCameraSettings();
    LoadStreamSettings(index);
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
    const std::vector<int32_t> instances = PresentInstances(*device_);
    int listed = 0;
    // The caller's array has room for ten names; further cameras are not listed.
    for (; listed < static_cast<int>(instances.size()) && listed < kListedDevices; ++listed) {
        FormatDeviceName(listed + 1, names[listed], kNameLength);
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
    if (index < 0 || index >= device_->GetMaxDevices() || InstanceOf(*device_, index) < 0) {
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

namespace kelvra {

int CKelvra::GetLinkSpeed() {
    std::lock_guard<std::recursive_mutex> guard(callLock_);
    if (!device_ || deviceNumber_ < 0) return RecordError(kErrorNoCamera), 0;
    return static_cast<int>(device_->LinkSpeedMbps());
}

}  // namespace kelvra

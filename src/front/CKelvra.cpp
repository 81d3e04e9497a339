#include "front/CKelvra.h"

#include <new>
#include <utility>

#include "device/InterfaceGuid.h"
#include "front/processing/FrameProcessor.h"
#include "output/CAviFrameConverter.h"
#include "output/CAviWriter.h"
#include "platform/Clock.h"
#include "platform/MessageWindow.h"
#include "platform/SettingsStore.h"
#include "settings/RegistrySettings.h"

namespace kelvra {
namespace {

// Posted to the notification window with the error code in lParam.
constexpr uint32_t kErrorMessage = KELVRA_WM_ERROR;

}  // namespace

CKelvra::CKelvra() : CKelvra([] { return std::make_unique<CKelvraUSB3Q6SimpleSdk>(); }) {}

CKelvra::CKelvra(DeviceFactory deviceFactory)
    : deviceFactory_(std::move(deviceFactory)),
      store_(std::make_unique<platform::SettingsStore>(platform::SettingsStore::DefaultPath())),
      processor_(std::make_unique<processing::FrameProcessor>()),
      lastMeasure_(platform::GetTickCount32()) {}

// Teardown: forget the selection, save what belongs to the camera that was in use, close it.
CKelvra::~CKelvra() {
    std::lock_guard<std::recursive_mutex> guard(callLock_);
    // Waiters learn first that the handle is going; their held frames outlive it.
    RetireFrameQueue(KELVRA_FRAME_RELEASED);
    const int32_t lastCamera = deviceNumber_.exchange(-1);
    if (device_) {
        // Only a handle that opened a camera has settings of that camera to keep; saving the
        // unopened defaults would overwrite camera 0's settings with zeros.
        if (firstOpenDone_ && lastCamera >= 0) SaveCameraGroups(device_->GetOpenInstance());
        // Threads and the recording end before the camera they use.
        Close();
        device_->CloseCamera();
        device_.reset();
    }
}

int CKelvra::Initialize(HWND notifyWindow) {
    std::lock_guard<std::recursive_mutex> guard(callLock_);
    device_.reset();
    images_ = ImageSet{};
    const bool created = images_.CreateObjects();
    try {
        device_ = deviceFactory_();
    } catch (const std::bad_alloc&) {
    }
    notifyWindow_ = notifyWindow;
    // Device-interface arrival and removal broadcasts have no counterpart here: applications
    // see a camera come or go through Kelvra_EnumDevice and the errors of the calls that use it.
    if (!device_ || !created) return RecordError(kErrorMemory), 0;
    if (!images_.AllocateSensorBuffers()) return 0;

    settings::ReadoutWindow window = ReadoutWindow();
    settings::RegistrySettings(*store_).LoadSizePreset(deviceNumber_, &window,
                                                       DeviceFormatSupport());
    WithSettings([&] { window_ = window; });
    device_->SetProductId(ProductId());
    device_->CreateController(notifyWindow, &kCameraInterfaceGuid);
    if (device_->CountDevices(ProductId()) == 1) SetDeviceNumber(0);

    LoadCameraGroups(deviceNumber_);
    settings::StreamFormat format = StreamFormat();
    settings::RegistrySettings(*store_).LoadStreamFormat(deviceNumber_, &format,
                                                         DeviceFormatSupport());
    WithSettings([&] { format_ = format; });
    return 1;
}

int CKelvra::RecordError(int32_t code) {
    errors_.Push(code);
    const HWND window = notifyWindow_.load();
    if (window != nullptr) platform::PostMessage(window, kErrorMessage, 0, code);
    return 1;
}

void CKelvra::NotifyError(int32_t code) {
    // A null window has no queue of its own to receive the post.
    platform::PostMessage(notifyWindow_.load(), kErrorMessage, 0, code);
}

int32_t CKelvra::PopLastError() {
    return errors_.Pop();
}

int CKelvra::CurrentDeviceNumber() const {
    return deviceNumber_.load();
}

settings::FormatSupport CKelvra::DeviceFormatSupport() const {
    settings::FormatSupport support;
    support.eightBit = device_->Supports8BitModes() != 0;
    support.sixteenBit = device_->Supports16BitMode(0) != 0;
    support.color = device_->SupportsColorModes() != 0;
    return support;
}

settings::CameraDefaults CKelvra::DeviceCameraDefaults() const {
    settings::CameraDefaults defaults;
    defaults.globalGain = device_->GetGainDefault();
    defaults.colorGain = device_->GetColorGainDefault();
    defaults.exposure = device_->GetExposureTimeDefault();
    defaults.vMirror = device_->GetMirrorDefault();
    defaults.hMirror = device_->GetFlipDefault();
    defaults.blackLevel = device_->GetBlackLevelDefault();
    defaults.exposureSecondsSupported = device_->IsExposureSecondsSupported() != 0;
    if (defaults.exposureSecondsSupported) {
        defaults.exposureSeconds = device_->GetExposureSecondsDefault();
        defaults.exposureSecondsMin = device_->GetExposureSecondsMin();
        defaults.exposureSecondsMax = device_->GetExposureSecondsMax();
    }
    // Stored values outside what the camera takes are not used.
    defaults.gainRange = {device_->GetGainMin(), device_->GetGainMax()};
    defaults.colorGainRange = {device_->GetColorGainMin(), device_->GetColorGainMax()};
    defaults.exposureRange = {device_->GetExposureTimeMin(), device_->GetExposureTimeMax()};
    defaults.blackLevelRange = {device_->GetBlackLevelMin(), device_->GetBlackLevelMax()};
    return defaults;
}

void CKelvra::LoadCameraGroups(int camera) {
    settings::RegistrySettings registry(*store_);
    if (camera >= 0) registry.EnsureSizePresets(camera);
    settings::FilterSettings filter = FilterSettings();
    settings::GraySettings gray = GraySettings();
    settings::CameraSettings cameraSettings = CameraSettings();
    registry.LoadFilterSettings(camera, &filter);
    registry.LoadGraySettings(camera, &gray);
    registry.LoadCameraSettings(camera, &cameraSettings, DeviceCameraDefaults());
    WithSettings([&] {
        filter_ = filter;
        gray_ = gray;
        camera_ = cameraSettings;
    });
}

// The readout window, colour mode, subsample mode and wait time stored for `camera`, the
// colour mode fitted to what the open camera delivers. What the camera's key lacks takes the
// defaults, not the values of the camera open before: a camera starts alike whichever camera
// was selected earlier, and whether or not another is attached.
void CKelvra::LoadStreamSettings(int camera) {
    settings::RegistrySettings registry(*store_);
    const settings::FormatSupport support = DeviceFormatSupport();
    settings::ReadoutWindow window;
    registry.LoadSizePreset(camera, &window, support);
    settings::StreamFormat format;
    registry.LoadStreamFormat(camera, &format, support);
    WithSettings([&] {
        window_ = window;
        format_ = format;
    });
}

void CKelvra::SaveCameraGroups(int camera) {
    settings::RegistrySettings registry(*store_);
    registry.SaveCameraSettings(camera, CameraSettings());
    registry.SaveFilterSettings(camera, FilterSettings());
    registry.SaveGraySettings(camera, GraySettings());
}

}  // namespace kelvra

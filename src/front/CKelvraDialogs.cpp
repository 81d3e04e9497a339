// The settings dialogs of CKelvra: what the front does before and after each one.
//
// A dialog runs modally on the calling thread for as long as the user keeps it open. The call
// lock is held only before and after it, never across it: the dialog's own changes take it like
// any export, and the application's other threads keep working while the dialog is open.
#include "front/CKelvra.h"
#include "front/DialogHosts.h"
#include "platform/WindowRegistry.h"
#include "platform/preview/ForeignWindow.h"
#include "settings/RegistrySettings.h"
#include "settings/dialogs/DialogModule.h"

namespace kelvra {
namespace {

using dialogs::RunOutcome;

// A window made by Kelvra_WrapX11Window gives its X11 window as the dialog's parent. A message
// window, a preview window, an unknown handle or null give none: the dialog is centred.
unsigned long ParentXid(HWND owner) {
    const auto window = platform::WindowRegistry::Instance().Find(owner);
    const auto* foreign = dynamic_cast<const platform::preview::ForeignWindow*>(window.get());
    return foreign != nullptr ? foreign->Xid() : 0;
}

dialogs::DialogRequest Request(dialogs::DialogKind kind, HWND owner) {
    dialogs::DialogRequest request;
    request.kind = kind;
    request.parentXid = ParentXid(owner);
    return request;
}

}  // namespace

// A preview or capture is stopped for the stream format dialog (it changes what acquisition is
// prepared for); a trigger acquisition only pauses. Returns the state to resume.
int32_t CKelvra::PauseForDialog() {
    const int32_t state = state_.load();
    if (state == kPreviewing || state == kCapturing) {
        StopPreview();
    } else if (state == kTriggering) {
        runFlag_ = kPaused;
    }
    return state;
}

// A trigger acquisition resumes only if nobody stopped it while the dialog was open.
void CKelvra::ResumeAfterDialog(int32_t state) {
    if (state == kPreviewing) {
        StartPreview();
    } else if (state == kCapturing) {
        Capture();
    } else if (state == kTriggering) {
        int32_t paused = kPaused;
        runFlag_.compare_exchange_strong(paused, kRun);
    }
}

// The dialogs edit one camera's settings: without a selected camera there is nothing to edit.
bool CKelvra::CameraOpen() const {
    return device_ != nullptr && deviceNumber_.load() >= 0;
}

int CKelvra::FinishDialog(int outcome) {
    switch (static_cast<RunOutcome>(outcome)) {
        case RunOutcome::kOk:
        case RunOutcome::kCancel:
            return 1;
        case RunOutcome::kNoDisplay:
            return RecordError(kErrorWindow), 0;
        default:
            return RecordError(kErrorUnsupported), 0;
    }
}

int CKelvra::SetCameraDlg(HWND owner) {
    int32_t state = kIdle;
    {
        std::lock_guard<std::recursive_mutex> guard(callLock_);
        if (!CameraOpen()) return RecordError(kErrorNoCamera), 0;
        state = PauseForDialog();
    }
    FrontCameraDialogHost host(*this);
    dialogs::DialogRequest request = Request(dialogs::DialogKind::kCamera, owner);
    request.camera = &host;
    const RunOutcome outcome = dialogs::RunDialog(request);
    std::lock_guard<std::recursive_mutex> guard(callLock_);
    if (outcome == RunOutcome::kOk && device_) {
        // What the dialog stored becomes the readout window and format of the next preparation.
        settings::RegistrySettings registry(*store_);
        settings::ReadoutWindow window = ReadoutWindow();
        registry.LoadSizePreset(deviceNumber_, &window, DeviceFormatSupport());
        settings::StreamFormat format = StreamFormat();
        registry.LoadStreamFormat(deviceNumber_, &format, DeviceFormatSupport());
        WithSettings([&] {
            window_ = window;
            format_ = format;
        });
    }
    if (device_) ResumeAfterDialog(state);
    return FinishDialog(static_cast<int>(outcome));
}

// The dialog edits the processing settings in place, so the image shows each change at once;
// anything but OK puts back what was there before.
int CKelvra::SetImageDlg(HWND owner) {
    settings::FilterSettings filter;
    settings::GraySettings gray;
    ProcessingFlags flags;
    {
        std::lock_guard<std::recursive_mutex> guard(callLock_);
        if (!CameraOpen()) return RecordError(kErrorNoCamera), 0;
        WithSettings([&] {
            filter = filter_;
            gray = gray_;
            flags = flags_;
        });
    }
    FrontImageDialogHost host(*this);
    dialogs::DialogRequest request = Request(dialogs::DialogKind::kImage, owner);
    request.image = &host;
    const RunOutcome outcome = dialogs::RunDialog(request);
    if (outcome != RunOutcome::kOk) {
        WithSettings([&] {
            filter_ = filter;
            gray_ = gray;
            // The correction switches are not the dialog's: only its automatic balances return.
            flags_.bayerGainAuto = flags.bayerGainAuto;
            flags_.bayerAutoOnceA = flags.bayerAutoOnceA;
            flags_.bayerAutoOnceB = flags.bayerAutoOnceB;
            flags_.autoGrayCount = flags.autoGrayCount;
        });
    }
    return FinishDialog(static_cast<int>(outcome));
}

// The dialog shows and changes what the camera has now; anything but OK sends the earlier
// values back to the camera, including the black level, cooler, short exposure mode and gain
// mode the dialog can change too (leaving those would keep the camera and the stored settings
// apart).
int CKelvra::SetAnalogDlg(HWND owner) {
    settings::CameraSettings saved;
    int32_t savedBayerMode = 0, savedCooler = 0, savedShortExposure = 0, camera = -1;
    {
        std::lock_guard<std::recursive_mutex> guard(callLock_);
        if (!CameraOpen()) return RecordError(kErrorNoCamera), 0;
        ReadAnalogFromDevice();
        camera = deviceNumber_;
        savedCooler = device_->HasCooler() ? device_->GetCoolerState() : 0;
        if (device_->IsShortExposureModeSupported()) {
            device_->GetShortExposureMode(&savedShortExposure);
        }
        WithSettings([&] {
            saved = camera_;
            savedBayerMode = filter_.bayerMode;
        });
    }
    FrontAnalogDialogHost host(*this);
    dialogs::DialogRequest request = Request(dialogs::DialogKind::kAnalog, owner);
    request.analog = &host;
    const RunOutcome outcome = dialogs::RunDialog(request);
    if (outcome != RunOutcome::kOk) {
        std::lock_guard<std::recursive_mutex> guard(callLock_);
        // Another camera opened meanwhile has its own values: they are not overwritten.
        if (device_ && deviceNumber_ == camera) {
            RestoreAnalogOnDevice(saved, savedCooler, savedShortExposure);
        }
        WithSettings([&] {
            camera_ = saved;
            filter_.bayerMode = savedBayerMode;
        });
    }
    return FinishDialog(static_cast<int>(outcome));
}

// The camera's present gains, exposure and mirroring become the stored analog settings.
void CKelvra::ReadAnalogFromDevice() {
    CKelvraU3Q6Base& d = *device_;
    settings::CameraSettings c = CameraSettings();
    c.globalGain = d.GetGain();
    c.colorG1 = d.GetColorGainGreen1();
    c.colorR = d.GetColorGainRed();
    c.colorB = d.GetColorGainBlue();
    c.colorG2 = d.GetColorGainGreen2();
    c.exposure = d.GetExposureTime();
    if (d.IsExposureSecondsSupported()) d.GetExposureSeconds(&c.exposureSeconds);
    c.vMirror = d.GetMirror();
    c.hMirror = d.GetFlip();
    // Read as well, so that Cancel can put back what the camera had.
    if (d.IsBlackLevelSupported()) c.blackLevel = d.GetBlackLevel();
    if (d.IsGainModeSupported() && d.GetGainMode() != -1) c.gainMode = d.GetGainMode();
    WithSettings([&] { camera_ = c; });
}

void CKelvra::RestoreAnalogOnDevice(const settings::CameraSettings& saved, int32_t cooler,
                                    int32_t shortExposure) {
    CKelvraU3Q6Base& d = *device_;
    d.SetGain(saved.globalGain);
    d.SetColorGainGreen1(saved.colorG1);
    d.SetColorGainRed(saved.colorR);
    d.SetColorGainBlue(saved.colorB);
    d.SetColorGainGreen2(saved.colorG2);
    if (d.IsExposureSecondsSupported()) {
        d.SetExposureSeconds(saved.exposureSeconds);
    } else {
        d.SetExposureTime(saved.exposure);
    }
    d.SetMirror(saved.vMirror);
    d.SetFlip(saved.hMirror);
    if (d.IsBlackLevelSupported()) d.SetBlackLevel(saved.blackLevel);
    if (d.HasCooler() && d.GetCoolerState() != cooler) d.SetCooler(cooler);
    if (d.IsShortExposureModeSupported()) d.SetShortExposureMode(shortExposure);
    if (d.IsGainModeSupported()) d.SetGainMode(saved.gainMode);
    WithSettings([&] {
        coolerOn_ = cooler;
        feature105_ = shortExposure;
    });
}

void CKelvra::NotifyDialogs(bool image, bool analog) {
    if (!image && !analog) return;
    std::lock_guard<std::mutex> guard(dialogObserverLock_);
    if (image && imageObserver_ != nullptr) imageObserver_->ValuesChanged();
    if (analog && analogObserver_ != nullptr) analogObserver_->ValuesChanged();
}

}  // namespace kelvra

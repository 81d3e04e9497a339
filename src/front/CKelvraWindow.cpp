// Readout window and mirroring of CKelvra.
#include <optional>
#include <string>

#include "front/CKelvra.h"
#include "front/ReadoutWindowRules.h"
#include "platform/SettingsStore.h"
#include "settings/RegistrySettings.h"

namespace kelvra {
namespace {

// Size presets are numbered "Size_00" to "Size_99"; the first missing one ends the list.
constexpr int kMaxPresets = 100;

bool ReadPresetValue(const platform::SettingsTree& tree, const std::string& key, const char* name,
                     int32_t* value) {
    uint32_t raw = 0;
    if (!tree.GetDword(key, name, &raw)) return false;
    *value = static_cast<int32_t>(raw);
    return true;
}

// The seven values of one preset; nullopt when any is missing, since a partial preset would
// mix its values with whatever window was current.
std::optional<settings::ReadoutWindow> ReadPreset(const platform::SettingsTree& tree,
                                                  const std::string& key) {
    settings::ReadoutWindow w;
    const bool complete =
        ReadPresetValue(tree, key, "TH", &w.TH) && ReadPresetValue(tree, key, "TV", &w.TV) &&
        ReadPresetValue(tree, key, "EH", &w.EH) && ReadPresetValue(tree, key, "EV", &w.EV) &&
        ReadPresetValue(tree, key, "EHS", &w.EHS) && ReadPresetValue(tree, key, "EVS", &w.EVS) &&
        ReadPresetValue(tree, key, "Buf", &w.Buf);
    if (!complete) return std::nullopt;
    return w;
}

// The first preset of `camera` whose total size is `totalWidth` x `totalHeight`. The presets
// are looked up under the camera's key, where the settings dialog writes them and where the
// selected preset is read at initialisation.
std::optional<settings::ReadoutWindow> FindSizePreset(const platform::SettingsTree& tree,
                                                      int camera, int totalWidth, int totalHeight) {
    for (int preset = 0; preset < kMaxPresets; ++preset) {
        const std::string key = settings::SizePresetKey(camera, preset);
        if (!tree.HasKey(key)) break;
        const std::optional<settings::ReadoutWindow> w = ReadPreset(tree, key);
        if (w && w->TH == totalWidth && w->TV == totalHeight) return w;
    }
    return std::nullopt;
}

}  // namespace

// Selects the stored size preset with the given total size. 1 when the window went to the
// device, also after an invalid preset was replaced by the full-sensor window (code 7). 0 with
// code 1 (no device core), 4 (no settings root, or no matching preset) or 7 (the device refused
// the window; the values stay stored, so the next preparation reports the refusal again).
int CKelvra::SetCaptureWindow(int totalWidth, int totalHeight) {
    std::lock_guard<std::recursive_mutex> guard(callLock_);
    if (!device_) return RecordError(kErrorNoCamera), 0;
    const platform::SettingsTree tree = store_->Load();
    if (!tree.HasKey(settings::kRootKey)) return RecordError(kErrorWindow), 0;
    std::optional<settings::ReadoutWindow> preset =
        FindSizePreset(tree, deviceNumber_.load(), totalWidth, totalHeight);
    if (!preset) return RecordError(kErrorWindow), 0;

    const int32_t subSample = WithSettings([&] { return format_.subSample; });
    const bool valid = IsReadoutWindowValid(*preset, subSample);
    if (!valid) ResetToFullSensor(*preset);
    WithSettings([&] { window_ = *preset; });
    if (!valid) RecordError(kErrorWindowSize);
    if (!device_->SetCaptureWindow(preset->EHS, preset->EVS, preset->EH, preset->EV, subSample)) {
        return RecordError(kErrorWindowSize), 0;
    }
    return 1;
}

// Sets the readout window directly. 1 when the device took it. 0 with code 1 (no device core),
// 9 (a partial width or height the camera cannot read out) or 7 (the window does not fit the
// sensor, or the device refused it; the six values stay stored either way).
int CKelvra::SetCaptureWindowEx(int th, int ehs, int eh, int tv, int evs, int ev) {
    std::lock_guard<std::recursive_mutex> guard(callLock_);
    if (!device_) return RecordError(kErrorNoCamera), 0;
    if (!device_->GetWindowFlagA() && eh != kSensorAreaWidth) {
        return RecordError(kErrorParameter), 0;
    }
    if (!device_->GetWindowFlagB() && ev != kSensorAreaHeight) {
        return RecordError(kErrorParameter), 0;
    }
    int32_t subSample = 0;
    WithSettings([&] {
        window_.TH = th;
        window_.EHS = ehs;
        window_.EH = eh;
        window_.TV = tv;
        window_.EVS = evs;
        window_.EV = ev;
        subSample = format_.subSample;
    });
    if (!IsReadoutWindowValid(ReadoutWindow(), subSample)) {
        return RecordError(kErrorWindowSize), 0;
    }
    // A refusal is reported: the caller must learn that the camera kept its old window.
    if (!device_->SetCaptureWindow(ehs, evs, eh, ev, subSample)) {
        return RecordError(kErrorWindowSize), 0;
    }
    return 1;
}

// Writes the stored window through the pointers that are not null. Always 1, with or without
// a device core.
int CKelvra::GetCaptureWindowEx(int* th, int* ehs, int* eh, int* tv, int* evs, int* ev) {
    std::lock_guard<std::recursive_mutex> guard(callLock_);
    const settings::ReadoutWindow w = ReadoutWindow();
    if (th != nullptr) *th = w.TH;
    if (ehs != nullptr) *ehs = w.EHS;
    if (eh != nullptr) *eh = w.EH;
    if (tv != nullptr) *tv = w.TV;
    if (evs != nullptr) *evs = w.EVS;
    if (ev != nullptr) *ev = w.EV;
    return 1;
}

// Frame width and height of the stored window, before subsampling; no device core needed.
int CKelvra::Width() {
    std::lock_guard<std::recursive_mutex> guard(callLock_);
    return WithSettings([&] { return window_.EH; });
}

int CKelvra::Height() {
    std::lock_guard<std::recursive_mutex> guard(callLock_);
    return WithSettings([&] { return window_.EV; });
}

// Horizontal mirroring (the device's flip). 1 and the flag stored as 0/1 when the device took
// it; 0 when it refused (nothing stored); code 1 without a device core.
int CKelvra::SetMirrorH(int flag) {
    std::lock_guard<std::recursive_mutex> guard(callLock_);
    if (!device_) return RecordError(kErrorNoCamera), 0;
    const int32_t on = flag != 0 ? 1 : 0;
    if (!device_->SetFlip(on)) return 0;
    WithSettings([&] { camera_.hMirror = on; });
    return 1;
}

// Vertical mirroring (the device's mirror); as SetMirrorH, but without a device core the code
// is only posted.
int CKelvra::SetMirrorV(int flag) {
    std::lock_guard<std::recursive_mutex> guard(callLock_);
    if (!device_) return NotifyError(kErrorNoCamera), 0;
    const int32_t on = flag != 0 ? 1 : 0;
    if (!device_->SetMirror(on)) return 0;
    WithSettings([&] { camera_.vMirror = on; });
    return 1;
}

// The stored horizontal flag; code 1 and 0 without a device core.
int CKelvra::GetMirrorH() {
    std::lock_guard<std::recursive_mutex> guard(callLock_);
    if (!device_) return RecordError(kErrorNoCamera), 0;
    return WithSettings([&] { return camera_.hMirror; });
}

// The stored vertical flag; without a device core 0 and code 1 posted only.
int CKelvra::GetMirrorV() {
    std::lock_guard<std::recursive_mutex> guard(callLock_);
    if (!device_) return NotifyError(kErrorNoCamera), 0;
    return WithSettings([&] { return camera_.vMirror; });
}

}  // namespace kelvra

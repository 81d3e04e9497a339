#pragma once

#include <string>

#include "platform/SettingsStore.h"
#include "product/ProductNames.h"
#include "settings/SettingsRecords.h"

namespace kelvra::settings {

// Root of everything the library remembers, one "Camera_%02d" key per camera number below it.
inline constexpr const char* kRootKey = product_names::kSettingsRoot;

// Size presets are numbered "Size_00" to "Size_99".
inline constexpr int kMaxSizePresets = 100;

// "Software\...\Camera_%02d" for `camera` (-1 gives "Camera_-1").
std::string CameraKey(int camera);
// The preset key "Size_%02d" below the camera key.
std::string SizePresetKey(int camera, int preset);

// Per-camera settings in the settings store. Loading never fails: a missing value keeps its
// current value or takes the documented default. A value that is unusable (another type, out
// of range, not a finite number) gives what a fresh machine has: the documented default where
// there is one (filter, grey and camera settings), else the current value (stream values), and
// a size preset holding one is not taken. Saving is all or nothing.
class RegistrySettings {
  public:
    explicit RegistrySettings(platform::SettingsStore& store) : store_(store) {}

    // Without the root key: creates it with the camera key, "Size_00" and the stream values at
    // their defaults, and returns 0 (the window is left as it is). Otherwise copies the preset
    // named by "Size" into `window` and returns 1.
    int LoadSizePreset(int camera, ReadoutWindow* window, const FormatSupport& support);
    // Gives the camera key the default preset "Size_00" when it has no presets. True when the
    // key has presets now.
    bool EnsureSizePresets(int camera);
    // Reads "Color", "SubSample", "WaitTime" and "Clock", then fits the colour format to what
    // the camera offers.
    void LoadStreamFormat(int camera, StreamFormat* format, const FormatSupport& support);

    void LoadCameraSettings(int camera, CameraSettings* values, const CameraDefaults& defaults);
    bool SaveCameraSettings(int camera, const CameraSettings& values);
    void LoadFilterSettings(int camera, FilterSettings* values);
    bool SaveFilterSettings(int camera, const FilterSettings& values);
    void LoadGraySettings(int camera, GraySettings* values);
    bool SaveGraySettings(int camera, const GraySettings& values);

  private:
    platform::SettingsStore& store_;
};

// The colour format written when the root key is first created.
int32_t DefaultColorFormat(const FormatSupport& support);
// `color` adjusted to the formats the camera offers.
int32_t FitColorFormat(int32_t color, const FormatSupport& support);

}  // namespace kelvra::settings

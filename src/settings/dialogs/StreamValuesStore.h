// The stream format dialog's values in the settings store: the size presets "Size_%02d" of one
// camera and the values "Size", "Color", "SubSample", "WaitTime" and "Clock" under its key.
#pragma once

#include "platform/SettingsStore.h"
#include "settings/SettingsRecords.h"
#include "settings/dialogs/DialogHost.h"

namespace kelvra::dialogs {

// Presets are numbered 00 to 99.
inline constexpr int kMaxPresets = 100;

// Reads the presets in order up to the first missing one, and the five values; a missing value
// keeps what `current` holds. A camera without presets gets the full-sensor preset (written
// only when the dialog saves).
StreamValues LoadStreamValues(const platform::SettingsStore& store, int camera,
                              const settings::StreamFormat& current, int32_t currentSize);
// Writes every preset and the five values in one update; false when the store refused.
bool SaveStreamValues(platform::SettingsStore& store, int camera, const StreamValues& values);

}  // namespace kelvra::dialogs

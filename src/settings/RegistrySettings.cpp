#include "settings/RegistrySettings.h"

#include <cmath>
#include <cstdio>
#include <cstring>
#include <vector>

#include "KelvraSdk.h"

namespace kelvra::settings {
namespace {

constexpr char kGainKey[] = "Gain";
constexpr char kFilterKey[] = "Filter";
constexpr char kGrayKey[] = "Gray";

// Colour format indices: 8, 16, 24, 32, 48 and 64 bits per pixel.
constexpr int32_t kFormat8 = 0;
constexpr int32_t kFormat16 = 1;
constexpr int32_t kFormat24 = 2;
constexpr int32_t kFormat32 = 3;

constexpr int32_t kDefaultWaitTime = 1;
constexpr int32_t kFilterGainDefault = 100;
constexpr int32_t kGammaDefault = 100;
constexpr int32_t kBayerModeDefault = 3;
constexpr int32_t kGrayDefault = 128;

// What a stored value may hold; anything else is not used. The filter and grey ranges are those
// of the filter-value exports (grey gains: the settings dialog's wider 0-400).
constexpr ValueRange kColorRange{0, 5};
constexpr ValueRange kSubSampleRange{0, 1};
constexpr ValueRange kWaitTimeRange{0, KELVRA_MAX_WAIT_TIME};
constexpr ValueRange kClockRange{0, 2};  // normal, half, high
constexpr ValueRange kPresetIndexRange{0, kMaxSizePresets - 1};
// The window registers are 16 bits wide; whether a window fits the sensor is judged (code 7)
// when it is used.
constexpr ValueRange kWindowRange{0, 0xFFFF};
constexpr ValueRange kBufRange{1, 1024};
constexpr ValueRange kFlagRange{0, 1};
constexpr ValueRange kAutoIrisRange{0, 2};
constexpr ValueRange kGainModeRange{0, 1};
constexpr ValueRange kGrayModeRange{0, 2};
constexpr ValueRange kGrayGainRange{0, 400};
constexpr ValueRange kGrayOffsetRange{-255, 255};

std::string Subkey(int camera, const char* name) {
    return CameraKey(camera) + "\\" + name;
}

// Reads a DWORD as a signed 32-bit setting into *value when it lies in `range`. A value that is
// missing, of another type or outside the range is not used: *value is left alone and false
// returned, so an unusable value counts as a missing one.
bool ReadInt(const platform::SettingsTree& tree, const std::string& key, const char* name,
             ValueRange range, int32_t* value) {
    uint32_t raw = 0;
    if (!tree.GetDword(key, name, &raw) || !range.Holds(static_cast<int32_t>(raw))) return false;
    *value = static_cast<int32_t>(raw);
    return true;
}

// True when the key holds a value of that name, of any type.
bool HasValue(const platform::SettingsTree& tree, const std::string& key, const char* name) {
    uint32_t dword = 0;
    std::vector<uint8_t> bytes;
    return tree.GetDword(key, name, &dword) || tree.GetBinary(key, name, &bytes);
}

void WriteInt(platform::SettingsTree& tree, const std::string& key, const char* name,
              int32_t value) {
    tree.SetDword(key, name, static_cast<uint32_t>(value));
}

// A value name, the setting it maps to and what it may hold, in the order the key stores them.
template <typename Record>
struct Field {
    const char* name;
    int32_t Record::*member;
    ValueRange range = {};
};

constexpr Field<ReadoutWindow> kWindowFields[] = {
    {"TH", &ReadoutWindow::TH, kWindowRange},   {"TV", &ReadoutWindow::TV, kWindowRange},
    {"EH", &ReadoutWindow::EH, kWindowRange},   {"EV", &ReadoutWindow::EV, kWindowRange},
    {"EHS", &ReadoutWindow::EHS, kWindowRange}, {"EVS", &ReadoutWindow::EVS, kWindowRange},
    {"Buf", &ReadoutWindow::Buf, kBufRange},
};

constexpr Field<FilterSettings> kFilterFields[] = {
    {"Brightness", &FilterSettings::brightness, {-255, 255}},
    {"Contrast", &FilterSettings::contrast, {-127, 127}},
    {"Hue", &FilterSettings::hue, {-360, 360}},
    {"Saturation", &FilterSettings::saturation, {-255, 255}},
    {"Sharpness", &FilterSettings::sharpness, {0, 30}},
    {"R_Gain", &FilterSettings::redGain, {0, 400}},
    {"G_Gain", &FilterSettings::greenGain, {0, 400}},
    {"B_Gain", &FilterSettings::blueGain, {0, 400}},
    {"Gamma", &FilterSettings::gamma, {0, 200}},
    {"BayerMode", &FilterSettings::bayerMode, {0, 3}},
};

constexpr Field<GraySettings> kGrayFields[] = {
    {"Mode", &GraySettings::mode, kGrayModeRange},
    {"GainR1", &GraySettings::gainR1, kGrayGainRange},
    {"GainG1", &GraySettings::gainG1, kGrayGainRange},
    {"GainG2", &GraySettings::gainG2, kGrayGainRange},
    {"GainB1", &GraySettings::gainB1, kGrayGainRange},
    {"OffsetR1", &GraySettings::offsetR1, kGrayOffsetRange},
    {"OffsetG1", &GraySettings::offsetG1, kGrayOffsetRange},
    {"OffsetG2", &GraySettings::offsetG2, kGrayOffsetRange},
    {"OffsetB1", &GraySettings::offsetB1, kGrayOffsetRange},
};

// The "Gain" values; their ranges are the camera's (CameraRange).
constexpr Field<CameraSettings> kCameraFields[] = {
    {"Global", &CameraSettings::globalGain}, {"ColorG1", &CameraSettings::colorG1},
    {"ColorR", &CameraSettings::colorR},     {"ColorB", &CameraSettings::colorB},
    {"ColorG2", &CameraSettings::colorG2},   {"Exposure", &CameraSettings::exposure},
    {"V_Mirror", &CameraSettings::vMirror},  {"H_Mirror", &CameraSettings::hMirror},
    {"AutoIris", &CameraSettings::autoIris}, {"BlackLevel", &CameraSettings::blackLevel},
    {"GainMode", &CameraSettings::gainMode},
};
constexpr char kExposureSecondsValue[] = "ExposureEx";

ValueRange CameraRange(int32_t CameraSettings::*member, const CameraDefaults& d) {
    if (member == &CameraSettings::globalGain) return d.gainRange;
    if (member == &CameraSettings::exposure) return d.exposureRange;
    if (member == &CameraSettings::blackLevel) return d.blackLevelRange;
    if (member == &CameraSettings::vMirror || member == &CameraSettings::hMirror) {
        return kFlagRange;
    }
    if (member == &CameraSettings::autoIris) return kAutoIrisRange;
    if (member == &CameraSettings::gainMode) return kGainModeRange;
    return d.colorGainRange;
}

// A missing value leaves its setting as it is; an unusable one gives the setting the value of
// `defaults`, as a fresh machine has it.
template <typename Record, size_t N>
void ReadFields(const platform::SettingsTree& tree, const std::string& key,
                const Field<Record> (&fields)[N], const Record& defaults, Record* record) {
    for (const auto& field : fields) {
        int32_t& setting = record->*field.member;
        if (!ReadInt(tree, key, field.name, field.range, &setting) &&
            HasValue(tree, key, field.name)) {
            setting = defaults.*field.member;
        }
    }
}

template <typename Record, size_t N>
void WriteFields(platform::SettingsTree& tree, const std::string& key,
                 const Field<Record> (&fields)[N], const Record& record) {
    for (const auto& field : fields) WriteInt(tree, key, field.name, record.*field.member);
}

FilterSettings DefaultFilterSettings() {
    FilterSettings d;
    d.redGain = d.greenGain = d.blueGain = kFilterGainDefault;
    d.gamma = kGammaDefault;
    d.bayerMode = kBayerModeDefault;
    return d;
}

GraySettings DefaultGraySettings() {
    GraySettings d;
    d.gainR1 = d.gainG1 = d.gainG2 = d.gainB1 = kGrayDefault;
    d.offsetR1 = d.offsetG1 = d.offsetG2 = d.offsetB1 = kGrayDefault;
    return d;
}

CameraSettings DefaultCameraSettings(const CameraDefaults& defaults, double currentSeconds) {
    CameraSettings d;
    d.globalGain = defaults.globalGain;
    d.colorG1 = d.colorR = d.colorB = d.colorG2 = defaults.colorGain;
    d.exposure = defaults.exposure;
    d.vMirror = defaults.vMirror;
    d.hMirror = defaults.hMirror;
    d.blackLevel = defaults.blackLevel;
    d.exposureSeconds =
        defaults.exposureSecondsSupported ? defaults.exposureSeconds : currentSeconds;
    return d;
}

// The 8 bytes of a double, finite and (for a camera that works in seconds) within its limits.
bool ReadSeconds(const platform::SettingsTree& tree, const std::string& key,
                 const CameraDefaults& defaults, double* value) {
    std::vector<uint8_t> bytes;
    if (!tree.GetBinary(key, kExposureSecondsValue, &bytes) || bytes.size() != sizeof(double)) {
        return false;
    }
    double seconds = 0.0;
    std::memcpy(&seconds, bytes.data(), sizeof(double));
    if (!std::isfinite(seconds) || seconds < 0.0) return false;
    if (defaults.exposureSecondsSupported &&
        (seconds < defaults.exposureSecondsMin || seconds > defaults.exposureSecondsMax)) {
        return false;
    }
    *value = seconds;
    return true;
}

}  // namespace

std::string CameraKey(int camera) {
    char name[32];
    std::snprintf(name, sizeof name, "\\Camera_%02d", camera);
    return std::string(kRootKey) + name;
}

std::string SizePresetKey(int camera, int preset) {
    char name[32];
    std::snprintf(name, sizeof name, "\\Size_%02d", preset);
    return CameraKey(camera) + name;
}

int32_t DefaultColorFormat(const FormatSupport& support) {
    if (support.color) return kFormat24;
    if (support.sixteenBit) return kFormat16;
    if (support.eightBit) return kFormat8;
    return kFormat24;
}

int32_t FitColorFormat(int32_t color, const FormatSupport& support) {
    if (!support.eightBit && (color == kFormat8 || color == kFormat32)) {
        color = support.sixteenBit ? kFormat16 : kFormat24;
    }
    if (!support.color && color == kFormat24) {
        color = support.sixteenBit ? kFormat16 : kFormat8;
    }
    if (!support.sixteenBit && color == kFormat16) {
        color = support.color ? kFormat24 : kFormat8;
    }
    return color;
}

int RegistrySettings::LoadSizePreset(int camera, ReadoutWindow* window,
                                     const FormatSupport& support) {
    const platform::SettingsTree tree = store_.Load();
    if (!tree.HasKey(kRootKey)) {
        store_.Update([&](platform::SettingsTree& edit) {
            const std::string key = CameraKey(camera);
            WriteFields(edit, SizePresetKey(camera, 0), kWindowFields, ReadoutWindow{});
            WriteInt(edit, key, "Size", 0);
            WriteInt(edit, key, "Color", DefaultColorFormat(support));
            WriteInt(edit, key, "SubSample", 0);
            WriteInt(edit, key, "WaitTime", kDefaultWaitTime);
            WriteInt(edit, key, "Clock", 0);
        });
        return 0;
    }
    int32_t preset = 0;
    ReadInt(tree, CameraKey(camera), "Size", kPresetIndexRange, &preset);
    // A preset holding an unusable value is not taken in part: the window stays as it was, as
    // for a missing preset. Missing values alone leave their fields as they were.
    const std::string presetKey = SizePresetKey(camera, preset);
    ReadoutWindow read = *window;
    for (const auto& field : kWindowFields) {
        if (!ReadInt(tree, presetKey, field.name, field.range, &(read.*field.member)) &&
            HasValue(tree, presetKey, field.name)) {
            return 1;
        }
    }
    *window = read;
    return 1;
}

// A camera's key gets the default size preset "Size_00" the first time the camera is used, as
// the first camera key got it, so that Kelvra_SetCaptureWindow finds the full-sensor preset on
// a fresh machine. Presets the key has are kept, and nothing else is written: the stream values
// a missing value leaves as they are keep doing so.
bool RegistrySettings::EnsureSizePresets(int camera) {
    if (store_.Load().HasKey(SizePresetKey(camera, 0))) return true;
    return store_.Update([&](platform::SettingsTree& edit) {
        if (!edit.HasKey(SizePresetKey(camera, 0))) {
            WriteFields(edit, SizePresetKey(camera, 0), kWindowFields, ReadoutWindow{});
        }
    });
}

void RegistrySettings::LoadStreamFormat(int camera, StreamFormat* format,
                                        const FormatSupport& support) {
    const platform::SettingsTree tree = store_.Load();
    const std::string key = CameraKey(camera);
    ReadInt(tree, key, "Color", kColorRange, &format->color);
    ReadInt(tree, key, "SubSample", kSubSampleRange, &format->subSample);
    ReadInt(tree, key, "WaitTime", kWaitTimeRange, &format->waitTime);
    ReadInt(tree, key, "Clock", kClockRange, &format->clock);
    format->color = FitColorFormat(format->color, support);
}

void RegistrySettings::LoadCameraSettings(int camera, CameraSettings* values,
                                          const CameraDefaults& defaults) {
    const platform::SettingsTree tree = store_.Load();
    const std::string key = Subkey(camera, kGainKey);
    const CameraSettings fallback = DefaultCameraSettings(defaults, values->exposureSeconds);
    if (!tree.HasKey(key)) {
        *values = fallback;
        return;
    }
    // A value missing from an existing key, or one the camera cannot take, takes the camera's
    // default for that value, so a damaged key can never carry one setting's value into another.
    for (const auto& field : kCameraFields) {
        if (!ReadInt(tree, key, field.name, CameraRange(field.member, defaults),
                     &(values->*field.member))) {
            values->*field.member = fallback.*field.member;
        }
    }
    if (!ReadSeconds(tree, key, defaults, &values->exposureSeconds)) {
        values->exposureSeconds = fallback.exposureSeconds;
    }
}

bool RegistrySettings::SaveCameraSettings(int camera, const CameraSettings& values) {
    return store_.Update([&](platform::SettingsTree& edit) {
        const std::string key = Subkey(camera, kGainKey);
        WriteFields(edit, key, kCameraFields, values);
        edit.SetBinary(key, kExposureSecondsValue, &values.exposureSeconds, sizeof(double));
    });
}

void RegistrySettings::LoadFilterSettings(int camera, FilterSettings* values) {
    const platform::SettingsTree tree = store_.Load();
    const std::string key = Subkey(camera, kFilterKey);
    if (!tree.HasKey(key)) {
        *values = DefaultFilterSettings();
        return;
    }
    ReadFields(tree, key, kFilterFields, DefaultFilterSettings(), values);
}

bool RegistrySettings::SaveFilterSettings(int camera, const FilterSettings& values) {
    return store_.Update([&](platform::SettingsTree& edit) {
        WriteFields(edit, Subkey(camera, kFilterKey), kFilterFields, values);
    });
}

void RegistrySettings::LoadGraySettings(int camera, GraySettings* values) {
    const platform::SettingsTree tree = store_.Load();
    const std::string key = Subkey(camera, kGrayKey);
    if (!tree.HasKey(key)) {
        *values = DefaultGraySettings();
        return;
    }
    ReadFields(tree, key, kGrayFields, DefaultGraySettings(), values);
}

bool RegistrySettings::SaveGraySettings(int camera, const GraySettings& values) {
    return store_.Update([&](platform::SettingsTree& edit) {
        WriteFields(edit, Subkey(camera, kGrayKey), kGrayFields, values);
    });
}

}  // namespace kelvra::settings

#include "settings/RegistrySettings.h"

#include <cstdio>
#include <cstring>
#include <vector>

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

std::string Subkey(int camera, const char* name) {
    return CameraKey(camera) + "\\" + name;
}

// Reads a DWORD into `value` as a signed 32-bit setting; a missing value leaves it alone.
bool ReadInt(const platform::SettingsTree& tree, const std::string& key, const char* name,
             int32_t* value) {
    uint32_t raw = 0;
    if (!tree.GetDword(key, name, &raw)) return false;
    *value = static_cast<int32_t>(raw);
    return true;
}

void WriteInt(platform::SettingsTree& tree, const std::string& key, const char* name,
              int32_t value) {
    tree.SetDword(key, name, static_cast<uint32_t>(value));
}

// A value name and the setting it maps to, in the order the key stores them.
template <typename Record>
struct Field {
    const char* name;
    int32_t Record::*member;
};

constexpr Field<ReadoutWindow> kWindowFields[] = {
    {"TH", &ReadoutWindow::TH},   {"TV", &ReadoutWindow::TV},   {"EH", &ReadoutWindow::EH},
    {"EV", &ReadoutWindow::EV},   {"EHS", &ReadoutWindow::EHS}, {"EVS", &ReadoutWindow::EVS},
    {"Buf", &ReadoutWindow::Buf},
};

constexpr Field<FilterSettings> kFilterFields[] = {
    {"Brightness", &FilterSettings::brightness},
    {"Contrast", &FilterSettings::contrast},
    {"Hue", &FilterSettings::hue},
    {"Saturation", &FilterSettings::saturation},
    {"Sharpness", &FilterSettings::sharpness},
    {"R_Gain", &FilterSettings::redGain},
    {"G_Gain", &FilterSettings::greenGain},
    {"B_Gain", &FilterSettings::blueGain},
    {"Gamma", &FilterSettings::gamma},
    {"BayerMode", &FilterSettings::bayerMode},
};

constexpr Field<GraySettings> kGrayFields[] = {
    {"Mode", &GraySettings::mode},         {"GainR1", &GraySettings::gainR1},
    {"GainG1", &GraySettings::gainG1},     {"GainG2", &GraySettings::gainG2},
    {"GainB1", &GraySettings::gainB1},     {"OffsetR1", &GraySettings::offsetR1},
    {"OffsetG1", &GraySettings::offsetG1}, {"OffsetG2", &GraySettings::offsetG2},
    {"OffsetB1", &GraySettings::offsetB1},
};

constexpr Field<CameraSettings> kCameraFields[] = {
    {"Global", &CameraSettings::globalGain}, {"ColorG1", &CameraSettings::colorG1},
    {"ColorR", &CameraSettings::colorR},     {"ColorB", &CameraSettings::colorB},
    {"ColorG2", &CameraSettings::colorG2},   {"Exposure", &CameraSettings::exposure},
    {"V_Mirror", &CameraSettings::vMirror},  {"H_Mirror", &CameraSettings::hMirror},
    {"AutoIris", &CameraSettings::autoIris}, {"BlackLevel", &CameraSettings::blackLevel},
    {"GainMode", &CameraSettings::gainMode},
};
constexpr char kExposureSecondsValue[] = "ExposureEx";

template <typename Record, size_t N>
void ReadFields(const platform::SettingsTree& tree, const std::string& key,
                const Field<Record> (&fields)[N], Record* record) {
    for (const auto& field : fields) ReadInt(tree, key, field.name, &(record->*field.member));
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

bool ReadDouble(const platform::SettingsTree& tree, const std::string& key, const char* name,
                double* value) {
    std::vector<uint8_t> bytes;
    if (!tree.GetBinary(key, name, &bytes) || bytes.size() != sizeof(double)) return false;
    std::memcpy(value, bytes.data(), sizeof(double));
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
    ReadInt(tree, CameraKey(camera), "Size", &preset);
    ReadFields(tree, SizePresetKey(camera, preset), kWindowFields, window);
    return 1;
}

void RegistrySettings::LoadStreamFormat(int camera, StreamFormat* format,
                                        const FormatSupport& support) {
    const platform::SettingsTree tree = store_.Load();
    const std::string key = CameraKey(camera);
    ReadInt(tree, key, "Color", &format->color);
    ReadInt(tree, key, "SubSample", &format->subSample);
    ReadInt(tree, key, "WaitTime", &format->waitTime);
    ReadInt(tree, key, "Clock", &format->clock);
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
    // A value missing from an existing key takes the camera's default for that value, so a
    // damaged key can never carry one setting's value into another.
    for (const auto& field : kCameraFields) {
        if (!ReadInt(tree, key, field.name, &(values->*field.member))) {
            values->*field.member = fallback.*field.member;
        }
    }
    if (!ReadDouble(tree, key, kExposureSecondsValue, &values->exposureSeconds)) {
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
    ReadFields(tree, key, kFilterFields, values);
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
    ReadFields(tree, key, kGrayFields, values);
}

bool RegistrySettings::SaveGraySettings(int camera, const GraySettings& values) {
    return store_.Update([&](platform::SettingsTree& edit) {
        WriteFields(edit, Subkey(camera, kGrayKey), kGrayFields, values);
    });
}

}  // namespace kelvra::settings

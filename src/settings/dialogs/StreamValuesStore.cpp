#include "settings/dialogs/StreamValuesStore.h"

#include <string>

#include "settings/RegistrySettings.h"

namespace kelvra::dialogs {
namespace {

struct WindowField {
    const char* name;
    int32_t settings::ReadoutWindow::*member;
};

constexpr WindowField kWindowFields[] = {
    {"TH", &settings::ReadoutWindow::TH},   {"TV", &settings::ReadoutWindow::TV},
    {"EH", &settings::ReadoutWindow::EH},   {"EV", &settings::ReadoutWindow::EV},
    {"EHS", &settings::ReadoutWindow::EHS}, {"EVS", &settings::ReadoutWindow::EVS},
    {"Buf", &settings::ReadoutWindow::Buf},
};

struct StreamField {
    const char* name;
    int32_t StreamValues::*member;
};

constexpr StreamField kStreamFields[] = {
    {"Size", &StreamValues::size},           {"Color", &StreamValues::color},
    {"SubSample", &StreamValues::subSample}, {"WaitTime", &StreamValues::waitTime},
    {"Clock", &StreamValues::clock},
};

void ReadInt(const platform::SettingsTree& tree, const std::string& key, const char* name,
             int32_t* value) {
    uint32_t raw = 0;
    if (tree.GetDword(key, name, &raw)) *value = static_cast<int32_t>(raw);
}

}  // namespace

StreamValues LoadStreamValues(const platform::SettingsStore& store, int camera,
                              const settings::StreamFormat& current, int32_t currentSize) {
    const platform::SettingsTree tree = store.Load();
    StreamValues values;
    values.size = currentSize;
    values.color = current.color;
    values.subSample = current.subSample;
    values.waitTime = current.waitTime;
    values.clock = current.clock;
    for (int preset = 0; preset < kMaxPresets; ++preset) {
        const std::string key = settings::SizePresetKey(camera, preset);
        if (!tree.HasKey(key)) break;
        settings::ReadoutWindow window;
        for (const WindowField& field : kWindowFields) {
            ReadInt(tree, key, field.name, &(window.*field.member));
        }
        values.presets.push_back(window);
    }
    if (values.presets.empty()) values.presets.push_back(settings::ReadoutWindow{});
    const std::string key = settings::CameraKey(camera);
    for (const StreamField& field : kStreamFields)
        ReadInt(tree, key, field.name, &(values.*field.member));
    return values;
}

bool SaveStreamValues(platform::SettingsStore& store, int camera, const StreamValues& values) {
    return store.Update([&](platform::SettingsTree& tree) {
        for (size_t preset = 0; preset < values.presets.size(); ++preset) {
            const std::string key = settings::SizePresetKey(camera, static_cast<int>(preset));
            for (const WindowField& field : kWindowFields) {
                tree.SetDword(key, field.name,
                              static_cast<uint32_t>(values.presets[preset].*field.member));
            }
        }
        const std::string key = settings::CameraKey(camera);
        for (const StreamField& field : kStreamFields) {
            tree.SetDword(key, field.name, static_cast<uint32_t>(values.*field.member));
        }
    });
}

}  // namespace kelvra::dialogs

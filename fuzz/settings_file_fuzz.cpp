// The settings file as the library loads it: whatever the file holds, every loaded value is one
// the library can use, and whatever the store writes it reads back.
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "FuzzScratch.h"
#include "KelvraSdk.h"
#include "platform/SettingsJson.h"
#include "platform/SettingsStore.h"
#include "settings/RegistrySettings.h"

namespace {

using kelvra::settings::ValueRange;

void Check(bool holds) {
    if (!holds) std::abort();
}

// Limits of a camera like the simulated one.
kelvra::settings::CameraDefaults Camera() {
    kelvra::settings::CameraDefaults d;
    d.globalGain = 0;
    d.colorGain = 0;
    d.exposure = 100;
    d.exposureSecondsSupported = true;
    d.exposureSeconds = 0.01;
    d.exposureSecondsMin = 0.0001;
    d.exposureSecondsMax = 2.0;
    d.gainRange = {0, 480};
    d.colorGainRange = {0, 480};
    d.exposureRange = {1, 20000};
    d.blackLevelRange = {0, 4095};
    return d;
}

void CheckLoads(kelvra::platform::SettingsStore& store) {
    kelvra::settings::RegistrySettings registry(store);
    const kelvra::settings::FormatSupport support;
    kelvra::settings::ReadoutWindow window;
    registry.LoadSizePreset(0, &window, support);
    for (int32_t v : {window.TH, window.TV, window.EH, window.EV, window.EHS, window.EVS}) {
        Check(ValueRange{0, 0xFFFF}.Holds(v));
    }
    kelvra::settings::StreamFormat format;
    registry.LoadStreamFormat(0, &format, support);
    Check(ValueRange{0, 5}.Holds(format.color));
    Check(ValueRange{0, KELVRA_MAX_WAIT_TIME}.Holds(format.waitTime));
    Check(ValueRange{0, 1}.Holds(format.subSample));
    Check(ValueRange{0, 2}.Holds(format.clock));

    const kelvra::settings::CameraDefaults defaults = Camera();
    kelvra::settings::CameraSettings camera;
    registry.LoadCameraSettings(0, &camera, defaults);
    Check(defaults.exposureRange.Holds(camera.exposure));
    for (int32_t gain : {camera.colorG1, camera.colorR, camera.colorB, camera.colorG2}) {
        Check(defaults.colorGainRange.Holds(gain));
    }
    Check(defaults.gainRange.Holds(camera.globalGain));
    Check(std::isfinite(camera.exposureSeconds) &&
          camera.exposureSeconds >= defaults.exposureSecondsMin &&
          camera.exposureSeconds <= defaults.exposureSecondsMax);
    Check(ValueRange{0, 2}.Holds(camera.autoIris));

    kelvra::settings::FilterSettings filter;
    registry.LoadFilterSettings(0, &filter);
    Check(ValueRange{0, 200}.Holds(filter.gamma) && ValueRange{0, 3}.Holds(filter.bayerMode));
    Check(ValueRange{0, 30}.Holds(filter.sharpness));
    kelvra::settings::GraySettings gray;
    registry.LoadGraySettings(0, &gray);
    Check(ValueRange{0, 2}.Holds(gray.mode) && ValueRange{0, 400}.Holds(gray.gainR1));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const kelvra::fuzz::Scratch scratch;
    scratch.Clear();
    const std::string folder = scratch.Path("kelvra");
    std::filesystem::create_directory(folder);
    const std::string path = folder + "/registry.json";
    scratch.Write(path, data, size);

    kelvra::platform::SettingsStore store(path);
    // What the store reads, it writes back in a form it reads again unchanged.
    const std::string written = kelvra::platform::SettingsToJson(store.Load());
    kelvra::platform::SettingsTree again;
    Check(kelvra::platform::SettingsFromJson(written, &again));
    Check(kelvra::platform::SettingsToJson(again) == written);

    CheckLoads(store);
    return 0;
}

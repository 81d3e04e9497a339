// Per-camera settings in the settings store: defaults, missing values, and the stored forms.
#include <gtest/gtest.h>

#include <cstring>
#include <limits>
#include <vector>

#include "platform/SettingsStore.h"
#include "settings/RegistrySettings.h"
#include "support/TempConfigHome.h"

namespace kelvra::settings {
namespace {

class RegistrySettingsTest : public ::testing::Test {
  protected:
    static std::string Subkey(int camera, const char* name) {
        std::string key = CameraKey(camera);
        key += "\\";
        key += name;
        return key;
    }
    platform::SettingsTree Tree() const { return store_.Load(); }
    void Edit(const std::function<void(platform::SettingsTree&)>& edit) {
        ASSERT_TRUE(store_.Update(edit));
    }
    uint32_t Dword(const std::string& key, const char* name) const {
        uint32_t value = 0xDEADBEEF;
        EXPECT_TRUE(Tree().GetDword(key, name, &value)) << key << "\\" << name;
        return value;
    }

    test::TempConfigHome home_;
    platform::SettingsStore store_{home_.RegistryFile().string()};
    RegistrySettings registry_{store_};
};

TEST_F(RegistrySettingsTest, FirstLoadCreatesTheCameraKeyWithDefaults) {
    ReadoutWindow window;
    window.EH = 640;  // a missing root key leaves the window as it is
    EXPECT_EQ(registry_.LoadSizePreset(-1, &window, FormatSupport{}), 0);
    EXPECT_EQ(window.EH, 640);

    const std::string camera = std::string(kRootKey) + "\\Camera_-1";
    const std::string preset = camera + "\\Size_00";
    EXPECT_EQ(CameraKey(-1), camera);
    EXPECT_EQ(Dword(preset, "TH"), 1280u);
    EXPECT_EQ(Dword(preset, "TV"), 1024u);
    EXPECT_EQ(Dword(preset, "EH"), 1280u);
    EXPECT_EQ(Dword(preset, "EV"), 1024u);
    EXPECT_EQ(Dword(preset, "EHS"), 0u);
    EXPECT_EQ(Dword(preset, "EVS"), 0u);
    EXPECT_EQ(Dword(preset, "Buf"), 4u);
    EXPECT_EQ(Dword(camera, "Size"), 0u);
    EXPECT_EQ(Dword(camera, "Color"), 2u);
    EXPECT_EQ(Dword(camera, "SubSample"), 0u);
    EXPECT_EQ(Dword(camera, "WaitTime"), 1u);
    EXPECT_EQ(Dword(camera, "Clock"), 0u);

    // Once the root exists the stored preset is read back.
    EXPECT_EQ(registry_.LoadSizePreset(-1, &window, FormatSupport{}), 1);
    EXPECT_EQ(window.EH, 1280);
}

TEST_F(RegistrySettingsTest, SizePresetIsTheOneNamedBySizeAndMissingFieldsStay) {
    Edit([](platform::SettingsTree& t) {
        t.SetDword(CameraKey(0), "Size", 1);
        t.SetDword(SizePresetKey(0, 1), "EH", 640);
        t.SetDword(SizePresetKey(0, 1), "EV", 512);
        t.SetDword(SizePresetKey(0, 1), "EHS", 320);
        t.SetDword(SizePresetKey(0, 0), "EH", 100);
    });
    ReadoutWindow window;
    EXPECT_EQ(registry_.LoadSizePreset(0, &window, FormatSupport{}), 1);
    EXPECT_EQ(window.EH, 640);
    EXPECT_EQ(window.EV, 512);
    EXPECT_EQ(window.EHS, 320);
    EXPECT_EQ(window.TH, 1280);  // not in the preset
    EXPECT_EQ(window.Buf, 4);
}

TEST_F(RegistrySettingsTest, DefaultColourFollowsWhatTheCameraOffers) {
    EXPECT_EQ(DefaultColorFormat({true, true, true}), 2);
    EXPECT_EQ(DefaultColorFormat({true, true, false}), 1);
    EXPECT_EQ(DefaultColorFormat({true, false, false}), 0);
    EXPECT_EQ(DefaultColorFormat({false, false, false}), 2);

    ReadoutWindow window;
    registry_.LoadSizePreset(3, &window, {true, true, false});
    EXPECT_EQ(Dword(CameraKey(3), "Color"), 1u);
}

TEST_F(RegistrySettingsTest, ColourFormatIsFittedInOrder) {
    const FormatSupport all{true, true, true};
    const FormatSupport no8{false, true, true};
    const FormatSupport only16{false, true, false};
    const FormatSupport only8{true, false, false};
    const FormatSupport noColor{true, true, false};
    const FormatSupport no16{true, false, true};
    for (int32_t mode = 0; mode <= 5; ++mode) EXPECT_EQ(FitColorFormat(mode, all), mode);
    EXPECT_EQ(FitColorFormat(0, no8), 1);
    EXPECT_EQ(FitColorFormat(3, no8), 1);
    EXPECT_EQ(FitColorFormat(0, {false, false, true}), 2);
    // Without 8-bit and colour: 0 -> 2 by the first rule, then 2 -> 1 by the second.
    EXPECT_EQ(FitColorFormat(0, only16), 1);
    EXPECT_EQ(FitColorFormat(2, noColor), 1);
    EXPECT_EQ(FitColorFormat(2, only8), 0);
    EXPECT_EQ(FitColorFormat(1, no16), 2);
    EXPECT_EQ(FitColorFormat(1, only8), 0);
    EXPECT_EQ(FitColorFormat(4, only8), 4);  // the 48/64-bit formats are not refitted
}

TEST_F(RegistrySettingsTest, StreamFormatReadsFourValuesAndFitsColour) {
    Edit([](platform::SettingsTree& t) {
        t.SetDword(CameraKey(0), "Color", 0);
        t.SetDword(CameraKey(0), "WaitTime", 25);
    });
    StreamFormat format;
    format.subSample = 7;
    format.clock = 9;
    registry_.LoadStreamFormat(0, &format, {false, true, false});
    EXPECT_EQ(format.color, 1);
    EXPECT_EQ(format.waitTime, 25);
    EXPECT_EQ(format.subSample, 7);  // missing values stay
    EXPECT_EQ(format.clock, 9);
}

TEST_F(RegistrySettingsTest, FilterAndGrayDefaultsAndMissingValues) {
    FilterSettings filter;
    registry_.LoadFilterSettings(0, &filter);
    EXPECT_EQ(filter.redGain, 100);
    EXPECT_EQ(filter.greenGain, 100);
    EXPECT_EQ(filter.blueGain, 100);
    EXPECT_EQ(filter.gamma, 100);
    EXPECT_EQ(filter.bayerMode, 3);
    EXPECT_EQ(filter.brightness, 0);

    GraySettings gray;
    registry_.LoadGraySettings(0, &gray);
    EXPECT_EQ(gray.mode, 0);
    for (int32_t v : {gray.gainR1, gray.gainG1, gray.gainG2, gray.gainB1, gray.offsetR1,
                      gray.offsetG1, gray.offsetG2, gray.offsetB1}) {
        EXPECT_EQ(v, 128);
    }

    // A Filter key without "Gamma" leaves gamma at its previous value.
    Edit([](platform::SettingsTree& t) {
        t.SetDword(CameraKey(1) + "\\Filter", "Brightness", static_cast<uint32_t>(-200));
    });
    FilterSettings reloaded;
    reloaded.gamma = 77;
    reloaded.redGain = 55;
    registry_.LoadFilterSettings(1, &reloaded);
    EXPECT_EQ(reloaded.gamma, 77);
    EXPECT_EQ(reloaded.redGain, 55);
    EXPECT_EQ(reloaded.brightness, -200);  // negative values survive the DWORD form
}

TEST_F(RegistrySettingsTest, CameraSettingsRoundTripWithExposureInSecondsAsRawDouble) {
    CameraSettings values;
    values.globalGain = 12;
    values.colorG1 = 1;
    values.colorR = 2;
    values.colorB = 3;
    values.colorG2 = 4;
    values.exposure = 15;
    values.vMirror = 1;
    values.autoIris = 2;
    values.blackLevel = 50;
    values.gainMode = 1;
    values.exposureSeconds = 0.0015;
    ASSERT_TRUE(registry_.SaveCameraSettings(0, values));

    std::vector<uint8_t> bytes;
    ASSERT_TRUE(Tree().GetBinary(CameraKey(0) + "\\Gain", "ExposureEx", &bytes));
    ASSERT_EQ(bytes.size(), 8u);
    double stored = 0;
    std::memcpy(&stored, bytes.data(), 8);
    EXPECT_EQ(stored, 0.0015);

    CameraSettings loaded;
    registry_.LoadCameraSettings(0, &loaded, CameraDefaults{});
    EXPECT_EQ(loaded.globalGain, 12);
    EXPECT_EQ(loaded.colorR, 2);
    EXPECT_EQ(loaded.colorG2, 4);
    EXPECT_EQ(loaded.exposure, 15);
    EXPECT_EQ(loaded.vMirror, 1);
    EXPECT_EQ(loaded.hMirror, 0);
    EXPECT_EQ(loaded.autoIris, 2);
    EXPECT_EQ(loaded.blackLevel, 50);
    EXPECT_EQ(loaded.gainMode, 1);
    EXPECT_EQ(loaded.exposureSeconds, 0.0015);
}

TEST_F(RegistrySettingsTest, CameraSettingsFallBackToTheCameraDefaults) {
    CameraDefaults defaults;
    defaults.globalGain = 10;
    defaults.colorGain = 20;
    defaults.exposure = 300;
    defaults.vMirror = 1;
    defaults.hMirror = 0;
    defaults.blackLevel = 60;
    defaults.exposureSecondsSupported = true;
    defaults.exposureSeconds = 0.03;

    CameraSettings loaded;
    loaded.gainMode = 5;
    registry_.LoadCameraSettings(0, &loaded, defaults);  // no Gain key at all
    EXPECT_EQ(loaded.globalGain, 10);
    EXPECT_EQ(loaded.colorG1, 20);
    EXPECT_EQ(loaded.colorB, 20);
    EXPECT_EQ(loaded.exposure, 300);
    EXPECT_EQ(loaded.vMirror, 1);
    EXPECT_EQ(loaded.blackLevel, 60);
    EXPECT_EQ(loaded.autoIris, 0);
    EXPECT_EQ(loaded.gainMode, 0);
    EXPECT_EQ(loaded.exposureSeconds, 0.03);

    // A key with values missing, or an ExposureEx of the wrong size, takes each value's own
    // default, never its neighbour's.
    Edit([](platform::SettingsTree& t) {
        t.SetDword(CameraKey(0) + "\\Gain", "Global", 99);
        const uint8_t shortBinary[4] = {1, 2, 3, 4};
        t.SetBinary(CameraKey(0) + "\\Gain", "ExposureEx", shortBinary, sizeof shortBinary);
    });
    registry_.LoadCameraSettings(0, &loaded, defaults);
    EXPECT_EQ(loaded.globalGain, 99);
    EXPECT_EQ(loaded.colorG1, 20);
    EXPECT_EQ(loaded.exposure, 300);
    EXPECT_EQ(loaded.exposureSeconds, 0.03);

    // Without seconds support the seconds setting is left alone.
    defaults.exposureSecondsSupported = false;
    CameraSettings other;
    other.exposureSeconds = 0.5;
    registry_.LoadCameraSettings(7, &other, defaults);
    EXPECT_EQ(other.exposureSeconds, 0.5);
}

TEST_F(RegistrySettingsTest, SaveIntoAnUnwritableStoreFailsWithoutDamage) {
    FilterSettings filter;
    filter.gamma = 120;
    ASSERT_TRUE(registry_.SaveFilterSettings(0, filter));
    platform::SettingsStore unwritable("/proc/kelvra-no-such-dir/registry.json");
    RegistrySettings broken(unwritable);
    EXPECT_FALSE(broken.SaveFilterSettings(0, filter));
    FilterSettings reloaded;
    registry_.LoadFilterSettings(0, &reloaded);
    EXPECT_EQ(reloaded.gamma, 120);
}

// Values another program (or a damaged file) left in the store: another type, outside what the
// library can use, not a finite number. Each gives what a fresh machine has, never the stored
// value.
TEST_F(RegistrySettingsTest, UnusableStoredValuesGiveWhatAFreshMachineHas) {
    const std::string camera = CameraKey(0);
    const std::string gain = Subkey(0, "Gain");
    const uint8_t notADword[2] = {1, 2};
    const double nan = std::numeric_limits<double>::quiet_NaN();
    Edit([&](platform::SettingsTree& t) {
        t.SetDword(camera, "Size", 0);
        t.SetDword(camera, "WaitTime", 0xFFFFFFFF);
        t.SetDword(camera, "Color", 9);
        t.SetDword(camera, "SubSample", 5);
        t.SetBinary(camera, "Clock", notADword, sizeof notADword);
        t.SetDword(SizePresetKey(0, 0), "EV", 512);
        t.SetDword(SizePresetKey(0, 0), "EH", static_cast<uint32_t>(-5));
        t.SetDword(gain, "Exposure", 30000000);  // x 100 overflows 32 bits
        t.SetDword(gain, "Global", 481);
        t.SetDword(gain, "V_Mirror", 2);
        t.SetBinary(gain, "ExposureEx", &nan, sizeof nan);
        t.SetBinary(Subkey(0, "Filter"), "Gamma", notADword, sizeof notADword);
        t.SetDword(Subkey(0, "Filter"), "Hue", 361);
        t.SetDword(Subkey(0, "Filter"), "Contrast", static_cast<uint32_t>(-127));
        t.SetDword(Subkey(0, "Gray"), "Mode", 3);
        t.SetDword(Subkey(0, "Gray"), "OffsetB1", static_cast<uint32_t>(-256));
    });
    StreamFormat format;
    format.waitTime = 10;
    format.color = 0;
    format.subSample = 1;
    format.clock = 2;
    registry_.LoadStreamFormat(0, &format, FormatSupport{});
    EXPECT_EQ(format.waitTime, 10);
    EXPECT_EQ(format.color, 0);
    EXPECT_EQ(format.subSample, 1);
    EXPECT_EQ(format.clock, 2);

    ReadoutWindow window;
    window.EH = 640;
    EXPECT_EQ(registry_.LoadSizePreset(0, &window, FormatSupport{}), 1);
    EXPECT_EQ(window.EH, 640);  // the preset is refused whole, not mixed into the window
    EXPECT_EQ(window.EV, 1024);

    CameraDefaults defaults;
    defaults.globalGain = 10;
    defaults.exposure = 300;
    defaults.vMirror = 1;
    defaults.exposureSecondsSupported = true;
    defaults.exposureSeconds = 0.03;
    defaults.exposureSecondsMax = 2.0;
    defaults.gainRange = {0, 480};
    defaults.exposureRange = {1, 20000};
    CameraSettings loaded;
    registry_.LoadCameraSettings(0, &loaded, defaults);
    EXPECT_EQ(loaded.exposure, 300);
    EXPECT_EQ(loaded.globalGain, 10);
    EXPECT_EQ(loaded.vMirror, 1);
    EXPECT_EQ(loaded.exposureSeconds, 0.03);
    const double beyond = 2.5;  // seconds past the camera's maximum
    Edit([&](platform::SettingsTree& t) { t.SetBinary(gain, "ExposureEx", &beyond, 8); });
    registry_.LoadCameraSettings(0, &loaded, defaults);
    EXPECT_EQ(loaded.exposureSeconds, 0.03);

    FilterSettings filter;
    filter.gamma = 77;
    filter.hue = 5;
    filter.bayerMode = 1;
    registry_.LoadFilterSettings(0, &filter);
    EXPECT_EQ(filter.gamma, 100);
    EXPECT_EQ(filter.hue, 0);
    EXPECT_EQ(filter.bayerMode, 1);    // missing: left as it was
    EXPECT_EQ(filter.contrast, -127);  // the limits themselves are usable
    GraySettings gray;
    gray.mode = 1;
    gray.offsetB1 = 20;
    registry_.LoadGraySettings(0, &gray);
    EXPECT_EQ(gray.mode, 0);
    EXPECT_EQ(gray.offsetB1, 128);
}

// A camera used for the first time gets the full-sensor preset of its own; presets its key
// already holds stay as they are.
TEST_F(RegistrySettingsTest, CameraKeyGetsADefaultPresetOnFirstUse) {
    ReadoutWindow window;
    ASSERT_EQ(registry_.LoadSizePreset(-1, &window, FormatSupport{}), 0);  // the root exists now
    ASSERT_TRUE(registry_.EnsureSizePresets(1));
    EXPECT_EQ(Dword(SizePresetKey(1, 0), "TH"), 1280u);
    EXPECT_EQ(Dword(SizePresetKey(1, 0), "EV"), 1024u);
    EXPECT_EQ(Dword(SizePresetKey(1, 0), "Buf"), 4u);
    uint32_t unused = 0;
    EXPECT_FALSE(Tree().GetDword(CameraKey(1), "Color", &unused));  // stream values untouched

    Edit([](platform::SettingsTree& t) { t.SetDword(SizePresetKey(2, 0), "TH", 640); });
    ASSERT_TRUE(registry_.EnsureSizePresets(2));
    EXPECT_EQ(Dword(SizePresetKey(2, 0), "TH"), 640u);
    EXPECT_FALSE(Tree().GetDword(SizePresetKey(2, 0), "EH", &unused));
}

}  // namespace
}  // namespace kelvra::settings

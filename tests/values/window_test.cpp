// Readout window, size presets and mirroring.
#include <gtest/gtest.h>

#include "platform/SettingsStore.h"
#include "settings/RegistrySettings.h"
#include "values/ValuesFixture.h"

namespace kelvra::test {
namespace {

using Window = settings::ReadoutWindow;

class WindowValues : public ValuesTest {
  protected:
    platform::SettingsStore Store() const {
        return platform::SettingsStore(home_.RegistryFile().string());
    }
    // Replaces the presets of `camera` with `presets`, numbered from Size_00.
    void SetPresets(int camera, const std::vector<Window>& presets) {
        ASSERT_TRUE(Store().Update([&](platform::SettingsTree& t) {
            for (int i = 0; i < 100; ++i) t.DeleteKey(settings::SizePresetKey(camera, i));
            for (size_t i = 0; i < presets.size(); ++i) {
                const std::string key = settings::SizePresetKey(camera, static_cast<int>(i));
                const Window& w = presets[i];
                t.SetDword(key, "TH", w.TH);
                t.SetDword(key, "TV", w.TV);
                t.SetDword(key, "EH", w.EH);
                t.SetDword(key, "EV", w.EV);
                t.SetDword(key, "EHS", w.EHS);
                t.SetDword(key, "EVS", w.EVS);
                t.SetDword(key, "Buf", w.Buf);
            }
        }));
    }
    std::vector<int> Window6() {
        std::vector<int> v(6, -99);
        EXPECT_EQ(front_->GetCaptureWindowEx(&v[0], &v[1], &v[2], &v[3], &v[4], &v[5]), 1);
        return v;  // TH, EHS, EH, TV, EVS, EV
    }
};

Window Preset(int th, int tv, int eh, int ev, int ehs, int evs, int buf = 4) {
    Window w;
    w.TH = th;
    w.TV = tv;
    w.EH = eh;
    w.EV = ev;
    w.EHS = ehs;
    w.EVS = evs;
    w.Buf = buf;
    return w;
}

TEST_F(WindowValues, PresetWithMatchingTotalSizeIsAppliedAndSentToTheDevice) {
    // The camera selected at initialisation is -1 here (no camera was attached).
    SetPresets(-1, {Preset(1280, 1024, 1280, 1024, 0, 0), Preset(800, 600, 640, 480, 16, 8, 6),
                    Preset(800, 600, 320, 240, 0, 0)});
    EXPECT_EQ(front_->SetCaptureWindow(800, 600), 1);
    EXPECT_EQ(Window6(), (std::vector<int>{800, 16, 640, 600, 8, 480}));
    EXPECT_EQ(front_->ReadoutWindow().Buf, 6);  // the first match wins
    EXPECT_EQ(front_->Width(), 640);
    EXPECT_EQ(front_->Height(), 480);
    EXPECT_TRUE(Logged("SetCaptureWindow 16 8 640 480 0"));
    EXPECT_TRUE(Errors().empty());
    EXPECT_TRUE(Posted().empty());
}

TEST_F(WindowValues, PresetsOfTheSelectedCameraAreUsed) {
    ScriptedDeviceCore::Script one;
    one.count = 1;
    one.present = {0};
    Make({}, one);
    ASSERT_EQ(front_->CurrentDeviceNumber(), 0);
    SetPresets(-1, {Preset(640, 512, 640, 512, 0, 0)});
    EXPECT_EQ(front_->SetCaptureWindow(640, 512), 0);
    EXPECT_EQ(Errors(), std::vector<int32_t>{4});
    SetPresets(0, {Preset(640, 512, 640, 512, 320, 256)});
    EXPECT_EQ(front_->SetCaptureWindow(640, 512), 1);
    EXPECT_EQ(front_->ReadoutWindow().EHS, 320);
}

TEST_F(WindowValues, NoMatchingPresetOrNoSettingsRootIsCodeFour) {
    const std::vector<int> before = Window6();
    EXPECT_EQ(front_->SetCaptureWindow(1280, 1023), 0);
    EXPECT_EQ(Errors(), std::vector<int32_t>{4});

    // The list ends at the first missing number: Size_02 is never looked at.
    SetPresets(-1, {Preset(1280, 1024, 1280, 1024, 0, 0)});
    ASSERT_TRUE(Store().Update([](platform::SettingsTree& t) {
        t.SetDword(settings::SizePresetKey(-1, 2), "TH", 640);
        t.SetDword(settings::SizePresetKey(-1, 2), "TV", 480);
    }));
    EXPECT_EQ(front_->SetCaptureWindow(640, 480), 0);
    EXPECT_EQ(Errors(), std::vector<int32_t>{4});

    ASSERT_TRUE(Store().Update(
        [](platform::SettingsTree& t) { ASSERT_TRUE(t.DeleteKey(settings::kRootKey)); }));
    EXPECT_EQ(front_->SetCaptureWindow(1280, 1024), 0);
    EXPECT_EQ(Errors(), std::vector<int32_t>{4});
    EXPECT_EQ(Window6(), before);
    EXPECT_FALSE(Logged("SetCaptureWindow 0 0 1280 1024 0"));
}

TEST_F(WindowValues, PresetMissingAValueIsNotTaken) {
    SetPresets(-1, {Preset(640, 480, 640, 480, 0, 0), Preset(640, 480, 320, 240, 0, 0)});
    ASSERT_TRUE(Store().Update(
        [](platform::SettingsTree& t) { t.DeleteValue(settings::SizePresetKey(-1, 0), "Buf"); }));
    EXPECT_EQ(front_->SetCaptureWindow(640, 480), 1);
    EXPECT_EQ(front_->Width(), 320);
}

TEST_F(WindowValues, InvalidPresetIsReplacedByTheFullSensorWithCodeSeven) {
    // Each preset breaks one rule; the edges one pixel inside are valid.
    const std::vector<Window> bad = {
        Preset(10, 1, 1281, 1024, 0, 0, 5), Preset(10, 2, 1280, 1025, 0, 0, 5),
        Preset(10, 3, 640, 480, 641, 0, 5), Preset(10, 4, 640, 480, 0, 545, 5),
        Preset(10, 5, -1, 480, 0, 0, 5),    Preset(10, 6, 640, 480, 0, -1, 5),
    };
    SetPresets(-1, bad);
    for (int tv = 1; tv <= 6; ++tv) {
        ASSERT_TRUE(front_->SetCaptureWindowEx(100, 1, 640, 100, 1, 480)) << tv;
        EXPECT_EQ(front_->SetCaptureWindow(10, tv), 1) << tv;
        EXPECT_EQ(Errors(), std::vector<int32_t>{7}) << tv;
        EXPECT_EQ(Window6(), (std::vector<int>{1280, 0, 1280, 1024, 0, 1024})) << tv;
        EXPECT_EQ(front_->ReadoutWindow().Buf, 5) << tv;
    }
    EXPECT_TRUE(Logged("SetCaptureWindow 0 0 1280 1024 0"));

    SetPresets(-1, {Preset(10, 7, 640, 480, 640, 544)});
    EXPECT_EQ(front_->SetCaptureWindow(10, 7), 1);
    EXPECT_TRUE(Errors().empty());
    EXPECT_EQ(front_->ReadoutWindow().EVS, 544);
}

TEST_F(WindowValues, PresetTheDeviceRefusesIsReportedAndKept) {
    Make({.refuseWindow = true});
    SetPresets(-1, {Preset(800, 600, 640, 480, 0, 0)});
    EXPECT_EQ(front_->SetCaptureWindow(800, 600), 0);
    EXPECT_EQ(Errors(), std::vector<int32_t>{7});
    EXPECT_EQ(front_->Width(), 640);
}

TEST_F(WindowValues, DirectWindowIsValidatedAndSent) {
    EXPECT_EQ(front_->SetCaptureWindowEx(1300, 8, 1272, 1100, 4, 1020), 1);
    EXPECT_EQ(Window6(), (std::vector<int>{1300, 8, 1272, 1100, 4, 1020}));
    EXPECT_TRUE(Logged("SetCaptureWindow 8 4 1272 1020 0"));
    EXPECT_TRUE(Errors().empty());

    // Outside the sensor: code 7, 0, the values stay stored and the device is not asked.
    log_.clear();
    EXPECT_EQ(front_->SetCaptureWindowEx(1300, 9, 1272, 1100, 4, 1020), 0);
    EXPECT_EQ(Errors(), std::vector<int32_t>{7});
    EXPECT_EQ(Window6(), (std::vector<int>{1300, 9, 1272, 1100, 4, 1020}));
    EXPECT_EQ(front_->SetCaptureWindowEx(1300, 0, 1280, 1100, 1024, 0), 1);
    EXPECT_EQ(front_->SetCaptureWindowEx(1300, 0, 1280, 1100, 1025, 0), 0);
    EXPECT_EQ(front_->SetCaptureWindowEx(1300, 0x7FFFFFFF, 1, 1100, 0, 1), 0);
    EXPECT_EQ(Errors(), (std::vector<int32_t>{7, 7}));
    EXPECT_EQ(log_, std::vector<std::string>{"SetCaptureWindow 0 1024 1280 0 0"});
}

TEST_F(WindowValues, PartialWidthOrHeightNeedsTheCamerasWindowFlags) {
    Make({.windowFlagA = false, .windowFlagB = false});
    EXPECT_EQ(front_->SetCaptureWindowEx(1280, 0, 640, 1024, 0, 1024), 0);
    EXPECT_EQ(front_->SetCaptureWindowEx(1280, 0, 1280, 1024, 0, 512), 0);
    EXPECT_EQ(Errors(), (std::vector<int32_t>{9, 9}));
    EXPECT_EQ(front_->Width(), 1280);  // refused before anything was stored
    EXPECT_EQ(front_->Height(), 1024);
    EXPECT_EQ(front_->SetCaptureWindowEx(1300, 0, 1280, 1100, 0, 1024), 1);

    Make({.windowFlagA = true, .windowFlagB = false});
    EXPECT_EQ(front_->SetCaptureWindowEx(1280, 0, 640, 1024, 0, 1024), 1);
    EXPECT_EQ(front_->SetCaptureWindowEx(1280, 0, 640, 1024, 0, 1000), 0);
    EXPECT_EQ(Errors(), std::vector<int32_t>{9});

    Make({.windowFlagA = false, .windowFlagB = true});
    EXPECT_EQ(front_->SetCaptureWindowEx(1280, 0, 1280, 1024, 0, 100), 1);
    EXPECT_EQ(front_->SetCaptureWindowEx(1280, 0, 1000, 1024, 0, 100), 0);
    EXPECT_EQ(Errors(), std::vector<int32_t>{9});
}

TEST_F(WindowValues, DirectWindowTheDeviceRefusesIsCodeSeven) {
    Make({.refuseWindow = true});
    EXPECT_EQ(front_->SetCaptureWindowEx(1280, 0, 640, 1024, 0, 512), 0);
    EXPECT_EQ(Errors(), std::vector<int32_t>{7});
    EXPECT_EQ(front_->Height(), 512);
}

TEST_F(WindowValues, GetterSkipsNullPointersAndNeedsNoDevice) {
    ASSERT_EQ(front_->SetCaptureWindowEx(1290, 2, 1200, 1030, 3, 1000), 1);
    int th = 0, ev = 0;
    EXPECT_EQ(front_->GetCaptureWindowEx(&th, nullptr, nullptr, nullptr, nullptr, &ev), 1);
    EXPECT_EQ(th, 1290);
    EXPECT_EQ(ev, 1000);
    EXPECT_EQ(front_->GetCaptureWindowEx(nullptr, nullptr, nullptr, nullptr, nullptr, nullptr), 1);

    MakeWithoutDevice();
    EXPECT_EQ(Window6(), (std::vector<int>{1280, 0, 1280, 1024, 0, 1024}));
    EXPECT_EQ(front_->Width(), 1280);
    EXPECT_EQ(front_->Height(), 1024);
    EXPECT_TRUE(Errors().empty());
    EXPECT_TRUE(Posted().empty());
}

TEST_F(WindowValues, WindowCallsWithoutDeviceAreCodeOne) {
    MakeWithoutDevice();
    EXPECT_EQ(front_->SetCaptureWindow(1280, 1024), 0);
    EXPECT_EQ(front_->SetCaptureWindowEx(1280, 0, 1280, 1024, 0, 1024), 0);
    EXPECT_EQ(Errors(), (std::vector<int32_t>{1, 1}));
}

TEST_F(WindowValues, MirrorFlagsAreStoredAsZeroOrOne) {
    EXPECT_EQ(front_->SetMirrorH(7), 1);
    EXPECT_EQ(front_->SetMirrorV(-3), 1);
    EXPECT_EQ(front_->GetMirrorH(), 1);
    EXPECT_EQ(front_->GetMirrorV(), 1);
    EXPECT_EQ(front_->CameraSettings().hMirror, 1);
    EXPECT_EQ(front_->CameraSettings().vMirror, 1);
    EXPECT_EQ(log_, (std::vector<std::string>{"SetFlip 1", "SetMirror 1"}));
    EXPECT_EQ(front_->SetMirrorH(0), 1);
    EXPECT_EQ(front_->GetMirrorH(), 0);
    EXPECT_EQ(front_->GetMirrorV(), 1);

    Make({.refuseWrites = true});
    EXPECT_EQ(front_->SetMirrorH(1), 0);
    EXPECT_EQ(front_->SetMirrorV(1), 0);
    EXPECT_EQ(front_->GetMirrorH(), 0);
    EXPECT_EQ(front_->GetMirrorV(), 0);
    EXPECT_TRUE(Errors().empty());
}

TEST_F(WindowValues, MirrorWithoutDeviceRecordsHorizontalAndOnlyPostsVertical) {
    MakeWithoutDevice();
    EXPECT_EQ(front_->SetMirrorH(1), 0);
    EXPECT_EQ(front_->GetMirrorH(), 0);
    EXPECT_EQ(front_->SetMirrorV(1), 0);
    EXPECT_EQ(front_->GetMirrorV(), 0);
    EXPECT_EQ(Errors(), (std::vector<int32_t>{1, 1}));
    EXPECT_EQ(Posted(), (std::vector<intptr_t>{1, 1, 1, 1}));
}

}  // namespace
}  // namespace kelvra::test

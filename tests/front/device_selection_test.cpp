// Camera selection, naming and the settings that follow a camera, through a scripted device
// core.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <memory>

#include "front/CKelvra.h"
#include "front/ScriptedDeviceCore.h"
#include "platform/SettingsStore.h"
#include "settings/RegistrySettings.h"
#include "support/TempConfigHome.h"

namespace kelvra {
namespace {

using test::ScriptedDeviceCore;

ScriptedDeviceCore::Script Cameras(int count, std::set<int> present) {
    ScriptedDeviceCore::Script script;
    script.count = count;
    script.present = std::move(present);
    return script;
}

ScriptedDeviceCore::Script With(ScriptedDeviceCore::Script script,
                                bool ScriptedDeviceCore::Script::*flag) {
    script.*flag = true;
    return script;
}

class DeviceSelection : public ::testing::Test {
  protected:
    std::unique_ptr<CKelvra> MakeFront(ScriptedDeviceCore::Script script) {
        auto front = std::make_unique<CKelvra>(
            [this, script] { return std::make_unique<ScriptedDeviceCore>(script, &log_); });
        front->Initialize(nullptr);
        return front;
    }
    std::vector<int32_t> Errors(CKelvra& front) {
        std::vector<int32_t> codes;
        for (int32_t code; (code = front.PopLastError()) != 0;) codes.push_back(code);
        return codes;
    }
    size_t CountInLog(const std::string& line) const {
        return static_cast<size_t>(std::count(log_.begin(), log_.end(), line));
    }
    platform::SettingsTree Tree() const {
        return platform::SettingsStore(home_.RegistryFile().string()).Load();
    }

    test::TempConfigHome home_;
    std::vector<std::string> log_;
};

TEST_F(DeviceSelection, InitialisationOrderAndSingleCameraIsOpened) {
    auto front = MakeFront(Cameras(1, {0}));
    ASSERT_GE(log_.size(), 4u);
    EXPECT_EQ(log_[0], "SetProductId 12912");
    EXPECT_EQ(log_[1], "CreateController");
    EXPECT_EQ(log_[2], "CountDevices 12912");
    // Camera number 0 is the first camera present, found by walking the instance numbers.
    const auto open = std::find(log_.begin(), log_.end(), "OpenCamera 0");
    ASSERT_NE(open, log_.end());
    EXPECT_EQ(front->CurrentDeviceNumber(), 0);
    // The camera's defaults were applied, in the camera's order.
    ASSERT_GE(log_.end() - open, 9);
    const std::vector<std::string> applied(open + 1, open + 9);
    EXPECT_EQ(applied,
              (std::vector<std::string>{"SetGain 16", "SetColorGainGreen1 32", "SetColorGainRed 32",
                                        "SetColorGainBlue 32", "SetColorGainGreen2 32",
                                        "SetExposureTime 100", "SetMirror 0", "SetFlip 0"}));
    EXPECT_TRUE(Errors(*front).empty());
}

TEST_F(DeviceSelection, TwoCamerasAreListedButNoneOpened) {
    auto front = MakeFront(Cameras(2, {0, 1}));
    EXPECT_EQ(CountInLog("OpenCamera 0"), 0u);
    EXPECT_EQ(front->CurrentDeviceNumber(), -1);
    char names[10][256];
    std::memset(names, 'x', sizeof names);
    EXPECT_EQ(front->EnumDevice(names), 2);
    EXPECT_STREQ(names[0], "KelvraK4SWIRTEC_01");
    EXPECT_STREQ(names[1], "KelvraK4SWIRTEC_02");
    for (int k = 2; k < 10; ++k) EXPECT_EQ(names[k][0], '\0') << k;
    char text[32];
    EXPECT_EQ(front->GetDeviceName(1, text, sizeof text), 1);
    EXPECT_STREQ(text, "KelvraK4SWIRTEC_02");
}

// Instance numbers with gaps (cameras that left): every call numbers the cameras present, in
// instance order, so the names EnumDevice lists are those GetDeviceName gives.
TEST_F(DeviceSelection, EnumAndGetDeviceNameNumberThePresentCamerasAlike) {
    auto front = MakeFront(Cameras(4, {0, 2, 3, 5}));
    char names[10][256];
    EXPECT_EQ(front->EnumDevice(names), 4);
    EXPECT_STREQ(names[0], "KelvraK4SWIRTEC_01");
    EXPECT_STREQ(names[3], "KelvraK4SWIRTEC_04");
    char text[32];
    EXPECT_EQ(front->GetDeviceName(2, text, sizeof text), 1);
    EXPECT_STREQ(text, "KelvraK4SWIRTEC_03");
    EXPECT_EQ(front->GetDeviceName(3, text, sizeof text), 1);
    EXPECT_STREQ(text, "KelvraK4SWIRTEC_04");
    EXPECT_EQ(front->GetDeviceName(4, text, sizeof text), 0);
    EXPECT_EQ(Errors(*front), (std::vector<int32_t>{2}));
}

TEST_F(DeviceSelection, ListingStopsAtTheCallersTenEntries) {
    std::set<int> present;
    for (int i = 0; i < 14; ++i) present.insert(i);
    auto front = MakeFront(Cameras(14, present));
    char names[12][256];
    std::memset(names, 'x', sizeof names);
    EXPECT_EQ(front->EnumDevice(names), 10);
    EXPECT_STREQ(names[9], "KelvraK4SWIRTEC_10");
    EXPECT_EQ(names[10][0], 'x');
    EXPECT_EQ(names[11][255], 'x');

    WCHAR wide[11][256];
    std::memset(wide, 0x55, sizeof wide);
    EXPECT_EQ(front->EnumDeviceW(wide), 10);
    EXPECT_EQ(std::u16string(wide[9]), u"KelvraK4SWIRTEC_10");
    EXPECT_EQ(wide[10][0], 0x5555);
}

TEST_F(DeviceSelection, NameBuffersNeverOverflow) {
    auto front = MakeFront(Cameras(1, {0}));
    // The name takes 19 bytes with its terminator.
    for (int length : {17, 18}) {
        char text[24];
        std::memset(text, 'x', sizeof text);
        EXPECT_EQ(front->GetDeviceName(0, text, length), 0) << length;
        EXPECT_EQ(text[0], 'x');
        EXPECT_EQ(Errors(*front), (std::vector<int32_t>{9}));
    }
    char text[24];
    std::memset(text, 'x', sizeof text);
    EXPECT_EQ(front->GetDeviceName(0, text, 19), 1);
    EXPECT_STREQ(text, "KelvraK4SWIRTEC_01");
    EXPECT_EQ(text[19], 'x');

    WCHAR wide[24];
    std::fill(std::begin(wide), std::end(wide), u'#');
    EXPECT_EQ(front->GetDeviceNameW(0, wide, 18), 0);
    EXPECT_EQ(wide[0], u'#');
    EXPECT_EQ(Errors(*front), (std::vector<int32_t>{12}));
    EXPECT_EQ(front->GetDeviceNameW(0, wide, 19), 1);
    EXPECT_EQ(std::u16string(wide), u"KelvraK4SWIRTEC_01");
    EXPECT_EQ(wide[19], u'#');
    EXPECT_EQ(front->GetDeviceNameW(0, nullptr, 19), 0);
    EXPECT_EQ(Errors(*front), (std::vector<int32_t>{12}));
}

TEST_F(DeviceSelection, SetDeviceNumberRulesAndFailures) {
    auto front = MakeFront(Cameras(1, {0}));
    ASSERT_EQ(front->CurrentDeviceNumber(), 0);
    EXPECT_EQ(front->SetDeviceNumber(0), 1);  // the current camera is not reopened
    EXPECT_EQ(CountInLog("OpenCamera 0"), 1u);
    EXPECT_EQ(front->SetDeviceNumber(3), 0);
    EXPECT_EQ(Errors(*front), (std::vector<int32_t>{2}));
    EXPECT_EQ(front->CurrentDeviceNumber(), 0);

    auto failing = MakeFront(With(Cameras(2, {0, 1}), &ScriptedDeviceCore::Script::openFails));
    EXPECT_EQ(failing->SetDeviceNumber(1), 0);
    EXPECT_EQ(Errors(*failing), (std::vector<int32_t>{2}));
    EXPECT_EQ(failing->CurrentDeviceNumber(), -1);
}

TEST_F(DeviceSelection, SwitchingSavesTheOldCameraAndAppliesTheNewOnesSettings) {
    // Camera 1 has stored settings of its own.
    {
        platform::SettingsStore store(home_.RegistryFile().string());
        settings::RegistrySettings registry(store);
        settings::CameraSettings stored;
        stored.globalGain = 77;
        stored.exposure = 4321;
        stored.hMirror = 1;
        ASSERT_TRUE(registry.SaveCameraSettings(1, stored));
    }
    auto front = MakeFront(With(Cameras(2, {0, 1}), &ScriptedDeviceCore::Script::cooler));
    ASSERT_EQ(front->SetDeviceNumber(0), 1);
    EXPECT_FALSE(Tree().HasKey(settings::CameraKey(0) + "\\Gain"));
    log_.clear();
    ASSERT_EQ(front->SetDeviceNumber(1), 1);

    const auto tree = Tree();
    for (const char* group : {"\\Gain", "\\Filter", "\\Gray"}) {
        EXPECT_TRUE(tree.HasKey(settings::CameraKey(0) + group)) << group;
    }
    uint32_t gain = 0;
    ASSERT_TRUE(tree.GetDword(settings::CameraKey(0) + "\\Gain", "Global", &gain));
    EXPECT_EQ(gain, 16u);  // camera 0 ran with its defaults
    EXPECT_EQ(front->CameraSettings().globalGain, 77);
    EXPECT_EQ(CountInLog("SetGain 77"), 1u);
    EXPECT_EQ(CountInLog("SetExposureTime 4321"), 1u);
    EXPECT_EQ(CountInLog("SetFlip 1"), 1u);
    EXPECT_EQ(CountInLog("SetCooler 1"), 1u);
    EXPECT_EQ(front->CurrentDeviceNumber(), 1);
}

TEST_F(DeviceSelection, ExposureGoesInSecondsWhenTheCameraTakesThem) {
    auto front = MakeFront(With(Cameras(1, {0}), &ScriptedDeviceCore::Script::exposureSeconds));
    EXPECT_EQ(CountInLog("SetExposureSeconds 10000"), 1u);
    EXPECT_EQ(CountInLog("SetExposureTime 100"), 0u);
}

TEST_F(DeviceSelection, ReleaseSavesOnlyACameraThatWasOpened) {
    MakeFront(Cameras(0, {})).reset();
    EXPECT_FALSE(Tree().HasKey(settings::CameraKey(0) + "\\Gain"));
    EXPECT_TRUE(Tree().HasKey(settings::CameraKey(-1)));

    MakeFront(Cameras(1, {0})).reset();
    EXPECT_TRUE(Tree().HasKey(settings::CameraKey(0) + "\\Gain"));
    EXPECT_EQ(log_.back(), "CloseCamera");
}

TEST_F(DeviceSelection, MissingDeviceCoreIsReportedAsMemory) {
    CKelvra front([] { return std::unique_ptr<CKelvraU3Q6Base>(); });
    EXPECT_EQ(front.Initialize(nullptr), 0);
    char text[32];
    EXPECT_EQ(front.GetDeviceName(0, text, sizeof text), 0);
    EXPECT_EQ(front.SetDeviceNumber(0), 0);
    EXPECT_EQ(Errors(front), (std::vector<int32_t>{1, 1, 5}));
}

}  // namespace
}  // namespace kelvra

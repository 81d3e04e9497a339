// Output format and stream options against what the camera offers.
#include <gtest/gtest.h>

#include "front/CKelvra.h"
#include "front/ScriptedDeviceCore.h"
#include "platform/SettingsStore.h"
#include "settings/RegistrySettings.h"
#include "support/TempConfigHome.h"

namespace kelvra {
namespace {

using Script = test::ScriptedDeviceCore::Script;

class FrontFormat : public ::testing::Test {
  protected:
    std::unique_ptr<CKelvra> MakeFront(Script script) {
        auto front = std::make_unique<CKelvra>(
            [this, script] { return std::make_unique<test::ScriptedDeviceCore>(script, &log_); });
        front->Initialize(nullptr);
        return front;
    }

    test::TempConfigHome home_;
    std::vector<std::string> log_;
};

TEST_F(FrontFormat, ColourModesFollowTheCamerasOutputs) {
    Script monochrome16;
    monochrome16.eightBit = false;
    monochrome16.color = false;
    auto front = MakeFront(monochrome16);
    EXPECT_EQ(front->GetColorMode(), 16);  // the default 24 fitted to the camera
    for (int bits : {8, 24, 32, 48, 64, 12, 0}) {
        EXPECT_EQ(front->SetColorMode(bits), 0) << bits;
        EXPECT_EQ(front->PopLastError(), 9) << bits;
    }
    EXPECT_EQ(front->GetColorMode(), 16);

    Script eightOnly;
    eightOnly.sixteenBit = false;
    eightOnly.color = false;
    auto fast = MakeFront(eightOnly);
    EXPECT_EQ(fast->GetColorMode(), 8);
    EXPECT_EQ(fast->SetColorMode(16), 0);
    EXPECT_EQ(fast->PopLastError(), 9);
    EXPECT_EQ(fast->SetColorMode(32), 1);
    EXPECT_EQ(fast->GetColorMode(), 32);
}

TEST_F(FrontFormat, StoredFormatIsFittedAtInitialisation) {
    {
        platform::SettingsStore store(home_.RegistryFile().string());
        ASSERT_TRUE(store.Update([](platform::SettingsTree& t) {
            t.SetDword(settings::CameraKey(-1), "Color", 3);
            t.SetDword(settings::CameraKey(-1), "WaitTime", 40);
            t.SetDword(settings::CameraKey(-1), "SubSample", 1);
        }));
    }
    Script no8;
    no8.eightBit = false;
    auto front = MakeFront(no8);
    EXPECT_EQ(front->GetColorMode(), 16);
    EXPECT_EQ(front->GetWaitTime(), 40);
    EXPECT_EQ(front->GetSubSample(), 1);
}

// A stored colour format outside 0-5 once gave depth -1 and made every capture fail with
// code 5; it now counts as a missing value.
TEST_F(FrontFormat, StoredGarbageColourCountsAsMissing) {
    platform::SettingsStore store(home_.RegistryFile().string());
    ASSERT_TRUE(store.Update(
        [](platform::SettingsTree& t) { t.SetDword(settings::CameraKey(-1), "Color", 9); }));
    const int withGarbage = MakeFront(Script{})->GetColorMode();
    ASSERT_TRUE(store.Update(
        [](platform::SettingsTree& t) { t.DeleteValue(settings::CameraKey(-1), "Color"); }));
    auto front = MakeFront(Script{});
    EXPECT_NE(withGarbage, -1);
    EXPECT_EQ(withGarbage, front->GetColorMode());
    EXPECT_EQ(front->SetColorMode(64), 1);
    EXPECT_EQ(front->GetColorMode(), 64);
}

}  // namespace
}  // namespace kelvra

// The image dialog through Kelvra_SetImageDlg, and on a colour camera through the front object.
#include <memory>
#include <string>

#include "dialogs/DialogFixture.h"
#include "front/CKelvra.h"
#include "front/ScriptedDeviceCore.h"

namespace kelvra::test {
namespace {

using ImageDialog = DialogTest;

TEST_F(ImageDialog, ChangesApplyAtOnceAndCancelRestoresEveryOne) {
    ASSERT_EQ(Kelvra_SetBrightness(handle_, 10), 1);
    ASSERT_EQ(Kelvra_SetGrayMode(handle_, 0), 1);
    const int gamma = Get(handle_, Kelvra_GetGamma);
    const int grayGain = Get(handle_, Kelvra_GetGrayGainG2);
    const int bayer = Get(handle_, Kelvra_GetBayerMode);
    DialogScript script;
    script
        .Do([&](OpenDialog& d) {
            EXPECT_EQ(d.Title(), "Property");
            EXPECT_EQ(d.Tabs(), (std::vector<std::string>{"Image Filter", "Gray Filter"}));
            // Grey output: the colour settings are there but cannot be used.
            EXPECT_FALSE(d.Sensitive("hue_scale"));
            EXPECT_FALSE(d.Sensitive("wb_once"));
            EXPECT_TRUE(d.Sensitive("gamma_spin"));
            EXPECT_EQ(d.Value("brightness_spin"), 10);
            d.SetValue("brightness_spin", -200);
            d.SetValue("gamma_spin", 150);
            d.SetValue("sharpness_spin", 7);
            d.SetValue("gray_gain_g2_spin", 300);
            d.Check("gray_mode_2", true);
            d.Check("gray_bayer_mode_1", true);
            // The filter page's Bayer buttons follow the grey page's.
            EXPECT_TRUE(d.Checked("bayer_mode_1"));
            EXPECT_EQ(Get(handle_, Kelvra_GetBrightness), -200);
            EXPECT_EQ(Get(handle_, Kelvra_GetGrayGainG2), 300);
            EXPECT_EQ(Get(handle_, Kelvra_GetGrayMode), 2);
        })
        .Cancel();
    ASSERT_EQ(Kelvra_SetImageDlg(handle_, nullptr), 1);
    ASSERT_TRUE(script.Finished());
    EXPECT_EQ(Get(handle_, Kelvra_GetBrightness), 10);
    EXPECT_EQ(Get(handle_, Kelvra_GetGamma), gamma);
    EXPECT_EQ(Get(handle_, Kelvra_GetSharpness), 0);
    EXPECT_EQ(Get(handle_, Kelvra_GetGrayGainG2), grayGain);
    EXPECT_EQ(Get(handle_, Kelvra_GetGrayMode), 0);
    EXPECT_EQ(Get(handle_, Kelvra_GetBayerMode), bayer);
}

TEST_F(ImageDialog, DefaultThenOkIsKeptAndSavedForTheNextSession) {
    ASSERT_EQ(Kelvra_SetContrast(handle_, 50), 1);
    ASSERT_EQ(Kelvra_SetGrayOffsetB(handle_, -20), 1);
    ASSERT_EQ(Kelvra_SetBayerMode(handle_, 0), 1);
    DialogScript script;
    script.Press("default_button").Do([](OpenDialog& d) {
        EXPECT_EQ(d.Value("contrast_spin"), 0);
        EXPECT_EQ(d.Value("gray_offset_b_spin"), 128);
        EXPECT_TRUE(d.Checked("bayer_mode_3"));
    });
    script.Ok();
    ASSERT_EQ(Kelvra_SetImageDlg(handle_, nullptr), 1);
    ASSERT_EQ(Kelvra_Release(handle_), 1);
    handle_ = Kelvra_Initialize(nullptr);
    ASSERT_NE(handle_, 0);
    EXPECT_EQ(Get(handle_, Kelvra_GetContrast), 0);
    EXPECT_EQ(Get(handle_, Kelvra_GetGrayOffsetB), 128);
    EXPECT_EQ(Get(handle_, Kelvra_GetBayerMode), 3);
    EXPECT_EQ(Get(handle_, Kelvra_GetGamma), 100);
}

// The grey balance runs on the acquisition thread; the open dialog must show its result.
TEST_F(ImageDialog, GreyBalanceOnceDuringPreviewShowsTheNewGainsInTheOpenDialog) {
    ASSERT_EQ(Kelvra_SetGrayMode(handle_, 1), 1);
    camera_->setSceneBrightness(0.5);
    ASSERT_EQ(Kelvra_CallBackPreview(handle_, window_, nullptr, 0, 1), 1);
    ASSERT_NE(NextFrame(), nullptr);
    DialogScript script;
    script.Do([](OpenDialog& d) { d.Click("gray_once"); })
        .Until([&](OpenDialog& d) {
            // The balance ran once: the counter is back at 0 and the gains moved.
            return d.Value("gray_gain_r_spin") != 128 &&
                   d.Value("gray_gain_r_spin") == Get(handle_, Kelvra_GetGrayGainR);
        })
        .Do([](OpenDialog& d) { EXPECT_FALSE(d.Checked("gray_all")); })
        .Ok();
    ASSERT_EQ(Kelvra_SetImageDlg(handle_, nullptr), 1);
    EXPECT_TRUE(script.Finished());
    EXPECT_EQ(Kelvra_StopPreview(handle_), 1);
}

// No camera of the family delivers colour, so the colour page is shown on a scripted device.
TEST(ImageDialogColour, ColourOutputEnablesEverySettingAndHasNoGreyPage) {
    TempConfigHome config;
    std::vector<std::string> log;
    CKelvra front([&] {
        ScriptedDeviceCore::Script camera;
        camera.count = 1;
        camera.present = {0};
        return std::make_unique<ScriptedDeviceCore>(camera, &log);
    });
    ASSERT_EQ(front.Initialize(nullptr), 1);
    ASSERT_EQ(front.SetColorMode(24), 1);
    DialogScript script;
    script
        .Do([](OpenDialog& d) {
            EXPECT_EQ(d.Tabs(), std::vector<std::string>{"Image Filter"});
            EXPECT_FALSE(d.Has("gray_gain_r_spin"));
            EXPECT_TRUE(d.Sensitive("hue_scale"));
            d.SetValue("hue_spin", -90);
            d.Check("wb_all", true);
            d.Click("wb_once");
            EXPECT_FALSE(d.Checked("wb_all"));
        })
        .Ok();
    ASSERT_EQ(front.SetImageDlg(nullptr), 1);
    EXPECT_EQ(front.FilterSettings().hue, -90);
    // Once: the balance is measured at the next frame and then switched off.
    const ProcessingFlags flags = front.Flags();
    EXPECT_EQ(flags.bayerGainAuto, 1);
    EXPECT_EQ(flags.bayerAutoOnceA, 1);
    EXPECT_EQ(flags.bayerAutoOnceB, 1);
}

}  // namespace
}  // namespace kelvra::test

// The analog dialog through Kelvra_SetAnalogDlg on a simulated camera (monochrome, cooled,
// exposure set in seconds).
#include <cmath>
#include <string>

#include "dialogs/DialogFixture.h"

namespace kelvra::test {
namespace {

double Seconds(int handle) {
    int ok = 0;
    const double seconds = Kelvra_GetExposureTimeEx(handle, &ok);
    EXPECT_EQ(ok, 1);
    return seconds;
}

using AnalogDialog = DialogTest;

TEST_F(AnalogDialog, ShowsTheCamerasControlsOnlyAndCancelPutsTheCameraBack) {
    ASSERT_EQ(Kelvra_SetGlobalGain(handle_, 40), 1);
    ASSERT_EQ(Kelvra_SetExposureTimeEx(handle_, 0.01), 1);
    ASSERT_EQ(Kelvra_SetPeltier(handle_, 1), 1);
    DialogScript script;
    script
        .Do([&](OpenDialog& d) {
            EXPECT_EQ(d.Tabs(), std::vector<std::string>{"Analog Gain"});
            EXPECT_FALSE(d.Shown("color_box"));
            EXPECT_FALSE(d.Shown("exposure_box"));
            EXPECT_TRUE(d.Shown("exposure_ex_box"));
            EXPECT_TRUE(d.Shown("peltier"));
            EXPECT_EQ(d.Text("exposure_ex_range"), "range: 20\u00b5s - 2sec");
            EXPECT_EQ(d.Entries("exposure_ex_unit"),
                      (std::vector<std::string>{"\u00b5s", "ms", "sec"}));
            EXPECT_EQ(d.Text("exposure_ex_entry"), "10");
            EXPECT_EQ(d.Entries("exposure_ex_unit")[d.Active("exposure_ex_unit")], "ms");
            EXPECT_EQ(d.Value("global_gain_spin"), 40);
            EXPECT_TRUE(d.Checked("peltier"));
            d.SetValue("global_gain_spin", 300);
            d.Type("exposure_ex_entry", "2.5");
            d.Check("mirror_v", true);
            d.Check("peltier", false);
            // Sent to the camera at once.
            EXPECT_EQ(Get(handle_, Kelvra_GetGlobalGain), 300);
            EXPECT_NEAR(Seconds(handle_), 0.0025, 1e-5);
            EXPECT_EQ(Get(handle_, Kelvra_GetPeltier), 0);
            EXPECT_EQ(d.Text("exposure_ex_entry"), "2.500");
        })
        .Cancel();
    ASSERT_EQ(Kelvra_SetAnalogDlg(handle_, nullptr), 1);
    ASSERT_TRUE(script.Finished());
    EXPECT_EQ(Get(handle_, Kelvra_GetGlobalGain), 40);
    EXPECT_NEAR(Seconds(handle_), 0.01, 1e-5);
    EXPECT_EQ(Kelvra_GetMirrorV(handle_), 0);
    EXPECT_EQ(Get(handle_, Kelvra_GetPeltier), 1);
}

TEST_F(AnalogDialog, DefaultSendsTheCamerasDefaultsAndOkKeepsThem) {
    ASSERT_EQ(Kelvra_SetGlobalGain(handle_, 200), 1);
    ASSERT_EQ(Kelvra_SetPeltier(handle_, 0), 1);
    DialogScript script;
    script.Press("default_button")
        .Do([](OpenDialog& d) { EXPECT_TRUE(d.Checked("peltier")); })
        .Ok();
    ASSERT_EQ(Kelvra_SetAnalogDlg(handle_, nullptr), 1);
    KELVRA_CAMERA_INFO info{};
    info.size = sizeof info;
    ASSERT_EQ(Kelvra_GetCameraInfo(handle_, &info), 1);
    const int gain = Get(handle_, Kelvra_GetGlobalGain);
    EXPECT_NE(gain, 200);
    EXPECT_GE(gain, info.gainMin);
    EXPECT_EQ(Get(handle_, Kelvra_GetPeltier), 1);
}

// Automatic exposure runs on the acquisition thread; the open dialog must follow it.
TEST_F(AnalogDialog, AutomaticExposureChosenInTheDialogShowsEachNewExposure) {
    camera_->setSceneBrightness(8.0);  // far too bright: the exposure must come down
    ASSERT_EQ(Kelvra_SetExposureTimeEx(handle_, 0.05), 1);
    ASSERT_EQ(Kelvra_CallBackPreview(handle_, window_, nullptr, 0, 1), 1);
    ASSERT_NE(NextFrame(), nullptr);
    std::string first;
    DialogScript script;
    script
        .Do([&](OpenDialog& d) {
            first = d.Text("exposure_ex_entry");
            d.Check("iris_exposure", true);
            EXPECT_FALSE(d.Checked("iris_gain"));
            EXPECT_EQ(Get(handle_, Kelvra_GetAutoIris), 1);
        })
        .Until([&](OpenDialog& d) { return d.Text("exposure_ex_entry") != first; })
        .Do([&](OpenDialog& d) { d.Check("iris_exposure", false); })
        .Ok();
    ASSERT_EQ(Kelvra_SetAnalogDlg(handle_, nullptr), 1);
    EXPECT_TRUE(script.Finished());
    EXPECT_EQ(Kelvra_StopPreview(handle_), 1);
    EXPECT_LT(Seconds(handle_), 0.05);
}

}  // namespace
}  // namespace kelvra::test

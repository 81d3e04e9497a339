// The stream format dialog through Kelvra_SetCameraDlg on a simulated camera.
#include <algorithm>
#include <string>

#include "dialogs/DialogFixture.h"

namespace kelvra::test {
namespace {

constexpr int kCustom640 = 640, kCustom480 = 480;

bool Listed(const std::vector<std::string>& entries, const std::string& text) {
    return std::find(entries.begin(), entries.end(), text) != entries.end();
}

// Chooses "Custom" and types a 640 x 480 window at (16, 8).
void EnterCustomWindow(OpenDialog& d) {
    d.Select("size_combo", static_cast<int>(d.Entries("size_combo").size()) - 1);
    d.SetValue("th_spin", kCustom640);
    d.SetValue("tv_spin", kCustom480);
    d.SetValue("eh_spin", kCustom640);
    d.SetValue("ev_spin", kCustom480);
    d.SetValue("ehs_spin", 16);
    d.SetValue("evs_spin", 8);
}

using CameraDialog = DialogTest;

TEST_F(CameraDialog, CustomPresetSavedWithOkIsFoundBySetCaptureWindowAndListedNextTime) {
    ASSERT_EQ(Kelvra_SetCaptureWindow(handle_, kCustom640, kCustom480), 0);
    EXPECT_EQ(Errors(), std::vector<int>{KELVRA_ERR_WINDOW});
    DialogScript script;
    script
        .Do([](OpenDialog& d) {
            EXPECT_EQ(d.Entries("format_combo"),
                      (std::vector<std::string>{"Monochrome 8bit", "Monochrome 12bit *"}));
            EXPECT_EQ(d.Entries("size_combo"), (std::vector<std::string>{"1280 x 1024", "Custom"}));
            EXPECT_EQ(d.Entries("clock_combo")[2], "High(54MHz)");
            EXPECT_EQ(d.Active("clock_combo"), 2);
            EXPECT_FALSE(d.Sensitive("clock_combo"));
            EXPECT_FALSE(d.Sensitive("apply_button"));
            EnterCustomWindow(d);
            d.Select("format_combo", 1);
            d.SetValue("wait_spin", 5);
            EXPECT_TRUE(d.Sensitive("apply_button"));
        })
        .Ok();
    ASSERT_EQ(Kelvra_SetCameraDlg(handle_, nullptr), 1);
    ASSERT_TRUE(script.Finished());
    // OK made the new preset the current one and re-read the format.
    EXPECT_EQ(Kelvra_GetColorMode(handle_), 16);
    EXPECT_EQ(Kelvra_GetWaitTime(handle_), 5);
    int th = 0, ehs = 0, eh = 0, tv = 0, evs = 0, ev = 0;
    Kelvra_GetCaptureWindowEx(handle_, &th, &ehs, &eh, &tv, &evs, &ev);
    EXPECT_EQ(std::vector<int>({th, ehs, eh, tv, evs, ev}),
              std::vector<int>({640, 16, 640, 480, 8, 480}));
    EXPECT_EQ(Kelvra_SetCaptureWindow(handle_, 1280, 1024), 1);
    EXPECT_EQ(Kelvra_SetCaptureWindow(handle_, kCustom640, kCustom480), 1);
    EXPECT_TRUE(Errors().empty());

    DialogScript again;
    again
        .Do([](OpenDialog& d) {
            EXPECT_EQ(d.Entries("size_combo"),
                      (std::vector<std::string>{"1280 x 1024", "640 x 480", "Custom"}));
            EXPECT_EQ(d.Active("size_combo"), 1);
            EXPECT_EQ(d.Value("ehs_spin"), 16);
            EXPECT_EQ(d.Active("format_combo"), 1);
            // The same window again as "Custom" reuses its preset.
            EnterCustomWindow(d);
        })
        .Ok();
    ASSERT_EQ(Kelvra_SetCameraDlg(handle_, nullptr), 1);
    DialogScript third;
    third.Do([](OpenDialog& d) { EXPECT_EQ(d.Entries("size_combo").size(), 3u); }).Cancel();
    ASSERT_EQ(Kelvra_SetCameraDlg(handle_, nullptr), 1);
}

TEST_F(CameraDialog, CancelStoresNothingEvenAfterChanges) {
    DialogScript script;
    script
        .Do([](OpenDialog& d) {
            EnterCustomWindow(d);
            d.Select("format_combo", 1);
        })
        .Cancel();
    ASSERT_EQ(Kelvra_SetCameraDlg(handle_, nullptr), 1);
    EXPECT_EQ(Kelvra_GetColorMode(handle_), 8);
    EXPECT_EQ(Kelvra_SetCaptureWindow(handle_, kCustom640, kCustom480), 0);
    EXPECT_EQ(Kelvra_Width(handle_), 1280);
}

TEST_F(CameraDialog, HalfSkipAddsTheFullSensorPresetWhenApplyHadReplacedIt) {
    DialogScript script;
    script
        .Do([](OpenDialog& d) {
            // The only preset becomes 640 x 480, written by Apply, which then greys out.
            d.SetValue("th_spin", kCustom640);
            d.SetValue("tv_spin", kCustom480);
            d.SetValue("eh_spin", kCustom640);
            d.SetValue("ev_spin", kCustom480);
            d.Click("apply_button");
            EXPECT_FALSE(d.Sensitive("apply_button"));
            EXPECT_EQ(d.Entries("size_combo"), (std::vector<std::string>{"640 x 480", "Custom"}));
            d.Select("subsample_combo", 1);
            EXPECT_EQ(d.Entries("size_combo"),
                      (std::vector<std::string>{"640 x 480", "1280 x 1024", "Custom"}));
            EXPECT_EQ(d.Active("size_combo"), 1);
            EXPECT_EQ(d.Value("eh_spin"), 1280);
            EXPECT_FALSE(d.Sensitive("eh_spin"));
            EXPECT_FALSE(d.Sensitive("size_combo"));
        })
        .Ok();
    ASSERT_EQ(Kelvra_SetCameraDlg(handle_, nullptr), 1);
    EXPECT_EQ(Kelvra_GetSubSample(handle_), 1);
    EXPECT_EQ(Kelvra_SetCaptureWindow(handle_, 1280, 1024), 1);
    // Acquisition takes the half-size frames of the stored format.
    ASSERT_EQ(Kelvra_CallBackPreview(handle_, window_, nullptr, 0, 1), 1);
    const KELVRA_FRAME_REPORT* report = NextFrame();
    ASSERT_NE(report, nullptr);
    EXPECT_EQ(report->width, 640);
    EXPECT_EQ(report->height, 512);
    EXPECT_EQ(Kelvra_StopPreview(handle_), 1);
}

TEST_F(CameraDialog, WindowBeyondTheSensorKeepsTheDialogOpenAndStoresNothing) {
    DialogScript script;
    script
        .Do([](OpenDialog& d) {
            d.SetValue("eh_spin", 1280);
            d.SetValue("ehs_spin", 100);
        })
        .Ok()
        .Until([](OpenDialog& d) { return d.Shown("status_label"); })
        .Do([](OpenDialog& d) {
            EXPECT_NE(d.Text("status_label").find("1280 x 1024"), std::string::npos);
        })
        .Cancel();
    ASSERT_EQ(Kelvra_SetCameraDlg(handle_, nullptr), 1);
    EXPECT_TRUE(script.Finished());
    // Acquisition still starts: no unusable preset was stored.
    ASSERT_EQ(Kelvra_CallBackPreview(handle_, window_, nullptr, 0, 1), 1);
    EXPECT_NE(NextFrame(), nullptr);
    EXPECT_EQ(Kelvra_StopPreview(handle_), 1);
}

TEST_F(CameraDialog, RunningPreviewStopsWhileOpenAndRestartsInTheChosenFormat) {
    ASSERT_EQ(Kelvra_CallBackPreview(handle_, window_, nullptr, 0, 1), 1);
    ASSERT_NE(NextFrame(), nullptr);
    int framesWhileOpen = -1;
    DialogScript script;
    script
        .Do([&](OpenDialog& d) {
            // The preview thread was stopped before the dialog opened: what is queued is old.
            DrainFrames();
            d.Select("format_combo", 1);
        })
        .Until([&, ticks = 0](OpenDialog&) mutable { return ++ticks > 15; })
        .Do([&](OpenDialog&) { framesWhileOpen = DrainFrames(); })
        .Ok();
    ASSERT_EQ(Kelvra_SetCameraDlg(handle_, nullptr), 1);
    EXPECT_EQ(framesWhileOpen, 0);
    const KELVRA_FRAME_REPORT* report = NextFrame();
    ASSERT_NE(report, nullptr);
    EXPECT_EQ(report->bitsPerPixel, 16);
    EXPECT_EQ(Kelvra_StopPreview(handle_), 1);
}

// A trigger acquisition only pauses for the dialog; it must take triggers again afterwards.
TEST_F(CameraDialog, TriggerAcquisitionPausedByTheDialogTakesTriggersAfterIt) {
    ASSERT_EQ(Kelvra_Trigger(handle_, window_, nullptr, 0, 1), 1);
    ASSERT_TRUE(camera_->fireTrigger());
    ASSERT_NE(NextFrame(), nullptr);
    DialogScript script;
    script.Cancel();
    ASSERT_EQ(Kelvra_SetCameraDlg(handle_, nullptr), 1);
    DrainFrames();
    ASSERT_TRUE(camera_->fireTrigger());
    EXPECT_NE(NextFrame(), nullptr);
    EXPECT_EQ(Kelvra_StopPreview(handle_), 1);
    EXPECT_TRUE(Errors().empty());
}

class CameraWithoutSixteenBits : public DialogTest {
    sim::CameraConfig CameraConfig() const override {
        sim::CameraConfig config;
        config.informationWord = 0xC130;  // high-speed readout variant: 8-bit output only
        return config;
    }
};

TEST_F(CameraWithoutSixteenBits, OffersNoTwelveBitFormat) {
    DialogScript script;
    script
        .Do([](OpenDialog& d) {
            EXPECT_FALSE(Listed(d.Entries("format_combo"), "Monochrome 12bit *"));
            EXPECT_EQ(d.Entries("format_combo").size(), 1u);
        })
        .Cancel();
    ASSERT_EQ(Kelvra_SetCameraDlg(handle_, nullptr), 1);
}

}  // namespace
}  // namespace kelvra::test

// Pictures of every dialog in both languages, for a person to look at: set
// KELVRA_DIALOG_SHOTS to a directory and run this test. Skipped otherwise.
#include <cstdlib>
#include <string>

#include "dialogs/DialogFixture.h"

namespace kelvra::test {
namespace {

using Screenshots = DialogTest;

// A few ticks after the dialog shows, so that it has been drawn.
void Shoot(DialogScript& script, const std::string& path) {
    script.Until([ticks = 0](OpenDialog&) mutable { return ++ticks > 10; })
        .Do([path](OpenDialog& d) { EXPECT_TRUE(d.Shoot(path)) << path; })
        .Cancel();
}

TEST_F(Screenshots, EveryDialogInEnglishAndJapanese) {
    const char* dir = std::getenv("KELVRA_DIALOG_SHOTS");
    if (dir == nullptr || *dir == '\0') GTEST_SKIP() << "KELVRA_DIALOG_SHOTS is not set";
    unsetenv("LC_ALL");
    unsetenv("LC_MESSAGES");
    for (const char* language : {"en", "ja"}) {
        setenv("LANG", std::string(language) == "ja" ? "ja_JP.UTF-8" : "en_US.UTF-8", 1);
        const std::string prefix = std::string(dir) + "/" + language + "-";
        DialogScript camera;
        Shoot(camera, prefix + "camera.png");
        ASSERT_EQ(Kelvra_SetCameraDlg(handle_, nullptr), 1);
        DialogScript image;
        Shoot(image, prefix + "image-filter.png");
        ASSERT_EQ(Kelvra_SetImageDlg(handle_, nullptr), 1);
        DialogScript gray;
        gray.Do(
            [](OpenDialog& d) { gtk_notebook_set_current_page(GTK_NOTEBOOK(d.Find("pages")), 1); });
        Shoot(gray, prefix + "image-gray.png");
        ASSERT_EQ(Kelvra_SetImageDlg(handle_, nullptr), 1);
        DialogScript analog;
        Shoot(analog, prefix + "analog.png");
        ASSERT_EQ(Kelvra_SetAnalogDlg(handle_, nullptr), 1);
    }
}

}  // namespace
}  // namespace kelvra::test

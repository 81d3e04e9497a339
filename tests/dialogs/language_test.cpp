// Japanese texts under a Japanese locale, whatever the process locale is.
#include <cstdlib>
#include <string>

#include "dialogs/DialogFixture.h"

namespace kelvra::test {
namespace {

using Languages = DialogTest;

TEST_F(Languages, JapaneseLocaleGivesJapaneseTextsAndKeepsTheSharedTabNames) {
    setenv("LANG", "ja_JP.UTF-8", 1);
    unsetenv("LC_ALL");
    unsetenv("LC_MESSAGES");
    DialogScript image;
    image
        .Do([](OpenDialog& d) {
            EXPECT_EQ(d.Title(), "プロパティ");
            EXPECT_EQ(d.Tabs(), (std::vector<std::string>{"Image Filter", "Gray Filter"}));
            EXPECT_EQ(d.Text("cancel_button"), "キャンセル");
            EXPECT_EQ(d.Text("brightness_label"), "明るさ(B)");
        })
        .Cancel();
    ASSERT_EQ(Kelvra_SetImageDlg(handle_, nullptr), 1);
    DialogScript camera;
    camera
        .Do([](OpenDialog& d) {
            EXPECT_EQ(d.Tabs(), std::vector<std::string>{"ストリームフォーマット"});
            EXPECT_EQ(d.Entries("format_combo")[0], "モノクロ 8bit");
            EXPECT_EQ(d.Entries("size_combo").back(), "カスタム");
        })
        .Cancel();
    ASSERT_EQ(Kelvra_SetCameraDlg(handle_, nullptr), 1);

    // LC_MESSAGES comes before LANG, LC_ALL before both.
    setenv("LC_MESSAGES", "en_US.UTF-8", 1);
    DialogScript english;
    english.Do([](OpenDialog& d) { EXPECT_EQ(d.Title(), "Property"); }).Cancel();
    ASSERT_EQ(Kelvra_SetAnalogDlg(handle_, nullptr), 1);
    setenv("LC_ALL", "ja_JP.UTF-8", 1);
    DialogScript japanese;
    japanese.Do([](OpenDialog& d) { EXPECT_EQ(d.Text("peltier"), "ペルチェ冷却"); }).Cancel();
    ASSERT_EQ(Kelvra_SetAnalogDlg(handle_, nullptr), 1);
    EXPECT_TRUE(japanese.Finished());
}

// Without an open camera there is nothing to edit: no dialog, code 1.
TEST(DialogsWithoutCamera, RefuseWithCodeOne) {
    TempConfigHome config;
    const int handle = Kelvra_Initialize(nullptr);
    ASSERT_NE(handle, 0);
    for (int (*open)(int, HWND) : {Kelvra_SetCameraDlg, Kelvra_SetImageDlg, Kelvra_SetAnalogDlg}) {
        EXPECT_EQ(open(handle, nullptr), 0);
        EXPECT_EQ(Kelvra_GetLastError(handle), KELVRA_ERR_NO_CAMERA);
    }
    EXPECT_EQ(Kelvra_Release(handle), 1);
}

}  // namespace
}  // namespace kelvra::test

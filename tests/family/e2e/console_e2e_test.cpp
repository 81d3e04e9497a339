// The module camera (0x3180) through the public API: the text console works on its build, and
// the exposure the application sets becomes a console command.
#include <cstring>

#include "ProductFixture.h"

namespace kelvra::test {
namespace {

using ModuleCamera = ProductTest;

TEST_F(ModuleCamera, TextGoesToTheModuleAndItsAnswerComesBack) {
    char command[] = "g -v 42\n";
    ASSERT_EQ(Kelvra_SendText(handle_, command, int(std::strlen(command))), 1);
    char answer[16];
    std::memset(answer, 'z', sizeof answer);
    EXPECT_EQ(Kelvra_ReceiveText(handle_, answer, sizeof answer), 4);
    EXPECT_STREQ(answer, "OK\r\n");
    EXPECT_EQ(camera_->consoleState().gain, 42);
    EXPECT_EQ(Kelvra_ReceiveText(handle_, answer, sizeof answer), 0);  // nothing more
    EXPECT_EQ(Kelvra_SendText(handle_, nullptr, 0), 0);
    EXPECT_EQ(DrainErrors(), std::vector<int>{KELVRA_ERR_PARAMETER});
}

// A length past the end of the text sends the text alone and reads nothing beyond it.
TEST_F(ModuleCamera, ALengthPastTheTextSendsTheTextAlone) {
    char command[] = "g -v 7\n";
    ASSERT_EQ(Kelvra_SendText(handle_, command, 4096), 1);
    EXPECT_EQ(camera_->consoleState().gain, 7);
    EXPECT_EQ(camera_->consoleState().commands.back(), "g -v 7");
}

// The module delivers 16-bit frames only: the front offers neither the 8-bit nor the colour
// outputs.
TEST_F(ModuleCamera, OnlyTheSixteenBitOutputIsOffered) {
    DrainErrors();
    EXPECT_EQ(Kelvra_SetColorMode(handle_, 8), 0);
    EXPECT_EQ(Kelvra_SetColorMode(handle_, 24), 0);
    EXPECT_EQ(Kelvra_SetColorMode(handle_, 64), 0);
    EXPECT_EQ(DrainErrors(),
              (std::vector<int>{KELVRA_ERR_PARAMETER, KELVRA_ERR_PARAMETER, KELVRA_ERR_PARAMETER}));
    ASSERT_EQ(Kelvra_SetColorMode(handle_, 16), 1);
    EXPECT_EQ(Kelvra_GetColorMode(handle_), 16);
}

TEST_F(ModuleCamera, ExposureTimeBecomesAConsoleCommand) {
    ASSERT_EQ(Kelvra_SetExposureTime(handle_, 7), 1);  // 0.7 ms: 400 lines of 1.75 us
    EXPECT_EQ(camera_->consoleState().exposureLines, 400);
    EXPECT_TRUE(camera_->consoleState().started);  // booted as the camera was opened
}

}  // namespace
}  // namespace kelvra::test

// The module camera's serial console: boot, commands with their resends on "NG" and the 60 s
// limit (on the driver's clock), the process-wide debug mode, FPGA writes echoed by the module,
// and received lines.
#include <algorithm>
#include <cstring>
#include <string>

#include "FamilyFixture.h"
#include "sensors/CSensorModelD.h"

namespace kelvra::family::test {
namespace {

constexpr uint16_t kModule = 0x3180;

class Console : public FamilyTest {
  protected:
    ~Console() override {
        // The debug mode is one state for the whole process: leave it off for the next test.
        if (m_rig.driver && CSensorModelD::DebugModeOn()) Module().SetDebugMode(0);
    }
    CSensorModelD& Module() { return dynamic_cast<CSensorModelD&>(*m_rig.driver); }
    int Count(const std::string& command) {
        const auto log = m_rig.camera->consoleState().commands;
        return int(std::count(log.begin(), log.end(), command));
    }
    Rig m_rig;
};

TEST_F(Console, AModuleThatDoesNotAnswerTheProbeIsBootedThroughFpgaAndConsole) {
    m_rig = Open(kModule, false);
    EXPECT_EQ(m_rig.driver->ProbeSensor(), 0);
    ASSERT_EQ(m_rig.driver->RecoverSensor(), 1);
    const sim::ConsoleState state = m_rig.camera->consoleState();
    EXPECT_TRUE(state.named);
    EXPECT_TRUE(state.started);
    EXPECT_EQ(m_rig.Fpga(0xFF), 4);
    EXPECT_EQ(m_rig.Fpga(0x3C), 2);
    EXPECT_EQ(m_rig.driver->ProbeSensor(), 1);
    EXPECT_EQ(m_rig.driver->InitSensor(), 1);
    EXPECT_EQ(m_rig.Descriptor().width, 1280);  // the array, not a 2048-wide window
    EXPECT_EQ(m_rig.Descriptor().orientation, 2);
}

// A module that never names itself fails the boot once the command's limit has passed, and is
// never told to start.
TEST_F(Console, ASilentModuleFailsItsBootInsteadOfWaitingForever) {
    m_rig = Open(kModule, false);
    m_rig.camera->setConsoleSilent(true);
    m_clock.SetScale(100);
    EXPECT_EQ(m_rig.driver->RecoverSensor(), 0);
    EXPECT_EQ(Count("n"), 1);  // silence is not a rejection: not sent again
    EXPECT_EQ(Count("x -c"), 0);
    EXPECT_FALSE(m_rig.camera->consoleState().started);
    EXPECT_LT(m_clock.Now(), 2 * CSensorModelD::kCommandLimitMs);
}

TEST_F(Console, RejectedCommandsAreSentAgainUpToTheRetryCount) {
    m_rig = Open(kModule);
    m_rig.camera->consoleRejectNext(3);  // three rejections: the third resend is taken
    ASSERT_EQ(m_rig.driver->SetGain(77), 1);
    EXPECT_EQ(Count("g -v 77"), 4);
    EXPECT_EQ(m_rig.camera->consoleState().gain, 77);

    m_rig.camera->consoleRejectNext(4);  // the third resend rejected too: the command fails
    EXPECT_EQ(m_rig.driver->SetGain(90), 0);
    EXPECT_EQ(Count("g -v 90"), 4);
    int32_t gain = 0;
    m_rig.driver->GetGain(&gain);
    EXPECT_EQ(gain, 77);  // kept
}

TEST_F(Console, ASilentModuleFailsTheCommandAfterSixtySecondsOnTheDriversClock) {
    m_rig = Open(kModule);
    m_rig.camera->setConsoleSilent(true);
    m_clock.SetScale(100);  // every 10 ms pause counts a second: the limit in few steps
    const uint32_t start = m_clock.Now();
    EXPECT_EQ(m_rig.driver->SetExposureLines(4321), 0);
    EXPECT_GT(m_clock.Now() - start, CSensorModelD::kCommandLimitMs);
    EXPECT_LT(m_clock.Now() - start, 2 * CSensorModelD::kCommandLimitMs);
    EXPECT_EQ(Count("i -v 4321"), 1);  // silence is not a rejection: no resend
    int32_t lines = 0;
    m_rig.driver->GetExposureLines(&lines);
    EXPECT_EQ(lines, 10000);
}

// Only a prefix of the reply is the reply: a longer line that starts with it is not, and is
// compared without reading past the reply's end.
TEST_F(Console, ALineLongerThanTheReplyIsNotTakenForIt) {
    m_rig = Open(kModule);
    m_rig.camera->setConsoleSilent(true);
    m_rig.camera->consoleSay("OK and more\r\n");
    m_clock.SetScale(100);
    EXPECT_EQ(m_rig.driver->SetGain(5), 0);
    int32_t gain = 0;
    m_rig.driver->GetGain(&gain);
    EXPECT_EQ(gain, 128);
}

TEST_F(Console, ExposureTimeBecomesLinesOf175Microseconds) {
    m_rig = Open(kModule);
    ASSERT_EQ(m_rig.driver->SetExposureTime(7), 1);  // 0.7 ms
    EXPECT_EQ(Count("i -v 400"), 1);
    EXPECT_EQ(m_rig.camera->consoleState().exposureLines, 400);
    int32_t time = 0;
    m_rig.driver->GetExposureTime(&time);
    EXPECT_EQ(time, 7);
}

// The trigger writes the module's FPGA through the console: debug mode once for the process,
// each write echoed; a second camera of the class finds the mode already on.
TEST_F(Console, TriggerWritesTheModulesFpgaInDebugModeEnteredOncePerProcess) {
    m_rig = Open(kModule);
    ASSERT_EQ(m_rig.driver->SetTriggerMode(1), 1);
    sim::ConsoleState state = m_rig.camera->consoleState();
    EXPECT_TRUE(state.debug);
    EXPECT_EQ(state.fpga[48], 1);
    EXPECT_EQ(state.fpga[60], 1);
    EXPECT_EQ(Count("q -w x3c x00"), 1);
    ASSERT_EQ(m_rig.driver->SetTriggerMode(0), 1);
    EXPECT_EQ(m_rig.camera->consoleState().fpga[48], 0);
    EXPECT_EQ(Count("d -y 5830417"), 1);
    EXPECT_TRUE(CSensorModelD::DebugModeOn());

    Rig second = Open(kModule);
    auto& other = dynamic_cast<CSensorModelD&>(*second.driver);
    EXPECT_EQ(other.SetDebugMode(1), 1);  // remembered: nothing sent
    EXPECT_EQ(second.camera->consoleState().debug, false);
    EXPECT_EQ(Module().SetDebugMode(0), 1);
    EXPECT_EQ(Count("d -n"), 1);
    EXPECT_FALSE(CSensorModelD::DebugModeOn());
}

// A module that answers an FPGA write with anything but its echo leaves the write failed; the
// trigger mode is stored all the same.
TEST_F(Console, AMissingEchoFailsTheFpgaWriteButNotTheTriggerMode) {
    m_rig = Open(kModule);
    ASSERT_EQ(Module().SetDebugMode(1), 1);
    m_rig.camera->consoleRejectNext(4 * 4);  // this write and the trigger's three
    EXPECT_EQ(Module().ConsoleWriteFpga(48, 1), 0);
    EXPECT_EQ(m_rig.driver->SetTriggerMode(1), 1);
    int32_t mode = 0;
    m_rig.driver->GetTriggerMode(&mode);
    EXPECT_EQ(mode, 1);
}

TEST_F(Console, ReceivedLinesEndAtCarriageReturnOrLineFeed) {
    m_rig = Open(kModule);
    char line[CSensorModelD::kLineBytes];
    // A carriage return ends a line: the line feed of the boot's last reply is still waiting,
    // and reads as no line.
    EXPECT_EQ(m_rig.driver->ReceiveText(line, sizeof line), 0);
    m_rig.camera->consoleSay("OK\r");
    ASSERT_EQ(m_rig.driver->ReceiveText(line, sizeof line), 4);
    EXPECT_EQ(std::string(line, 4), "OK\r\n");
    m_rig.camera->consoleSay("\nNG\r\n");
    EXPECT_EQ(m_rig.driver->ReceiveText(line, sizeof line), 0);  // a line feed first: no line
    EXPECT_EQ(m_rig.driver->ReceiveText(line, sizeof line), 4);
    EXPECT_EQ(m_rig.driver->ReceiveText(line, sizeof line), 0);  // nothing more
    m_rig.camera->consoleSay("value 12\n");
    std::memset(line, 'z', sizeof line);
    EXPECT_EQ(m_rig.driver->ReceiveText(line, 5), 9);  // the count is the line's
    EXPECT_EQ(std::string(line, 6), "valuez");
    m_rig.camera->consoleSay(std::string(300, 'a') + "\n");
    EXPECT_EQ(m_rig.driver->ReceiveText(line, sizeof line), 0);  // 256 characters: discarded
}

TEST_F(Console, SendTextDrainsAPendingLineAndStopsAtTheFirstNul) {
    m_rig = Open(kModule);
    char line[CSensorModelD::kLineBytes];
    m_rig.driver->ReceiveText(line, sizeof line);  // the boot's last line feed
    m_rig.camera->consoleSay("stale\r\n");
    const char text[] = "g -v 12\n\0g -v 13\n";
    ASSERT_EQ(m_rig.driver->SendText(text, sizeof text - 1), 1);
    EXPECT_EQ(Count("g -v 12"), 1);
    EXPECT_EQ(Count("g -v 13"), 0);
    EXPECT_EQ(m_rig.driver->ReceiveText(line, sizeof line), 0);  // the stale line's line feed
    ASSERT_EQ(m_rig.driver->ReceiveText(line, sizeof line), 4);  // the module's answer
    EXPECT_EQ(std::string(line, 4), "OK\r\n");
    EXPECT_EQ(m_rig.driver->SendText(text, 0), 0);
}

}  // namespace
}  // namespace kelvra::family::test

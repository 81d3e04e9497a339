// The camera built around a self-contained sensor module (product 0x3180, model code 100):
// the module is not programmed register by register but takes short text commands on a serial
// console and answers text lines. The console is a one-byte data port, sensor register 0 at
// bus address 0x48: each write sends a character, each read returns the next one received.
// Exposure and gain go to the module as commands, trigger settings as writes to the module's
// FPGA through the console (which needs the module's debug mode), and a module that does not
// answer is booted through the camera's FPGA and the console.
//
// Threads: the data port has no lock of its own; callers serialise console use through the
// device core. The debug mode is process-wide: one state, under one lock, for every driver of
// this class.
#pragma once

#include <cstdint>
#include <string>

#include "sensors/CSensorFamily.h"

namespace kelvra {

class CSensorModelD : public CSensorFamily {
  public:
    static constexpr uint8_t kBusAddress = 0x48;
    static constexpr int32_t kLineBytes = 256;
    static constexpr uint32_t kCharacterPauseMs = 10;
    static constexpr uint32_t kCommandLimitMs = 60000;
    static constexpr int32_t kRetries = 3;
    static constexpr int32_t kBootRetries = 10;

    explicit CSensorModelD(CControllerBase* controller, uint8_t busAddress = kBusAddress);

    // Camera FPGA register 0xFF reads 4 once the module has booted.
    int32_t ProbeSensor() override;
    // Boots the module (up to 10 attempts): FPGA 0xFF = 4 read back, "n\r\n" answered by the
    // module's name (10 resends on "NG"), FPGA 0x3C = 2 read back, then "x -c\r\n" answered
    // "OK\r\n". 1 on success.
    int32_t RecoverSensor() override;
    // Exposure 0.1 ms units to lines of 1.75 us (t x 40 x 100 / 70, truncated), not clamped
    // here; stored when the module took the lines.
    int32_t SetExposureTime(int32_t time) override;

    // One received line: characters until a line feed or NUL (kept), a carriage return (kept,
    // and a line feed added), or a failed read; 10 ms after every character. Copies at most
    // `length` characters (no terminator) to `text` and returns the line's count; 0 when no
    // line came (nothing before the end, or a line of 256 characters, which is discarded).
    int32_t ReceiveText(char* text, int32_t length) override;
    // Drains one pending line, then sends the characters of `text` up to `length` or its first
    // NUL, 10 ms after each, stopping at the first refused. The result of the last write (0
    // when nothing was sent).
    int32_t SendText(const char* text, int32_t length) override;

    // Sends `command` and waits for `expected` ("OK\r\n" when null): a received line that is a
    // prefix of "NG\r\n" sends the command again, up to `retries` times; one that is a prefix
    // of the expected reply succeeds; any other line waits 10 ms. 0 after the last resend was
    // rejected, when sending fails, or when 60 s (on the driver's tick) pass without a reply.
    int32_t SendCommand(int32_t retries, const char* command, int32_t length,
                        const char* expected = nullptr, int32_t expectedLength = 0);
    // The module's debug mode, switched only when the process-wide state differs.
    int32_t SetDebugMode(int32_t on);
    // A register of the module's FPGA, through the console in debug mode; the module echoes the
    // write. 1 when the echo came.
    int32_t ConsoleWriteFpga(int32_t reg, int32_t value);

    // The process-wide debug-mode state.
    static bool DebugModeOn();

  protected:
    int32_t ProgramInit() override;
    int32_t ProgramWindow(Window& w) override;
    int32_t ProgramOutputBits(int32_t bits) override;
    int32_t ProgramExposureLines(int32_t lines) override;
    int32_t ProgramGain(int32_t gain) override;
    int32_t ProgramTrigger(int32_t mode) override;

  private:
    int32_t SendCommand(int32_t retries, const std::string& command,
                        const std::string& expected = {});
    bool WritePort(char c);
    bool ReadPort(char* c);
    bool BootHandshake(uint8_t reg, uint8_t value, int attempts);
};

}  // namespace kelvra

// CSensorModelD: the serial console — the data port, received lines, commands with their
// resends and time limit, the debug mode and FPGA writes through the module.
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <mutex>

#include "sensors/CSensorModelD.h"
#include "sensors/FamilyRegisterMap.h"

namespace kelvra {
namespace {

constexpr char kDefaultReply[] = "OK\r\n";
constexpr char kRejected[] = "NG\r\n";
constexpr char kDebugOn[] = "d -y 5830417\r\n";  // the module's debug access code
constexpr char kDebugOnReply[] = "Welcome Debug Mode!\r\n";
constexpr char kDebugOff[] = "d -n\r\n";
constexpr char kDebugOffReply[] = "Good Bye!\r\n";

// The module's debug mode, as last switched by any driver of this process.
std::mutex gDebugLock;
bool gDebugOn = false;  // guarded by gDebugLock

// True when the `count` received characters are a prefix of `reply` (empty never is).
bool Matches(const char* line, int32_t count, const char* reply, size_t replyLength) {
    return count > 0 && size_t(count) <= replyLength &&
           std::memcmp(line, reply, size_t(count)) == 0;
}

}  // namespace

bool CSensorModelD::WritePort(char c) {
    return WriteRegister(console_reg::kDataPort, uint8_t(c)) != 0;
}

bool CSensorModelD::ReadPort(char* c) {
    int32_t value = 0;
    if (!ReadRegister(console_reg::kDataPort, &value)) return false;
    *c = char(value);
    return true;
}

int32_t CSensorModelD::ReceiveText(char* text, int32_t length) {
    char line[kLineBytes];
    int32_t count = 0;
    while (true) {
        char c = 0;
        if (!ReadPort(&c)) break;
        Sleep(kCharacterPauseMs);
        if (c == '\0' || c == '\n') {
            if (count == 0) return 0;
            line[count++] = c;
            break;
        }
        if (c == '\r') {
            if (count == 0 || count + 2 > kLineBytes) return 0;
            line[count++] = '\r';
            line[count++] = '\n';
            break;
        }
        line[count++] = c;
        if (count >= kLineBytes) return 0;
    }
    if (count == 0) return 0;
    if (text != nullptr && length > 0) std::memcpy(text, line, size_t(std::min(length, count)));
    Sleep(kCharacterPauseMs);
    return count;
}

int32_t CSensorModelD::SendText(const char* text, int32_t length) {
    char drained[kLineBytes];
    ReceiveText(drained, kLineBytes);
    int32_t result = 0;
    for (int32_t i = 0; text != nullptr && i < length && text[i] != '\0'; ++i) {
        result = WritePort(text[i]) ? 1 : 0;
        Sleep(kCharacterPauseMs);
        if (!result) break;
    }
    return result;
}

int32_t CSensorModelD::SendCommand(int32_t retries, const char* command, int32_t length,
                                   const char* expected, int32_t expectedLength) {
    if (command == nullptr || length <= 0) return 0;
    const char* reply = expected != nullptr ? expected : kDefaultReply;
    const size_t replyLength =
        expected != nullptr && expectedLength > 0 ? size_t(expectedLength) : std::strlen(reply);
    // A command the port refused never reached the module: no reply can come.
    if (!SendText(command, length)) return 0;
    const uint32_t start = Tick();
    int32_t resends = 0;
    char line[kLineBytes];
    while (Tick() - start <= kCommandLimitMs) {
        const int32_t count = ReceiveText(line, kLineBytes);
        if (Matches(line, count, kRejected, sizeof kRejected - 1)) {
            // Each rejection is answered by a resend whose own reply is awaited in turn.
            if (resends >= retries || !SendText(command, length)) return 0;
            ++resends;
        } else if (Matches(line, count, reply, replyLength)) {
            return 1;
        } else if (count > 0) {
            Sleep(kCharacterPauseMs);
        }
    }
    return 0;
}

int32_t CSensorModelD::SendCommand(int32_t retries, const std::string& command,
                                   const std::string& expected) {
    return SendCommand(retries, command.c_str(), int32_t(command.size()),
                       expected.empty() ? nullptr : expected.c_str(), int32_t(expected.size()));
}

int32_t CSensorModelD::SetDebugMode(int32_t on) {
    const bool wanted = on != 0;
    std::lock_guard lock(gDebugLock);
    if (wanted == gDebugOn) return 1;
    const int32_t ok = wanted ? SendCommand(kRetries, kDebugOn, kDebugOnReply)
                              : SendCommand(kRetries, kDebugOff, kDebugOffReply);
    if (ok) gDebugOn = wanted;
    return ok;
}

bool CSensorModelD::DebugModeOn() {
    std::lock_guard lock(gDebugLock);
    return gDebugOn;
}

int32_t CSensorModelD::ConsoleWriteFpga(int32_t reg, int32_t value) {
    if (!SetDebugMode(1)) return 0;
    char command[32];
    char echo[48];
    std::snprintf(command, sizeof command, "q -w x%02x x%02x\n", unsigned(reg & 0xFF),
                  unsigned(value & 0xFF));
    std::snprintf(echo, sizeof echo, "Fpga Write   : 0x%02X : 0x%02X\r\n", unsigned(reg & 0xFF),
                  unsigned(value & 0xFF));
    return SendCommand(kRetries, command, echo);
}

}  // namespace kelvra

#include "sim/ModuleConsole.h"

#include <cstdio>
#include <sstream>

namespace kelvra::sim {
namespace {

constexpr size_t kMaxLine = 256;
constexpr char kOk[] = "OK\r\n";
constexpr char kRejected[] = "NG\r\n";

}  // namespace

// Power-up: the module forgets its modes and settings; its output is empty.
void ModuleConsole::powerOn() {
    state_ = ConsoleState{};
    pending_.clear();
    out_.clear();
}

// A line ends at a line feed (a carriage return before it belongs to the line ending).
void ModuleConsole::receive(char c) {
    if (c != '\n') {
        if (pending_.size() < kMaxLine) pending_ += c;
        return;
    }
    std::string line = pending_;
    pending_.clear();
    if (!line.empty() && line.back() == '\r') line.pop_back();
    execute(line);
}

char ModuleConsole::next() {
    if (out_.empty()) return 0;
    const char c = out_.front();
    out_.pop_front();
    return c;
}

void ModuleConsole::reply(const std::string& text) {
    out_.insert(out_.end(), text.begin(), text.end());
}

void ModuleConsole::execute(const std::string& command) {
    state_.commands.push_back(command);
    if (rejects_ > 0) {
        --rejects_;
        reply(kRejected);
        return;
    }
    const std::string text = answer(command);
    if (!silent_) reply(text);
}

// The command's effect and its answer line.
std::string ModuleConsole::answer(const std::string& command) {
    std::istringstream words(command);
    std::string verb, option, value, extra;
    words >> verb >> option >> value >> extra;
    if (verb == "n" && option.empty()) {
        state_.named = true;
        return std::string(kName) + "\r\n";
    }
    if (verb == "x" && option == "-c" && value.empty()) {
        state_.started = true;
        return kOk;
    }
    if ((verb == "i" || verb == "g") && option == "-v" && !value.empty() && extra.empty()) {
        char* end = nullptr;
        const long number = std::strtol(value.c_str(), &end, 10);
        if (*end != '\0' || number < 0 || (verb == "g" && number > 255)) return kRejected;
        (verb == "i" ? state_.exposureLines : state_.gain) = int(number);
        return kOk;
    }
    if (verb == "d" && option == "-y" && value == kDebugCode) {
        state_.debug = true;
        return "Welcome Debug Mode!\r\n";
    }
    if (verb == "d" && option == "-n" && value.empty()) {
        state_.debug = false;
        return "Good Bye!\r\n";
    }
    unsigned reg = 0, data = 0;
    if (verb == "q" && option == "-w" && state_.debug &&
        std::sscanf(value.c_str(), "x%x", &reg) == 1 &&
        std::sscanf(extra.c_str(), "x%x", &data) == 1 && reg <= 0xFF && data <= 0xFF) {
        state_.fpga[int(reg)] = int(data);
        char echo[48];
        std::snprintf(echo, sizeof echo, "Fpga Write   : 0x%02X : 0x%02X\r\n", reg, data);
        return echo;
    }
    return kRejected;
}

}  // namespace kelvra::sim

#pragma once
// The camera module's serial console behind the one-byte data port: it collects the characters
// the host writes into lines, answers each command line with a text line the host reads back
// character by character, and keeps what the commands set. Faults on demand: the next commands
// rejected with "NG", or no answer at all. Not locked: the owning camera serialises access.

#include <cstdint>
#include <deque>
#include <map>
#include <string>
#include <vector>

namespace kelvra::sim {

struct ConsoleState {
    bool named = false;    // the module has told its name ("n")
    bool started = false;  // capture started ("x -c")
    bool debug = false;    // debug mode
    int exposureLines = 10000;
    int gain = 128;
    std::map<int, int> fpga;            // the module FPGA's registers, as written
    std::vector<std::string> commands;  // every command line received, in order
};

class ModuleConsole {
  public:
    static constexpr char kName[] = "KELVRA-T9QMODULEX";
    static constexpr char kDebugCode[] = "5830417";

    void powerOn();
    void receive(char c);
    char next();  // 0: nothing to send

    void rejectNext(int commands) { rejects_ = commands; }
    // Text the module sends of its own accord (messages between replies).
    void say(const std::string& text) { reply(text); }
    void setSilent(bool silent) { silent_ = silent; }
    const ConsoleState& state() const { return state_; }

  private:
    void execute(const std::string& command);
    std::string answer(const std::string& command);
    void reply(const std::string& text);

    ConsoleState state_;
    std::string pending_;
    std::deque<char> out_;
    int rejects_ = 0;
    bool silent_ = false;
};

}  // namespace kelvra::sim

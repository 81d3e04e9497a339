#pragma once
// Parsing of the kelvra command line: global options, the command, its options and operands.
// Pure functions only (no library calls), so they are unit-tested on their own.

#include <map>
#include <optional>
#include <set>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace kelvra::tool {

// A malformed command line: main prints the message and the command's usage, exits 2.
class UsageError : public std::runtime_error {
  public:
    UsageError(std::string command, const std::string& message)
        : std::runtime_error(message), command_(std::move(command)) {}
    const std::string& command() const { return command_; }

  private:
    std::string command_;
};

// What a command accepts: options that take a value, flag options, and how many operands.
struct CommandSyntax {
    std::string name;
    std::set<std::string> valueOptions;  // long names without "--"
    std::set<std::string> flagOptions;
    size_t minOperands = 0;
    size_t maxOperands = 0;
};

// Options that every command accepts, before or after the command name.
struct GlobalOptions {
    std::optional<int> camera;  // --camera N
    bool simulate = false;      // --simulate
    bool json = false;          // --json: machine-readable output where a command offers it
};

struct CommandLine {
    GlobalOptions global;
    bool help = false;     // --help / -h
    bool version = false;  // --version
    std::string command;   // empty when only global options were given
    std::map<std::string, std::string> options;
    std::set<std::string> flags;
    std::vector<std::string> operands;

    bool has(const std::string& option) const { return options.count(option) != 0; }
    bool flag(const std::string& name) const { return flags.count(name) != 0; }
};

// Splits argv (without the program name). `syntaxes` names the known commands; an unknown command,
// an unknown option, a missing value or a wrong operand count throws UsageError.
CommandLine parseCommandLine(const std::vector<std::string>& args,
                             const std::vector<CommandSyntax>& syntaxes);

// Number parsers: the whole text must be consumed. Each throws UsageError naming `what`.
// parseInteger accepts decimal or 0x-prefixed hexadecimal and checks [min, max].
long long parseInteger(std::string_view command, std::string_view what, std::string_view text,
                       long long min, long long max);
// A positive number of seconds, fractions allowed ("2", "0.5").
double parseSeconds(std::string_view command, std::string_view what, std::string_view text);
// An exposure time: "10ms", "0.5s", "250us", "20.3µs"; a bare number means milliseconds. Result
// in seconds. `what` names the value in messages.
double parseExposure(std::string_view command, std::string_view text,
                     std::string_view what = "--exposure");

// --color-mode: 8 or 16 bits per pixel.
int parseColorMode(std::string_view command, std::string_view text,
                   std::string_view what = "--color-mode");

// A readout window written WxH+X+Y (X and Y may be omitted: WxH means +0+0).
struct WindowGeometry {
    int width = 0;
    int height = 0;
    int x = 0;
    int y = 0;
};
WindowGeometry parseWindow(std::string_view command, std::string_view text,
                           std::string_view what = "--window");

// --mirror h|v|hv (or vh).
struct Mirror {
    bool horizontal = false;
    bool vertical = false;
};
Mirror parseMirror(std::string_view command, std::string_view text,
                   std::string_view what = "--mirror");

// " (did you mean 'NAME'?)" for the candidate closest to a misspelt `text`, or "" when none is
// close enough to be what was meant.
std::string didYouMean(std::string_view text, const std::vector<std::string>& candidates,
                       std::string_view prefix = "");

}  // namespace kelvra::tool

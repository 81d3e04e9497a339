// kelvra: command-line client of the Kelvra camera library. Uses the public API only.
#include <algorithm>
#include <cstdio>
#include <exception>
#include <iterator>
#include <string>
#include <string_view>
#include <vector>

#include "CommandLine.h"
#include "CommandTable.h"
#include "Commands.h"
#include "ErrorWords.h"
#include "KelvraSdk.h"

#ifndef KELVRA_TOOL_VERSION
#define KELVRA_TOOL_VERSION "unknown"
#endif

namespace {

using namespace kelvra::tool;

constexpr int kExitFailure = 1;
constexpr int kExitUsage = 2;

struct Runner {
    std::string_view name;
    int (*run)(const CommandLine&);
};

constexpr Runner kRunners[] = {
    {"list", runList},
    {"info", runInfo},
    {"snap", runSnap},
    {"stream", runStream},
    {"record", runRecord},
    {"cooler", runCooler},
    {"temperature", runTemperature},
    {"mask", runMask},
    {"reg", runReg},
    {"bench", runBench},
    {"demo", runDemo},
    {"settings", runSettings},
    {"doctor", runDoctor},
    {"udev-rule", runUdevRule},
    {"get", runGet},
    {"set", runSet},
};

// Commands whose output has a JSON form.
constexpr std::string_view kJsonCommands[] = {"list", "info", "get", "stream", "record"};

void printVersion() {
    const unsigned version = static_cast<unsigned>(Kelvra_GetDllVersion());
    std::printf("kelvra %s, library version %u.%u.%u.%u\n", KELVRA_TOOL_VERSION, version >> 24,
                (version >> 16) & 0xFF, (version >> 8) & 0xFF, version & 0xFF);
}

void printUsage(std::FILE* out, std::string_view command) {
    const CommandHelp* help = findCommand(command);
    std::fputs(help != nullptr ? commandUsageText(*help).c_str() : overviewText().c_str(), out);
}

// A typo gets one line and where to read more; only a missing command gets the overview.
void printUsageError(const UsageError& error) {
    std::fprintf(stderr, "kelvra: %s\n", error.what());
    if (error.command().empty() && std::string_view(error.what()) == "no command given") {
        std::fprintf(stderr, "\n%s", overviewText().c_str());
        return;
    }
    const std::string help =
        error.command().empty() ? "kelvra --help" : "kelvra " + error.command() + " --help";
    std::fprintf(stderr, "see '%s'\n", help.c_str());
}

int dispatch(const CommandLine& line) {
    if (line.help) {
        printUsage(stdout, line.command);
        return 0;
    }
    if (line.version) {
        printVersion();
        return 0;
    }
    if (line.command.empty()) throw UsageError("", "no command given");
    if (line.global.json && std::find(std::begin(kJsonCommands), std::end(kJsonCommands),
                                      line.command) == std::end(kJsonCommands)) {
        throw UsageError(line.command, "--json is not offered by " + line.command);
    }
    for (const Runner& runner : kRunners) {
        if (runner.name == line.command) return runner.run(line);
    }
    throw UsageError("", "unknown command '" + line.command + "'");
}

}  // namespace

int main(int argc, char** argv) {
    const std::vector<std::string> args(argv + 1, argv + argc);
    try {
        return dispatch(parseCommandLine(args, commandSyntaxes()));
    } catch (const UsageError& error) {
        printUsageError(error);
        return kExitUsage;
    } catch (const ToolFailure& failure) {
        std::fflush(stdout);
        std::fprintf(stderr, "%s\n", failure.what());
        return kExitFailure;
    } catch (const std::exception& error) {
        std::fflush(stdout);
        std::fprintf(stderr, "kelvra: %s\n", error.what());
        return kExitFailure;
    }
}

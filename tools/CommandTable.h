#pragma once
// The commands of kelvra: what each accepts and its help text. No library calls here.

#include <string_view>
#include <vector>

#include "CommandLine.h"

namespace kelvra::tool {

struct CommandHelp {
    CommandSyntax syntax;
    std::string_view summary;  // one line for the overview
    std::string_view usage;    // full help of the command
};

const std::vector<CommandHelp>& commandTable();
std::vector<CommandSyntax> commandSyntaxes();
// The command's entry, or nullptr.
const CommandHelp* findCommand(std::string_view name);

// The overview printed by "kelvra --help" and on a bad command line without a known command.
std::string overviewText();
// "kelvra <command>" help, followed by the options every command accepts.
std::string commandUsageText(const CommandHelp& command);

}  // namespace kelvra::tool

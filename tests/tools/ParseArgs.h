#pragma once
// The tool's own command table applied to an argument list, as main does.
#include <string>
#include <vector>

#include "CommandLine.h"
#include "CommandTable.h"

namespace kelvra::tool {

inline CommandLine parse(std::vector<std::string> args) {
    return parseCommandLine(args, commandSyntaxes());
}

}  // namespace kelvra::tool

#pragma once
// The words for the library's error codes, and the one-line failure message built from them.

#include <stdexcept>
#include <string>
#include <string_view>

namespace kelvra::tool {

// Plain words for an error code of Kelvra_GetLastError; unknown codes get a generic text.
std::string_view errorWords(int code);

// "kelvra: <what>: <words> (error <code>)".
std::string failureLine(std::string_view what, int code);

// A failed step: main prints what() on stderr and exits 1.
class ToolFailure : public std::runtime_error {
  public:
    // A failure the library reported with `code`.
    ToolFailure(std::string_view what, int code) : std::runtime_error(failureLine(what, code)) {}
    // A failure found by the tool itself (no library code): "kelvra: <what>: <why>".
    ToolFailure(std::string_view what, std::string_view why)
        : std::runtime_error("kelvra: " + std::string(what) + ": " + std::string(why)) {}
};

// A failed write of `path` that the library reported with `code` (0: no reason given): the
// library's words and the system's reason, whichever are known.
ToolFailure writeFailure(std::string_view what, int code, const std::string& path);

}  // namespace kelvra::tool

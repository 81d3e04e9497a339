#pragma once
// Checks on the files the tool is asked to write, made before the library is asked to write
// them, so that the message names the real problem.

#include <string>

namespace kelvra::tool {

// Throws ToolFailure ("kelvra: cannot write PATH: the directory D does not exist") unless the
// directory that would hold `path` exists and is a directory.
void requireOutputDirectory(const std::string& path);

// Why `path` could not be written, in the system's words ("Is a directory", "No space left on
// device", "Permission denied"), found by trying what the writer needs; "" when a test write
// succeeds. For failures the library reports without a reason.
std::string writeFailureReason(const std::string& path);

// The size of the file at `path`, 0 when it does not exist.
unsigned long long fileSizeOrZero(const std::string& path);

}  // namespace kelvra::tool

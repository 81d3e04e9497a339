// The standard output of a shell command, for checks through outside tools (ffprobe, ffmpeg).
#pragma once

#include <cstdio>
#include <string>

namespace kelvra::test {

// Everything the command wrote to its standard output, binary safe; empty if it did not start.
inline std::string CommandOutput(const std::string& command) {
    std::string out;
    FILE* pipe = popen(command.c_str(), "r");
    if (pipe == nullptr) return out;
    char buffer[65536];
    size_t n;
    while ((n = fread(buffer, 1, sizeof(buffer), pipe)) > 0) out.append(buffer, n);
    pclose(pipe);
    return out;
}

}  // namespace kelvra::test

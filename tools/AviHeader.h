#pragma once
// The fields of an AVI file's main header that tell whether the writer has finalised it and
// what it holds. Used to follow a recording that the library writes.

#include <cstdint>
#include <optional>
#include <span>
#include <string>

namespace kelvra::tool {

struct AviHeader {
    uint32_t riffSize = 0;  // 0 until the writer finalises the file
    uint32_t microsecondsPerFrame = 0;
    uint32_t totalFrames = 0;
    int32_t width = 0;
    int32_t height = 0;

    bool finalised() const { return riffSize != 0; }
};

// Size of the fixed header block this reads (everything up to the main header's height).
inline constexpr size_t kAviHeaderBytes = 72;

// The header from the first bytes of a file; nullopt when they are not "RIFF....AVI " or fewer
// than kAviHeaderBytes.
std::optional<AviHeader> parseAviHeader(std::span<const uint8_t> bytes);
// The header of the file at `path`; nullopt when it cannot be read or is not an AVI file yet.
std::optional<AviHeader> readAviHeader(const std::string& path);

}  // namespace kelvra::tool

#include "AviHeader.h"

#include <array>
#include <cstring>
#include <fstream>

namespace kelvra::tool {
namespace {

// Offsets in the RIFF header and the main AVI header ("avih").
constexpr size_t kRiffSizeOffset = 4;
constexpr size_t kFormTypeOffset = 8;
constexpr size_t kMicrosecondsPerFrameOffset = 32;
constexpr size_t kTotalFramesOffset = 48;
constexpr size_t kWidthOffset = 64;
constexpr size_t kHeightOffset = 68;

uint32_t littleEndian32(std::span<const uint8_t> bytes, size_t offset) {
    return static_cast<uint32_t>(bytes[offset]) | static_cast<uint32_t>(bytes[offset + 1]) << 8 |
           static_cast<uint32_t>(bytes[offset + 2]) << 16 |
           static_cast<uint32_t>(bytes[offset + 3]) << 24;
}

}  // namespace

std::optional<AviHeader> parseAviHeader(std::span<const uint8_t> bytes) {
    if (bytes.size() < kAviHeaderBytes) return std::nullopt;
    if (std::memcmp(bytes.data(), "RIFF", 4) != 0 ||
        std::memcmp(bytes.data() + kFormTypeOffset, "AVI ", 4) != 0) {
        return std::nullopt;
    }
    AviHeader header;
    header.riffSize = littleEndian32(bytes, kRiffSizeOffset);
    header.microsecondsPerFrame = littleEndian32(bytes, kMicrosecondsPerFrameOffset);
    header.totalFrames = littleEndian32(bytes, kTotalFramesOffset);
    header.width = static_cast<int32_t>(littleEndian32(bytes, kWidthOffset));
    header.height = static_cast<int32_t>(littleEndian32(bytes, kHeightOffset));
    return header;
}

std::optional<AviHeader> readAviHeader(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    std::array<uint8_t, kAviHeaderBytes> bytes{};
    if (!file.read(reinterpret_cast<char*>(bytes.data()), bytes.size())) return std::nullopt;
    return parseAviHeader(bytes);
}

}  // namespace kelvra::tool

// The configuration file: consecutive pairs of little-endian 32-bit values.
#pragma once

#include <cstdint>
#include <vector>

namespace kelvra {

struct ConfigPair {
    uint32_t first;
    uint32_t second;
};

// The largest configuration file read: 131072 pairs, every 16-bit register address twice over.
// Larger files are not configurations and are refused before anything is read.
constexpr uint64_t kMaxConfigFileSize = 1024 * 1024;

bool ReadConfigFile(const char* path, std::vector<ConfigPair>& pairs, bool* tooLarge = nullptr);

}  // namespace kelvra

// The configuration file: consecutive pairs of little-endian 32-bit values.
#pragma once

#include <cstdint>
#include <vector>

namespace kelvra {

struct ConfigPair {
    uint32_t first;
    uint32_t second;
};

bool ReadConfigFile(const char* path, std::vector<ConfigPair>& pairs);

}  // namespace kelvra

// The configuration file loader: any file gives size / 8 pairs read as little-endian values,
// or is refused whole.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "FuzzScratch.h"
#include "output/ConfigFile.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const kelvra::fuzz::Scratch scratch;
    const std::string path = scratch.Path("config.bin");
    scratch.Write(path, data, size);
    std::vector<kelvra::ConfigPair> pairs = {{7, 7}};
    bool tooLarge = true;
    const bool read = kelvra::ReadConfigFile(path.c_str(), pairs, &tooLarge);
    if (size > kelvra::kMaxConfigFileSize) {
        if (read || !tooLarge || pairs.size() != 1) std::abort();
        return 0;
    }
    if (!read || tooLarge || pairs.size() != size / 8) std::abort();
    for (size_t i = 0; i < pairs.size(); ++i) {
        const uint8_t* p = data + 8 * i;
        const uint32_t first = p[0] | p[1] << 8 | p[2] << 16 | uint32_t{p[3]} << 24;
        const uint32_t second = p[4] | p[5] << 8 | p[6] << 16 | uint32_t{p[7]} << 24;
        if (pairs[i].first != first || pairs[i].second != second) std::abort();
    }
    return 0;
}

// The configuration entries of CKelvra, loaded from a file of value pairs.
#include <vector>

#include "front/CKelvra.h"
#include "output/ConfigFile.h"

namespace kelvra {

// Replaces the configuration entries with the pairs of little-endian 32-bit values in
// `fileName` (trailing bytes ignored; a file under 8 bytes empties them). 1; 0 without a code
// and the entries untouched when the file cannot be opened or read or is not a regular file
// (a FIFO or device is never waited on); 0 with code 9 and the entries untouched for a file
// larger than any configuration (kMaxConfigFileSize), which is not read at all. The file is
// read before the mask lock is taken, so a slow disk never holds up the frame path.
int CKelvra::LoadConfigFile(const char* fileName) {
    std::lock_guard<std::recursive_mutex> guard(callLock_);
    std::vector<ConfigPair> pairs;
    bool tooLarge = false;
    if (!ReadConfigFile(fileName, pairs, &tooLarge)) {
        return tooLarge ? (RecordError(kErrorParameter), 0) : 0;
    }
    std::vector<std::pair<int32_t, int32_t>> entries;
    entries.reserve(pairs.size());
    for (const ConfigPair& pair : pairs) {
        entries.emplace_back(static_cast<int32_t>(pair.first), static_cast<int32_t>(pair.second));
    }
    std::lock_guard<std::recursive_mutex> mask(maskLock_);
    configEntries_.swap(entries);
    return 1;
}

}  // namespace kelvra

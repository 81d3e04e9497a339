#include "output/ConfigFile.h"

#include <cerrno>
#include <new>

#include "output/ByteOrder.h"
#include "output/CFileBuffer.h"

namespace kelvra {

namespace {

constexpr size_t kPairSize = 8;

}  // namespace

// Reads `path` whole and returns its consecutive pairs of little-endian 32-bit values in
// `pairs`: size / 8 of them, trailing bytes ignored, so a file shorter than 8 bytes gives none.
// Returns true with `pairs` replaced; false with `pairs` untouched when the file cannot be
// opened or read, is not a regular file (never waited on), is larger than kMaxConfigFileSize
// (then *tooLarge, if given, is set) or memory runs out. Reads no shared state: the caller
// swaps the result into its entries under its own lock.
bool ReadConfigFile(const char* path, std::vector<ConfigPair>& pairs, bool* tooLarge) {
    if (tooLarge != nullptr) *tooLarge = false;
    CFileBuffer file;
    const uint8_t* data = file.OpenForRead(path, kMaxConfigFileSize);
    if (data == nullptr) {
        if (tooLarge != nullptr) *tooLarge = errno == EFBIG;
        return false;
    }
    const size_t count = file.Size() / kPairSize;
    std::vector<ConfigPair> loaded;
    try {
        loaded.reserve(count);
    } catch (const std::bad_alloc&) {
        return false;
    }
    for (size_t i = 0; i < count; ++i) {
        const uint8_t* p = data + i * kPairSize;
        loaded.push_back({le::Get32(p), le::Get32(p + 4)});
    }
    pairs.swap(loaded);
    return true;
}

}  // namespace kelvra

// One row of the device table, laid out as the shared device map stores it (268 bytes).
#pragma once

#include <bit>
#include <cstdint>

namespace kelvra {

inline constexpr int32_t kMaxDeviceEntries = 32;
inline constexpr size_t kDevicePathField = 260;  // bytes, the terminating NUL included
inline constexpr int32_t kNoInstance = -1;

struct DeviceEntry {
    uint16_t vendorId = 0;
    uint16_t productId = 0;  // 0 marks an empty entry
    int32_t instance = kNoInstance;
    char path[kDevicePathField] = {};

    bool IsEmpty() const { return productId == 0; }
};

static_assert(sizeof(DeviceEntry) == 268, "a device-table entry is 268 bytes");
// The map is little-endian; entries are copied to and from it byte for byte.
static_assert(std::endian::native == std::endian::little,
              "the device map needs a little-endian host");

}  // namespace kelvra

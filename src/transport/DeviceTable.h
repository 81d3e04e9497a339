// The device table: 32 entries and a count. Entries are only appended; an entry keeps its place
// and its instance number for as long as the table lives. A plain value: the owner locks it.
#pragma once

#include <array>
#include <cstdint>
#include <string_view>

#include "transport/DeviceEntry.h"

namespace kelvra::transport {

// Where an interface found by enumeration went.
enum class AddOutcome { Known, Added, TableFull };

class DeviceTable {
  public:
    DeviceTable() { Reset(); }

    void Reset();
    AddOutcome Add(uint16_t vendorId, uint16_t productId, std::string_view path,
                   bool* overwroteEntry = nullptr);

    int32_t Count() const { return m_count; }
    DeviceEntry Entry(int32_t index) const;
    int32_t FindIndex(int32_t productId, int32_t instance) const;

    // Raw access for the shared map, which stores the 32 entries and the count as they are.
    std::array<DeviceEntry, kMaxDeviceEntries>& Entries() { return m_entries; }
    const std::array<DeviceEntry, kMaxDeviceEntries>& Entries() const { return m_entries; }
    void SetCount(int32_t count);

  private:
    std::array<DeviceEntry, kMaxDeviceEntries> m_entries;
    int32_t m_count = 0;
};

}  // namespace kelvra::transport

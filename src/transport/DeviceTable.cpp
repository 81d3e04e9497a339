#include "transport/DeviceTable.h"

#include <algorithm>
#include <cstring>

namespace kelvra::transport {

// Empties every entry (ids 0, instance -1, zeroed path) and the count.
void DeviceTable::Reset() {
    m_entries.fill(DeviceEntry{});
    m_count = 0;
}

// Records an interface found by enumeration. Its instance number is how many entries of the same
// vendor and product id the table already holds; all 32 entries are walked, as entries beyond
// the count are normally empty. A path already present (exact bytes) is Known and changes
// nothing, so a camera that comes back under its old path keeps its number. With 32 entries in
// use the interface is not listed (TableFull). *overwroteEntry reports an entry at the count
// that was not empty (only a damaged map can leave one); it is overwritten regardless.
// The path must fit the 260-byte field; a longer one is refused as TableFull would be.
AddOutcome DeviceTable::Add(uint16_t vendorId, uint16_t productId, std::string_view path,
                            bool* overwroteEntry) {
    if (overwroteEntry) *overwroteEntry = false;
    int32_t sameModel = 0;
    for (const DeviceEntry& entry : m_entries) {
        if (entry.vendorId != vendorId || entry.productId != productId) continue;
        ++sameModel;
        if (path == std::string_view(entry.path, strnlen(entry.path, kDevicePathField))) {
            return AddOutcome::Known;
        }
    }
    if (m_count >= kMaxDeviceEntries || path.size() >= kDevicePathField) {
        return AddOutcome::TableFull;
    }
    DeviceEntry& slot = m_entries[static_cast<size_t>(m_count)];
    if (overwroteEntry) *overwroteEntry = !slot.IsEmpty();
    slot = DeviceEntry{};
    slot.vendorId = vendorId;
    slot.productId = productId;
    slot.instance = sameModel;
    std::memcpy(slot.path, path.data(), path.size());
    ++m_count;
    return AddOutcome::Added;
}

// A copy of entry `index`; the empty entry for an index below 0, at 32 or more, or at or beyond
// the count.
DeviceEntry DeviceTable::Entry(int32_t index) const {
    if (index < 0 || index >= m_count || index >= kMaxDeviceEntries) return DeviceEntry{};
    return m_entries[static_cast<size_t>(index)];
}

// The first of the 32 entries with this product id and instance number; -1 when none has. An
// empty entry never matches, whatever is asked.
int32_t DeviceTable::FindIndex(int32_t productId, int32_t instance) const {
    for (int32_t i = 0; i < kMaxDeviceEntries; ++i) {
        const DeviceEntry& entry = m_entries[static_cast<size_t>(i)];
        if (entry.IsEmpty()) continue;
        if (entry.instance == instance && entry.productId == productId) return i;
    }
    return -1;
}

// Takes a count read from the shared map, clamped to 0..32 so that a damaged map cannot make
// the table index outside its entries.
void DeviceTable::SetCount(int32_t count) {
    m_count = std::clamp(count, 0, kMaxDeviceEntries);
}

}  // namespace kelvra::transport

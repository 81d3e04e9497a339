// Who is attached to the shared device map: a side record, in a block of its own next to the
// map, of the processes attached and how many controllers each has. The map's live controller
// count alone cannot tell a crashed user from a live one; the side record can, so a map left
// behind by crashed processes is recognised and started afresh.
#pragma once

#include <cstdint>
#include <functional>

namespace kelvra::transport {

inline constexpr int32_t kMaxMapUsers = 256;

struct MapUserSlot {
    int32_t pid;          // 0: free slot
    int32_t controllers;  // controllers of that process attached to the map
};

struct MapUsersRecord {
    uint32_t magic;  // kMapUsersMagic once initialised; anything else reads as "no users"
    uint32_t reserved;
    MapUserSlot slots[kMaxMapUsers];
};

inline constexpr uint32_t kMapUsersMagic = 0x53524555;  // "UERS"

// Tells whether a process still exists.
using ProcessProbe = std::function<bool(int32_t pid)>;

int32_t PruneMapUsers(MapUsersRecord& record, const ProcessProbe& isAlive);
bool AddMapUser(MapUsersRecord& record, int32_t pid);
void RemoveMapUser(MapUsersRecord& record, int32_t pid);

}  // namespace kelvra::transport

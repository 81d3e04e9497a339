#include "transport/DeviceMapUsers.h"

#include <cstring>

namespace kelvra::transport {
namespace {

void Initialise(MapUsersRecord& record) {
    std::memset(&record, 0, sizeof record);
    record.magic = kMapUsersMagic;
}

}  // namespace

// Forgets every process that no longer exists (or a slot that makes no sense) and returns the
// controllers the remaining processes hold. A record never initialised, or damaged beyond its
// magic, counts as no users. The caller holds the map's lock.
int32_t PruneMapUsers(MapUsersRecord& record, const ProcessProbe& isAlive) {
    if (record.magic != kMapUsersMagic) Initialise(record);
    int32_t live = 0;
    for (MapUserSlot& slot : record.slots) {
        if (slot.pid == 0) continue;
        if (slot.controllers <= 0 || !isAlive(slot.pid)) {
            slot = MapUserSlot{0, 0};
            continue;
        }
        live += slot.controllers;
    }
    return live;
}

// Counts one more controller for `pid`. False when the record is full (256 processes): that
// controller then goes unrecorded. The caller holds the map's lock.
bool AddMapUser(MapUsersRecord& record, int32_t pid) {
    if (record.magic != kMapUsersMagic) Initialise(record);
    MapUserSlot* free = nullptr;
    for (MapUserSlot& slot : record.slots) {
        if (slot.pid == pid) {
            ++slot.controllers;
            return true;
        }
        if (slot.pid == 0 && free == nullptr) free = &slot;
    }
    if (free == nullptr) return false;
    *free = MapUserSlot{pid, 1};
    return true;
}

// Counts one controller of `pid` less, freeing its slot at zero. The caller holds the lock.
void RemoveMapUser(MapUsersRecord& record, int32_t pid) {
    if (record.magic != kMapUsersMagic) return;
    for (MapUserSlot& slot : record.slots) {
        if (slot.pid != pid) continue;
        if (--slot.controllers <= 0) slot = MapUserSlot{0, 0};
        return;
    }
}

}  // namespace kelvra::transport

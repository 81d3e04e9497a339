#include "transport/SharedDeviceMap.h"

#include <unistd.h>

#include <algorithm>
#include <cstring>

namespace kelvra::transport {
namespace {

using platform::SharedMemory;

static_assert(kDeviceMapEntriesOffset + kMaxDeviceEntries * sizeof(DeviceEntry) ==
              kDeviceMapEntryCountOffset);
static_assert(kDeviceMapEntryCountOffset + sizeof(int32_t) == kDeviceMapSize);

// An open that loses a race against a concurrent removal is repeated; a few rounds settle it.
constexpr int kAttachAttempts = 8;

int32_t LoadI32(const uint8_t* p) {
    int32_t value;
    std::memcpy(&value, p, sizeof value);
    return value;
}

void StoreI32(uint8_t* p, int32_t value) {
    std::memcpy(p, &value, sizeof value);
}

uint8_t* Bytes(SharedMemory& block) {
    return static_cast<uint8_t*>(block.Data());
}

// Copies the map's table into `table`. The block may hold anything another process left there:
// paths are forced to end inside their field and the count to lie in 0..32.
void LoadTable(const uint8_t* block, DeviceTable& table) {
    std::memcpy(table.Entries().data(), block + kDeviceMapEntriesOffset,
                kMaxDeviceEntries * sizeof(DeviceEntry));
    for (DeviceEntry& entry : table.Entries()) entry.path[kDevicePathField - 1] = '\0';
    table.SetCount(LoadI32(block + kDeviceMapEntryCountOffset));
}

void StoreTable(uint8_t* block, const DeviceTable& table) {
    std::memcpy(block + kDeviceMapEntriesOffset, table.Entries().data(),
                kMaxDeviceEntries * sizeof(DeviceEntry));
    StoreI32(block + kDeviceMapEntryCountOffset, table.Count());
}

bool IsAlive(int32_t pid) {
    return pid == getpid() || platform::IsProcessAlive(pid);
}

// Whether `held` is still the block that `name` refers to. A process that brings the count to 0
// removes the name while holding the lock; one that opened the old block just before waits for
// that lock and must then notice it holds an orphan. Identity is checked by flipping a byte of
// the live count through `held` and looking for the flip through a fresh opening of the name.
// The caller holds `held`'s lock, so nobody following the protocol sees the flipped byte.
bool IsCurrent(const std::string& name, SharedMemory& held) {
    std::unique_ptr<SharedMemory> probe = SharedMemory::OpenOrCreate(name, kDeviceMapSize);
    if (!probe) return true;  // cannot tell: keep what is held
    if (probe->Created()) {
        // The name had gone; the block just made is nobody's yet.
        SharedMemory::Unlink(name);
        return false;
    }
    constexpr size_t kFlipOffset = kDeviceMapLiveCountOffset + 3;
    volatile uint8_t* mine = Bytes(held) + kFlipOffset;
    volatile const uint8_t* seen = Bytes(*probe) + kFlipOffset;
    const uint8_t saved = *mine;
    *mine = static_cast<uint8_t>(~saved);
    const bool same = *seen == static_cast<uint8_t>(~saved);
    *mine = saved;
    return same;
}

}  // namespace

// The side record's block: "<map name>.users".
std::string DeviceMapUsersName(const std::string& mapName) {
    return mapName + ".users";
}

// Attaches to (or creates) the map `name` and loads it into `table`: the table becomes the
// map's, or empty when no live controller uses the map (fresh block, count 0, or all recorded
// users gone). The live count grows by one and the table is written back. Without shared memory
// the process goes on alone: the table is emptied when no other controller of the process is
// attached. `processControllers` counts this process's attached controllers either way.
void SharedDeviceMap::Attach(const std::string& name, DeviceTable& table,
                             int32_t& processControllers) {
    for (int attempt = 0; attempt < kAttachAttempts && !m_block; ++attempt) {
        std::unique_ptr<SharedMemory> block = SharedMemory::OpenOrCreate(name, kDeviceMapSize);
        if (!block) break;
        block->Lock();
        if (!IsCurrent(name, *block)) {
            block->Unlock();
            continue;
        }
        m_name = name;
        m_block = std::move(block);
        m_users = SharedMemory::OpenOrCreate(DeviceMapUsersName(name), sizeof(MapUsersRecord));
        JoinLocked(table);
        m_block->Unlock();
    }
    if (!m_block && processControllers == 0) table.Reset();
    ++processControllers;
    m_attached = true;
}

// With the block locked: decides whether the map is fresh, takes its table or empties it, and
// records this controller.
void SharedDeviceMap::JoinLocked(DeviceTable& table) {
    uint8_t* bytes = Bytes(*m_block);
    MapUsersRecord* users = Users();
    int32_t live =
        users ? PruneMapUsers(*users, IsAlive) : LoadI32(bytes + kDeviceMapLiveCountOffset);
    if (live <= 0) {
        live = 0;
        table.Reset();
    } else {
        LoadTable(bytes, table);
    }
    if (users) AddMapUser(*users, getpid());
    StoreI32(bytes + kDeviceMapLiveCountOffset, live + 1);
    StoreTable(bytes, table);
}

// Runs `change` on the map's current table and publishes the result: the table is reloaded
// first, so entries that other processes added since are kept and numbered alike everywhere.
// The live count belongs to attach and detach and is left alone. Without a map `change` runs on
// the process table alone.
void SharedDeviceMap::Update(DeviceTable& table, const std::function<void(DeviceTable&)>& change) {
    if (!m_block) {
        change(table);
        return;
    }
    m_block->Lock();
    LoadTable(Bytes(*m_block), table);
    change(table);
    StoreTable(Bytes(*m_block), table);
    m_block->Unlock();
}

// Detaches: the live count drops by one (users that died meanwhile no longer count), and at 0
// the map's names are removed, so the next attach anywhere starts empty. The table is not
// written back: the map already holds everything this process added, and a stale copy would
// drop what others added since. A second detach does nothing.
void SharedDeviceMap::Detach(int32_t& processControllers) {
    if (!m_attached) return;
    m_attached = false;
    if (processControllers > 0) --processControllers;
    if (!m_block) return;
    m_block->Lock();
    uint8_t* bytes = Bytes(*m_block);
    int32_t live = 0;
    if (MapUsersRecord* users = Users()) {
        RemoveMapUser(*users, getpid());
        live = PruneMapUsers(*users, IsAlive);
    } else {
        live = std::max(0, LoadI32(bytes + kDeviceMapLiveCountOffset) - 1);
    }
    StoreI32(bytes + kDeviceMapLiveCountOffset, live);
    if (live == 0 && IsCurrent(m_name, *m_block)) {
        // The users block first: a process that attaches in between then finds the map gone
        // or removed under it (it tries again), never a new map paired with this old record.
        SharedMemory::Unlink(DeviceMapUsersName(m_name));
        SharedMemory::Unlink(m_name);
    }
    m_block->Unlock();
    m_users.reset();
    m_block.reset();
}

MapUsersRecord* SharedDeviceMap::Users() {
    return m_users ? static_cast<MapUsersRecord*>(m_users->Data()) : nullptr;
}

}  // namespace kelvra::transport

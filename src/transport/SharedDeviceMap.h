// One controller's attachment to the shared device map, the named block through which every
// process on the machine sees the same camera numbering. The block is 8584 bytes:
//   offset 0     i32  live controller count (all processes)
//   offset 4     32 device-table entries of 268 bytes
//   offset 8580  i32  entries in use
// Its lifetime follows the Windows file mapping it stands in for: the detach that brings the
// live count to 0 removes the name, and a block whose recorded users have all died is taken as
// fresh. Every access happens under the block's cross-process lock.
//
// Not thread-safe on its own: the caller serialises all attachments of the process (the
// process-wide device table's lock does).
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "platform/SharedMemory.h"
#include "transport/DeviceMapUsers.h"
#include "transport/DeviceTable.h"

namespace kelvra::transport {

inline constexpr const char* kDeviceMapName = "U3Q6-MemMap";
inline constexpr size_t kDeviceMapSize = 8584;
inline constexpr size_t kDeviceMapLiveCountOffset = 0;
inline constexpr size_t kDeviceMapEntriesOffset = 4;
inline constexpr size_t kDeviceMapEntryCountOffset = 8580;

std::string DeviceMapUsersName(const std::string& mapName);

class SharedDeviceMap {
  public:
    SharedDeviceMap() = default;
    SharedDeviceMap(const SharedDeviceMap&) = delete;
    SharedDeviceMap& operator=(const SharedDeviceMap&) = delete;

    void Attach(const std::string& name, DeviceTable& table, int32_t& processControllers);
    void Update(DeviceTable& table, const std::function<void(DeviceTable&)>& change);
    void Detach(int32_t& processControllers);

    bool IsShared() const { return m_block != nullptr; }

  private:
    void JoinLocked(DeviceTable& table);
    MapUsersRecord* Users();

    std::string m_name;
    bool m_attached = false;  // between Attach and the first Detach
    std::unique_ptr<platform::SharedMemory> m_block;
    std::unique_ptr<platform::SharedMemory> m_users;  // null when the side block cannot be had
};

}  // namespace kelvra::transport

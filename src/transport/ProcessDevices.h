// The device table of this process, shared by every controller in it, with the lock that
// guards it against threads that enumerate, open and look up at once. The shared device map's
// attachments are driven under the same lock, so the table and the map change together.
#pragma once

#include <cstdint>
#include <mutex>
#include <set>
#include <string>
#include <utility>

#include "transport/DeviceTable.h"

namespace kelvra::transport {

class SharedDeviceMap;

class ProcessDevices {
  public:
    static ProcessDevices& Get();

    ProcessDevices(const ProcessDevices&) = delete;
    ProcessDevices& operator=(const ProcessDevices&) = delete;

    // Runs fn(table, processControllers) with the lock held and returns its result.
    template <typename Fn>
    decltype(auto) Locked(Fn&& fn) {
        std::lock_guard lock(m_mutex);
        return std::forward<Fn>(fn)(m_table, m_controllers);
    }

    DeviceEntry Entry(int32_t index);
    int32_t Count();
    int32_t FindIndex(int32_t productId, int32_t instance);

    void SetMapName(std::string name);
    std::string MapName();

    // With the lock held (inside Locked): the attachments the exit must end.
    void Register(SharedDeviceMap* map);
    void Unregister(SharedDeviceMap* map);

  private:
    ProcessDevices();
    void DetachAllAtExit();

    std::mutex m_mutex;
    DeviceTable m_table;
    int32_t m_controllers = 0;  // controllers of this process attached to the device map
    std::string m_mapName;
    std::set<SharedDeviceMap*> m_attached;
};

}  // namespace kelvra::transport

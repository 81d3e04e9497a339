#include "transport/ProcessDevices.h"

#include <unistd.h>

#include <string>

#include <cstdlib>

#include "driver/Driver.h"
#include "transport/LocalDeviceMaps.h"
#include "transport/SharedDeviceMap.h"

namespace kelvra::transport {

// The one table of the process, made on first use (the first controller). Never destroyed, so
// a controller that outlives static destruction still detaches safely.
ProcessDevices& ProcessDevices::Get() {
    static ProcessDevices* const devices = new ProcessDevices;
    return *devices;
}

// Attachments still held when the process exits (handles never released) are detached then,
// so that neither the machine's map nor a private one outlives the process in /dev/shm.
ProcessDevices::ProcessDevices() : m_mapName(kDeviceMapName) {
    std::atexit([] { Get().DetachAllAtExit(); });
}

// Records an attachment made under the lock, so that the exit can end it.
void ProcessDevices::Register(SharedDeviceMap* map) {
    m_attached.insert(map);
}

void ProcessDevices::Unregister(SharedDeviceMap* map) {
    m_attached.erase(map);
}

void ProcessDevices::DetachAllAtExit() {
    std::lock_guard lock(m_mutex);
    for (SharedDeviceMap* map : m_attached) map->Detach(m_controllers);
    m_attached.clear();
}

// A copy of entry `index`, or the empty entry when the index is outside 0..count-1. Any thread.
DeviceEntry ProcessDevices::Entry(int32_t index) {
    std::lock_guard lock(m_mutex);
    return m_table.Entry(index);
}

// Entries in use, 0 to 32. Any thread.
int32_t ProcessDevices::Count() {
    std::lock_guard lock(m_mutex);
    return m_table.Count();
}

// The index of the camera with this product id and instance number, -1 when none. Any thread.
int32_t ProcessDevices::FindIndex(int32_t productId, int32_t instance) {
    std::lock_guard lock(m_mutex);
    return m_table.FindIndex(productId, instance);
}

// The name of the shared device map that controllers created from now on attach to. Tests use
// names of their own so that test processes running side by side do not share a map; every
// controller of a process should use one name, since the process has one table.
void ProcessDevices::SetMapName(std::string name) {
    std::lock_guard lock(m_mutex);
    m_mapName = std::move(name);
}

// The map name; for devices private to this process the default name gets the process id, so
// that simulated cameras of two processes never meet in one map.
std::string ProcessDevices::MapName() {
    std::lock_guard lock(m_mutex);
    if (m_mapName == kDeviceMapName && driver::activeBackend().processLocal()) {
        return LocalMapName(m_mapName, getpid());
    }
    return m_mapName;
}

}  // namespace kelvra::transport

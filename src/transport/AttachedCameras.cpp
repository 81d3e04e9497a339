#include "transport/AttachedCameras.h"

#include <algorithm>
#include <cstring>
#include <memory>

#include "driver/Driver.h"
#include "driver/usb/CameraProducts.h"
#include "platform/SharedMemory.h"
#include "transport/DeviceMapUsers.h"
#include "transport/LocalDeviceMaps.h"
#include "transport/SharedDeviceMap.h"

namespace kelvra::transport {
namespace {

using platform::SharedMemory;

// Opens an existing block without creating one; null when it does not exist.
std::unique_ptr<SharedMemory> OpenExisting(const std::string& name, size_t size) {
    std::unique_ptr<SharedMemory> block = SharedMemory::OpenOrCreate(name, size);
    if (block && block->Created()) {
        SharedMemory::Unlink(name);
        return nullptr;
    }
    return block;
}

// The machine's map is stale when no live process is recorded as its user. Read without the
// map's lock and without changing it: a look, not an attach.
bool MachineMapIsStale() {
    const std::string usersName = DeviceMapUsersName(kDeviceMapName);
    std::unique_ptr<SharedMemory> users = OpenExisting(usersName, sizeof(MapUsersRecord));
    if (!users) {
        std::unique_ptr<SharedMemory> map = OpenExisting(kDeviceMapName, kDeviceMapSize);
        if (!map) return false;
        int32_t live = 0;
        std::memcpy(&live, static_cast<uint8_t*>(map->Data()) + kDeviceMapLiveCountOffset,
                    sizeof live);
        return live <= 0;
    }
    MapUsersRecord record;
    std::memcpy(&record, users->Data(), sizeof record);
    return PruneMapUsers(record, [](int32_t pid) { return platform::IsProcessAlive(pid); }) == 0;
}

}  // namespace

// The cameras the active back end sees attached.
std::vector<driver::DeviceDescription> DescribeAttachedCameras() {
    return driver::describeDevices(driver::kCameraInterfaceGuid);
}

// The udev rule generated from the camera table (the one the build installs).
std::string CameraUdevRules() {
    return driver::usb::udevRules();
}

// Names of device-map blocks no live process uses: private maps of ended processes and a
// machine map whose users have all ended. The next program using the library removes or
// reuses them; until then they sit in /dev/shm.
std::vector<std::string> StaleDeviceMaps() {
    std::vector<std::string> stale = OrphanedLocalMaps(kDeviceMapName);
    if (MachineMapIsStale()) {
        for (const std::string& name : SharedMemory::Names(kDeviceMapName)) {
            if (name == kDeviceMapName || name == DeviceMapUsersName(kDeviceMapName)) {
                stale.push_back(name);
            }
        }
    }
    std::sort(stale.begin(), stale.end());
    return stale;
}

}  // namespace kelvra::transport

#include "transport/CFx3Api.h"

#include <unistd.h>

#include <climits>

#include "transport/LocalDeviceMaps.h"
#include "transport/ProcessDevices.h"

namespace kelvra {
namespace {

using transport::DeviceTable;
using transport::ProcessDevices;
using transport::PruneOrphanedLocalMaps;

constexpr size_t kLogPathField = 512;  // bytes, the terminating NUL included
constexpr const char* kLogFileName = "DEBUGLOG.txt";

// "<directory of the host executable>/DEBUGLOG.txt"; the directory part alone when the
// executable cannot be found. Bounded to the 512-byte field.
std::string MakeLogPath() {
    char exe[PATH_MAX] = {};
    const ssize_t length = readlink("/proc/self/exe", exe, sizeof exe - 1);
    std::string directory;
    if (length > 0) {
        directory.assign(exe, static_cast<size_t>(length));
        directory.erase(directory.rfind('/') + 1);
    }
    std::string path = directory + kLogFileName;
    if (path.size() >= kLogPathField) path.resize(kLogPathField - 1);
    return path;
}

}  // namespace

// Attaches to the shared device map and loads the process table from it (or starts it empty).
CFx3Api::CFx3Api() : m_logPath(MakeLogPath()) {
    ProcessDevices& devices = ProcessDevices::Get();
    const std::string name = devices.MapName();
    PruneOrphanedLocalMaps(transport::kDeviceMapName);
    devices.Locked([&](DeviceTable& table, int32_t& controllers) {
        m_map.Attach(name, table, controllers);
        devices.Register(&m_map);
    });
}

// Detaches from the shared device map; the last controller on the machine removes it.
CFx3Api::~CFx3Api() {
    ProcessDevices& devices = ProcessDevices::Get();
    devices.Locked([&](DeviceTable&, int32_t& controllers) {
        devices.Unregister(&m_map);
        m_map.Detach(controllers);
    });
}

// The debug log of the open sequence. It writes nothing: the log path is computed but never
// opened, so a library in normal use leaves no file next to the application.
void CFx3Api::DebugLog(const char* /*format*/, ...) const {}

// True when this controller shares its table with other processes through the named block.
bool CFx3Api::IsDeviceMapShared() const {
    return ProcessDevices::Get().Locked([&](DeviceTable&, int32_t&) { return m_map.IsShared(); });
}

// The map name used by controllers created afterwards ("U3Q6-MemMap" unless changed). For tests,
// which need a map of their own.
void CFx3Api::SetDeviceMapName(std::string name) {
    ProcessDevices::Get().SetMapName(std::move(name));
}

// Applies `change` to the process table and the shared map together, under the process lock
// and the map's lock: the table is refreshed from the map, changed and published.
void CFx3Api::UpdateDeviceTable(const std::function<void(DeviceTable&)>& change) {
    ProcessDevices::Get().Locked(
        [&](DeviceTable& table, int32_t&) { m_map.Update(table, change); });
}

}  // namespace kelvra

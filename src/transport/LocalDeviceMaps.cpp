#include "transport/LocalDeviceMaps.h"

#include <charconv>

#include "platform/SharedMemory.h"
#include "transport/SharedDeviceMap.h"

namespace kelvra::transport {
namespace {

constexpr const char* kLocalInfix = "-local-";

std::string LocalPrefix(const std::string& mapName) {
    return mapName + kLocalInfix;
}

}  // namespace

// "<map>-local-<pid>": the map of process `pid`'s own cameras.
std::string LocalMapName(const std::string& mapName, int pid) {
    return LocalPrefix(mapName) + std::to_string(pid);
}

// The pid a private map block (the map or its users block) belongs to; nullopt for any other
// name.
std::optional<int> LocalMapOwner(const std::string& mapName, const std::string& blockName) {
    const std::string prefix = LocalPrefix(mapName);
    if (blockName.compare(0, prefix.size(), prefix) != 0) return std::nullopt;
    std::string_view rest = std::string_view(blockName).substr(prefix.size());
    const std::string_view usersSuffix = ".users";
    if (rest.ends_with(usersSuffix)) rest.remove_suffix(usersSuffix.size());
    int pid = 0;
    const auto [end, ec] = std::from_chars(rest.data(), rest.data() + rest.size(), pid);
    if (ec != std::errc{} || end != rest.data() + rest.size() || pid <= 0) return std::nullopt;
    if (blockName != LocalMapName(mapName, pid) &&
        blockName != DeviceMapUsersName(LocalMapName(mapName, pid))) {
        return std::nullopt;  // leading zeros or signs: not a name we make
    }
    return pid;
}

// The private map blocks on this machine whose owner has ended.
std::vector<std::string> OrphanedLocalMaps(const std::string& mapName) {
    std::vector<std::string> orphans;
    for (const std::string& name : platform::SharedMemory::Names(LocalPrefix(mapName))) {
        const std::optional<int> owner = LocalMapOwner(mapName, name);
        if (owner && !platform::IsProcessAlive(*owner)) orphans.push_back(name);
    }
    return orphans;
}

// Removes the private map blocks whose owner has ended. Nobody else attaches to them, so
// removing them cannot disturb a user.
void PruneOrphanedLocalMaps(const std::string& mapName) {
    for (const std::string& name : OrphanedLocalMaps(mapName)) platform::SharedMemory::Unlink(name);
}

}  // namespace kelvra::transport

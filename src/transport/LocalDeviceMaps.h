// Device maps private to one process (simulated cameras): "<map>-local-<pid>" and its users
// block. Their owner removes them at exit; a process that crashed cannot, so every attach looks
// for pairs whose owner has ended and removes them.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace kelvra::transport {

std::string LocalMapName(const std::string& mapName, int pid);
std::optional<int> LocalMapOwner(const std::string& mapName, const std::string& blockName);
std::vector<std::string> OrphanedLocalMaps(const std::string& mapName);
void PruneOrphanedLocalMaps(const std::string& mapName);

}  // namespace kelvra::transport

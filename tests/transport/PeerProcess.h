// Runs the map peer program and collects what it printed.
#pragma once

#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <sstream>
#include <string>
#include <vector>

#include "transport/DeviceEntry.h"

extern char** environ;

namespace kelvra::transport::test {

struct PeerResult {
    int exitCode = -1;
    std::string output;
};

// Runs KELVRA_MAP_PEER with `args`, waits for it and returns its exit code and standard output.
inline PeerResult RunPeer(const std::vector<std::string>& args) {
    PeerResult result;
    int pipeEnds[2];
    if (pipe(pipeEnds) != 0) return result;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, pipeEnds[1], STDOUT_FILENO);
    posix_spawn_file_actions_addclose(&actions, pipeEnds[0]);
    std::vector<std::string> all = {KELVRA_MAP_PEER};
    all.insert(all.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (std::string& arg : all) argv.push_back(arg.data());
    argv.push_back(nullptr);
    pid_t pid = -1;
    const int spawned = posix_spawn(&pid, KELVRA_MAP_PEER, &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    close(pipeEnds[1]);
    char buffer[4096];
    ssize_t n = 0;
    while ((n = read(pipeEnds[0], buffer, sizeof buffer)) > 0) {
        result.output.append(buffer, static_cast<size_t>(n));
    }
    close(pipeEnds[0]);
    if (spawned != 0) return result;
    int status = 0;
    if (waitpid(pid, &status, 0) == pid && WIFEXITED(status)) result.exitCode = WEXITSTATUS(status);
    return result;
}

// The entries of a peer's table, as it printed them.
inline std::vector<DeviceEntry> ParseTable(const std::string& output, int* count) {
    std::istringstream in(output);
    std::string word;
    std::vector<DeviceEntry> entries;
    *count = -1;
    while (in >> word) {
        if (word == "count") {
            in >> *count;
        } else if (word == "entry") {
            int index = 0;
            std::string path;
            unsigned vendor = 0;
            unsigned product = 0;
            DeviceEntry entry;
            in >> index >> std::hex >> vendor >> product >> std::dec >> entry.instance >> path;
            entry.vendorId = static_cast<uint16_t>(vendor);
            entry.productId = static_cast<uint16_t>(product);
            path.copy(entry.path, sizeof entry.path - 1);
            entries.push_back(entry);
        }
    }
    return entries;
}

}  // namespace kelvra::transport::test

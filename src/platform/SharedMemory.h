// Named shared memory between processes: the stand-in for a named file mapping backed by the
// paging file. POSIX blocks outlive their users, so the lifetime rules belong to the caller.
#pragma once

#include <cstddef>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace kelvra::platform {

// One attachment of this process to a block. Not to be used across fork: a child opens the
// block again, since a lock taken through an inherited descriptor is the parent's lock.
class SharedMemory {
  public:
    static std::unique_ptr<SharedMemory> OpenOrCreate(const std::string& name, size_t size);
    static bool Unlink(const std::string& name);
    static std::vector<std::string> Names(const std::string& prefix);

    SharedMemory(const SharedMemory&) = delete;
    SharedMemory& operator=(const SharedMemory&) = delete;
    ~SharedMemory();

    bool Created() const { return m_created; }
    void* Data() { return m_data; }
    size_t Size() const { return m_size; }

    void Lock();
    bool TryLock();
    void Unlock();

  private:
    SharedMemory(int fd, void* data, size_t size, bool created);

    const int m_fd;
    void* const m_data;
    const size_t m_size;
    const bool m_created;
    // The file lock excludes other open descriptions only; this excludes the threads of this
    // process that share the one descriptor.
    std::mutex m_threadLock;
};

bool IsProcessAlive(int pid);

}  // namespace kelvra::platform

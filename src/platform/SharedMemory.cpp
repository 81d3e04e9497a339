#include "platform/SharedMemory.h"

#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>

namespace kelvra::platform {

namespace {

// Blocks are private to the user, like the session-local mappings they stand in for.
constexpr mode_t kBlockMode = 0600;
// Create-or-open can lose a race against an unlink between its two steps; a few rounds settle.
constexpr int kOpenAttempts = 4;

// "/name" for "name" or "/name"; empty when the name cannot be a POSIX shared-memory name.
std::string PosixName(const std::string& name) {
    const std::string posix = !name.empty() && name[0] == '/' ? name : "/" + name;
    if (posix.size() < 2 || posix.size() > NAME_MAX || posix.find('/', 1) != std::string::npos) {
        return {};
    }
    return posix;
}

// Two one-byte ranges of open-file-description locks (they exclude other open() calls of the
// block, in this process too, and can lie beyond the end of the block): one serves the
// users' Lock, the other only attaching, so that an attach never waits for a user's lock.
constexpr off_t kUserLockByte = 0;
constexpr off_t kSizingLockByte = 1;

bool LockByte(int fd, off_t byte, short type, bool wait) {
    struct flock range {};
    range.l_type = type;
    range.l_whence = SEEK_SET;
    range.l_start = byte;
    range.l_len = 1;
    while (fcntl(fd, wait ? F_OFD_SETLKW : F_OFD_SETLK, &range) != 0) {
        if (errno != EINTR) return false;
    }
    return true;
}

// Opens the block, creating it when absent: *created tells which. -1 on failure.
int OpenBlock(const std::string& posixName, bool* created) {
    for (int attempt = 0; attempt < kOpenAttempts; ++attempt) {
        int fd = shm_open(posixName.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, kBlockMode);
        if (fd >= 0) {
            *created = true;
            return fd;
        }
        if (errno != EEXIST) return -1;
        fd = shm_open(posixName.c_str(), O_RDWR | O_CLOEXEC, 0);
        if (fd >= 0) {
            *created = false;
            return fd;
        }
        if (errno != ENOENT) return -1;
    }
    return -1;
}

// Grows a new block to `size` under the sizing lock. The creator and an early opener may
// both get here first; whichever does sizes it, and growth fills with zeros.
bool EnsureSize(int fd, size_t size) {
    if (!LockByte(fd, kSizingLockByte, F_WRLCK, true)) return false;
    struct stat status {};
    bool ok = fstat(fd, &status) == 0;
    if (ok && static_cast<size_t>(status.st_size) < size) {
        ok = ftruncate(fd, static_cast<off_t>(size)) == 0;
    }
    LockByte(fd, kSizingLockByte, F_UNLCK, false);
    return ok;
}

}  // namespace

// Attaches to the block `name` ("/U3Q6-MemMap" or "U3Q6-MemMap"), creating it zero-filled
// when it does not exist, and maps its first `size` bytes (a smaller existing block is grown).
// Returns null for a bad name, a zero size, or any failure; a block this call created is
// unlinked again then. Safe against another process creating the same block at the same time.
std::unique_ptr<SharedMemory> SharedMemory::OpenOrCreate(const std::string& name, size_t size) {
    const std::string posixName = PosixName(name);
    if (posixName.empty() || size == 0) return nullptr;
    bool created = false;
    const int fd = OpenBlock(posixName, &created);
    if (fd < 0) return nullptr;
    void* data = MAP_FAILED;
    if (EnsureSize(fd, size)) {
        data = mmap(nullptr, size, PROT_READ | PROT_WRITE, MAP_SHARED, fd, 0);
    }
    if (data == MAP_FAILED) {
        close(fd);
        if (created) shm_unlink(posixName.c_str());
        return nullptr;
    }
    try {
        return std::unique_ptr<SharedMemory>(new SharedMemory(fd, data, size, created));
    } catch (...) {
        munmap(data, size);
        close(fd);
        return nullptr;
    }
}

// Removes the name; attached processes keep their mapping. False when there is no such block.
bool SharedMemory::Unlink(const std::string& name) {
    const std::string posixName = PosixName(name);
    return !posixName.empty() && shm_unlink(posixName.c_str()) == 0;
}

// The names (without the leading '/') of the blocks on this machine that begin with `prefix`;
// empty when they cannot be listed. Linux keeps POSIX blocks as the files of /dev/shm.
std::vector<std::string> SharedMemory::Names(const std::string& prefix) {
    std::vector<std::string> names;
    DIR* directory = opendir("/dev/shm");
    if (directory == nullptr) return names;
    while (const dirent* entry = readdir(directory)) {
        const std::string name = entry->d_name;
        if (name.compare(0, prefix.size(), prefix) == 0) names.push_back(name);
    }
    closedir(directory);
    return names;
}

SharedMemory::SharedMemory(int fd, void* data, size_t size, bool created)
    : m_fd(fd), m_data(data), m_size(size), m_created(created) {}

// Unmaps and closes; the block itself stays until it is unlinked.
SharedMemory::~SharedMemory() {
    munmap(m_data, m_size);
    close(m_fd);
}

// Takes the block's exclusive lock, waiting for other threads and processes. Not re-entrant.
void SharedMemory::Lock() {
    m_threadLock.lock();
    LockByte(m_fd, kUserLockByte, F_WRLCK, true);
}

// Takes the lock only if it is free at once; true when taken.
bool SharedMemory::TryLock() {
    if (!m_threadLock.try_lock()) return false;
    if (LockByte(m_fd, kUserLockByte, F_WRLCK, false)) return true;
    m_threadLock.unlock();
    return false;
}

// Releases the lock taken by Lock or a successful TryLock on this thread.
void SharedMemory::Unlock() {
    LockByte(m_fd, kUserLockByte, F_UNLCK, false);
    m_threadLock.unlock();
}

// True when process `pid` exists, including one of another user (the probe is refused with
// EPERM then). Pids below 1 name groups or every process, never one process: false.
bool IsProcessAlive(int pid) {
    if (pid <= 0) return false;
    return kill(pid, 0) == 0 || errno == EPERM;
}

}  // namespace kelvra::platform

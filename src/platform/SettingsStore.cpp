#include "platform/SettingsStore.h"

#include <fcntl.h>
#include <pwd.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <utility>
#include <vector>

#include "platform/SafeFile.h"
#include "platform/SettingsJson.h"

namespace kelvra::platform {

namespace {

constexpr const char* kLockSuffix = ".lock";
constexpr const char* kBadSuffix = ".bad-";
constexpr const char* kRelativePath = "kelvra/registry.json";

// Holds an advisory lock on the lock file beside the settings file. The lock file is never
// removed, so every process locks the same inode; locks on separate open() calls exclude each
// other even within one process.
class FileLock {
  public:
    FileLock(const std::string& lockPath, int operation) {
        // Non-blocking opens: a FIFO in the lock file's place must not stall the caller.
        m_fd = open(lockPath.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NONBLOCK | O_NOCTTY, 0600);
        if (m_fd < 0) m_fd = open(lockPath.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
        if (m_fd < 0) return;
        while (flock(m_fd, operation) != 0) {
            if (errno != EINTR) {
                close(m_fd);
                m_fd = -1;
                return;
            }
        }
    }
    FileLock(const FileLock&) = delete;
    FileLock& operator=(const FileLock&) = delete;
    ~FileLock() {
        if (m_fd >= 0) close(m_fd);  // closing releases the lock
    }
    bool Held() const { return m_fd >= 0; }

  private:
    int m_fd = -1;
};

bool IsTransient(int error) {
    return error == EMFILE || error == ENFILE || error == ENOMEM || error == EINTR;
}

// Reads to the end of the file, or false once more than `limit` bytes came (a file that grows
// while it is read).
bool ReadAll(int fd, int64_t limit, std::string* text) {
    char chunk[16384];
    for (;;) {
        const ssize_t got = read(fd, chunk, sizeof chunk);
        if (got == 0) return true;
        if (got < 0 && errno == EINTR) continue;
        if (got < 0) return false;
        text->append(chunk, static_cast<size_t>(got));
        if (static_cast<int64_t>(text->size()) > limit) return false;
    }
}

// "<path>.bad-20250131-235959.123", UTC.
std::string BadFilePath(const std::string& path) {
    const auto now = std::chrono::system_clock::now();
    const std::time_t seconds = std::chrono::system_clock::to_time_t(now);
    const auto millis =
        std::chrono::duration_cast<std::chrono::milliseconds>(now.time_since_epoch()).count() %
        1000;
    std::tm utc{};
    gmtime_r(&seconds, &utc);
    char stamp[32];
    std::strftime(stamp, sizeof stamp, "%Y%m%d-%H%M%S", &utc);
    char full[48];
    std::snprintf(full, sizeof full, "%s.%03d", stamp, static_cast<int>(millis));
    return path + kBadSuffix + full;
}

bool WriteAll(int fd, const std::string& text) {
    size_t done = 0;
    while (done < text.size()) {
        const ssize_t put = write(fd, text.data() + done, text.size() - done);
        if (put < 0 && errno == EINTR) continue;
        if (put <= 0) return false;
        done += static_cast<size_t>(put);
    }
    return true;
}

std::string HomeDirectory() {
    const char* home = std::getenv("HOME");
    if (home != nullptr && home[0] != '\0') return home;
    long size = sysconf(_SC_GETPW_R_SIZE_MAX);
    std::vector<char> buffer(size > 0 ? static_cast<size_t>(size) : 16384);
    passwd entry{};
    passwd* found = nullptr;
    if (getpwuid_r(getuid(), &entry, buffer.data(), buffer.size(), &found) == 0 && found &&
        found->pw_dir != nullptr) {
        return found->pw_dir;
    }
    return {};
}

}  // namespace

SettingsStore::FileIdentity SettingsStore::IdentityOf(const struct stat& status) {
    return {status.st_dev, status.st_ino, status.st_size,
            int64_t{status.st_mtim.tv_sec} * 1000000000 + status.st_mtim.tv_nsec};
}

// Reads the settings file into *tree, from the cache when the file is the version last read or
// written. Missing: no file; Unavailable: the system could not open it just now; Corrupt:
// anything else that stops a clean read, a file that is not regular (never waited on) or is
// larger than the cap among them.
SettingsStore::ReadResult SettingsStore::ReadTree(SettingsTree* tree) const {
    const int fd = OpenRegularFileForReading(m_path.c_str());
    if (fd < 0) {
        if (errno == ENOENT) return ReadResult::Missing;
        return IsTransient(errno) ? ReadResult::Unavailable : ReadResult::Corrupt;
    }
    struct stat status {};
    const bool known = fstat(fd, &status) == 0;
    if (known && Cached(IdentityOf(status), tree)) {
        close(fd);
        return ReadResult::Read;
    }
    std::string text;
    const bool read =
        known && status.st_size <= m_maxFileBytes && ReadAll(fd, m_maxFileBytes, &text);
    close(fd);
    bool parsed = false;
    if (read) {
        {
            const std::lock_guard<std::mutex> guard(m_cacheLock);
            ++m_parseCount;
        }
        parsed = SettingsFromJson(text, tree);
    }
    if (!parsed) {
        *tree = SettingsTree();
        return ReadResult::Corrupt;
    }
    Remember(IdentityOf(status), *tree);
    return ReadResult::Read;
}

// Reads the file; a corrupt one is renamed aside, kept for the user, and an empty tree used.
SettingsStore::ReadResult SettingsStore::ReadOrRecover(SettingsTree* tree) const {
    const ReadResult result = ReadTree(tree);
    if (result == ReadResult::Corrupt) std::rename(m_path.c_str(), BadFilePath(m_path).c_str());
    return result;
}

bool SettingsStore::Cached(const FileIdentity& identity, SettingsTree* tree) const {
    const std::lock_guard<std::mutex> guard(m_cacheLock);
    if (!m_cacheValid || !(m_cachedIdentity == identity)) return false;
    *tree = m_cachedTree;
    return true;
}

void SettingsStore::Remember(const FileIdentity& identity, const SettingsTree& tree) const {
    const std::lock_guard<std::mutex> guard(m_cacheLock);
    m_cachedIdentity = identity;
    m_cachedTree = tree;
    m_cacheValid = true;
}

// Replaces the file with the tree, written compactly, so that readers see either the old file
// or the whole new one, even across a crash (see ReplacingFile). A text larger than the store
// reads back is not written. False, with the old file untouched and no temporary file left
// behind, on any failure.
bool SettingsStore::Replace(const SettingsTree& tree) const {
    const std::string text = SettingsToJson(tree);
    if (static_cast<int64_t>(text.size()) > m_maxFileBytes) return false;
    ReplacingFile file;
    if (!file.Open(m_path.c_str())) return false;
    struct stat status {};
    if (!WriteAll(file.Descriptor(), text) || fstat(file.Descriptor(), &status) != 0 ||
        !file.Commit()) {
        return false;
    }
    Remember(IdentityOf(status), tree);
    return true;
}

uint64_t SettingsStore::ParseCount() const {
    const std::lock_guard<std::mutex> guard(m_cacheLock);
    return m_parseCount;
}

// A store kept in the file `filePath` (DefaultPath() for the user's own). Nothing is touched yet.
SettingsStore::SettingsStore(std::string filePath, int64_t maxFileBytes)
    : m_path(std::move(filePath)), m_maxFileBytes(maxFileBytes) {}

// $XDG_CONFIG_HOME/kelvra/registry.json, else ~/.config/kelvra/registry.json. A relative
// XDG_CONFIG_HOME is ignored, as the XDG rules ask. Empty when no home directory is known; a
// store on the empty path loads empty trees and refuses updates.
std::string SettingsStore::DefaultPath() {
    try {
        const char* xdg = std::getenv("XDG_CONFIG_HOME");
        if (xdg != nullptr && xdg[0] == '/') return std::string(xdg) + "/" + kRelativePath;
        const std::string home = HomeDirectory();
        return home.empty() ? std::string() : home + "/.config/" + kRelativePath;
    } catch (...) {
        return {};
    }
}

// The tree as the file holds it now, read under a shared lock: empty when there is no file,
// and empty when the file is unreadable or malformed, which is then moved aside to
// "<path>.bad-<UTC time>". Never throws. Any thread.
SettingsTree SettingsStore::Load() const {
    if (m_path.empty()) return {};
    try {
        const FileLock lock(m_path + kLockSuffix, LOCK_SH);
        SettingsTree tree;
        ReadOrRecover(&tree);
        return tree;
    } catch (...) {
        return {};
    }
}

// Applies `edit` to the current tree and saves the result, all under the exclusive lock, so that
// concurrent updates from other threads and processes are re-read first and never lost. Creates
// the directory as needed. False on any failure (no directory, lock or temporary file, a failed
// write, an exception from edit), leaving the old file whole. Any thread.
bool SettingsStore::Update(const std::function<void(SettingsTree&)>& edit) {
    if (m_path.empty() || !edit) return false;
    try {
        const std::filesystem::path directory = std::filesystem::path(m_path).parent_path();
        std::error_code error;
        if (!directory.empty()) std::filesystem::create_directories(directory, error);
        if (error) return false;
        const FileLock lock(m_path + kLockSuffix, LOCK_EX);
        if (!lock.Held()) return false;
        SettingsTree tree;
        // A file we could not read now may hold other processes' keys: do not overwrite it.
        if (ReadOrRecover(&tree) == ReadResult::Unavailable) return false;
        edit(tree);
        return Replace(tree);
    } catch (...) {
        return false;
    }
}

}  // namespace kelvra::platform

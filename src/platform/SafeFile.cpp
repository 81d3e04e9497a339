#include "platform/SafeFile.h"

#include <fcntl.h>
#include <limits.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace kelvra::platform {

namespace {

constexpr mode_t kNewFileMode = 0666;  // narrowed by the process umask, as any new file
constexpr mode_t kPermissionBits = 07777;
constexpr char kTempMarker[] = ".tmp-";
constexpr int kTempSuffixDigits = 12;
// Used instead of the target's own name when that would make the temporary name too long.
constexpr char kShortTempBase[] = "kelvra";
constexpr int kCreateAttempts = 64;

int OpenRetrying(const char* path, int flags, mode_t mode = 0) {
    int fd;
    do {
        fd = ::open(path, flags | O_CLOEXEC, mode);
    } while (fd < 0 && errno == EINTR);
    return fd;
}

// The file a write to `path` replaces: `path` itself, or the file a symbolic link names (so
// the link survives and its target gets the new contents). False with errno set when `path`
// names something other than a regular file (EINVAL), a regular file this process may not
// write (EACCES: renaming over it would bypass its permissions), or a link that leads nowhere.
// `existing` receives the old file's status, or st_nlink 0 for a new file.
bool ResolveTarget(const char* path, std::string* target, struct stat* existing) {
    std::memset(existing, 0, sizeof *existing);
    struct stat link {};
    if (::lstat(path, &link) != 0) {
        if (errno != ENOENT) return false;
        *target = path;
        return true;
    }
    if (S_ISLNK(link.st_mode)) {
        char* resolved = ::realpath(path, nullptr);
        if (resolved == nullptr) return false;
        *target = resolved;
        std::free(resolved);
    } else {
        *target = path;
    }
    if (::stat(target->c_str(), existing) != 0) return false;
    if (!S_ISREG(existing->st_mode)) {
        errno = EINVAL;
        return false;
    }
    return ::access(target->c_str(), W_OK) == 0;
}

// "<target>.tmp-<12 hex digits>", in the target's folder; a fixed short base replaces the
// target's name when the result would exceed the longest name the file system takes.
std::string TempPathFor(const std::string& target) {
    static std::atomic<uint64_t> counter{0};
    const uint64_t ticks =
        static_cast<uint64_t>(std::chrono::steady_clock::now().time_since_epoch().count());
    const uint64_t mix = (static_cast<uint64_t>(::getpid()) << 32) ^ ticks ^
                         (counter.fetch_add(1) * 0x9E3779B97F4A7C15ull);
    char suffix[kTempSuffixDigits + 1];
    std::snprintf(suffix, sizeof suffix, "%012llx",
                  static_cast<unsigned long long>(mix & 0xFFFFFFFFFFFFull));
    const size_t slash = target.rfind('/');
    const std::string folder = slash == std::string::npos ? "" : target.substr(0, slash + 1);
    std::string base = slash == std::string::npos ? target : target.substr(slash + 1);
    if (base.size() + sizeof kTempMarker + kTempSuffixDigits > NAME_MAX) base = kShortTempBase;
    return folder + base + kTempMarker + suffix;
}

// Gives the new file the old one's permissions and, where allowed, its owner.
void CopyOwnership(int fd, const struct stat& old) {
    (void)::fchmod(fd, old.st_mode & kPermissionBits);
    if (old.st_uid != ::geteuid() || old.st_gid != ::getegid()) {
        (void)::fchown(fd, old.st_uid, old.st_gid);
    }
}

// Makes a rename durable. Best effort: the new file is complete either way.
void SyncFolderOf(const std::string& target) {
    const size_t slash = target.rfind('/');
    const std::string folder =
        slash == std::string::npos ? "." : (slash == 0 ? "/" : target.substr(0, slash));
    const int fd = OpenRetrying(folder.c_str(), O_RDONLY | O_DIRECTORY);
    if (fd < 0) return;
    (void)::fsync(fd);
    ::close(fd);
}

// True unless something other than a regular file took the target's name meanwhile.
bool StillReplaceable(const std::string& target) {
    struct stat now {};
    if (::lstat(target.c_str(), &now) != 0) return errno == ENOENT;
    return S_ISREG(now.st_mode);
}

}  // namespace

int OpenRegularFileForReading(const char* path) {
    if (path == nullptr) {
        errno = EINVAL;
        return -1;
    }
    // Checked before opening: opening a device can have effects of its own, and opening a FIFO
    // for reading waits for a writer.
    struct stat status {};
    if (::stat(path, &status) != 0) return -1;
    if (!S_ISREG(status.st_mode)) {
        errno = EINVAL;
        return -1;
    }
    const int fd = OpenRetrying(path, O_RDONLY | O_NONBLOCK | O_NOCTTY);
    if (fd < 0) return -1;
    // The name may have been given to a FIFO between the check and the open.
    const int flags = ::fcntl(fd, F_GETFL);
    if (::fstat(fd, &status) != 0 || !S_ISREG(status.st_mode) || flags < 0 ||
        ::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK) != 0) {
        ::close(fd);
        errno = EINVAL;
        return -1;
    }
    return fd;
}

// Starts a new version of `path`: refuses a target that is not a regular file (or a new file)
// and creates the temporary file beside it with the old file's permissions. Abandons what was
// open first. False with errno set when `path` is refused or no temporary file can be made
// (a missing or read-only folder among the reasons).
bool ReplacingFile::Open(const char* path) {
    Abandon();
    if (path == nullptr || path[0] == '\0') {
        errno = ENOENT;
        return false;
    }
    std::string target;
    struct stat existing {};
    if (!ResolveTarget(path, &target, &existing)) return false;
    for (int attempt = 0; attempt < kCreateAttempts; ++attempt) {
        std::string temp = TempPathFor(target);
        const int fd =
            OpenRetrying(temp.c_str(), O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW, kNewFileMode);
        if (fd < 0 && errno == EEXIST) continue;
        if (fd < 0) return false;
        if (existing.st_nlink != 0) CopyOwnership(fd, existing);
        fd_ = fd;
        target_ = std::move(target);
        temp_ = std::move(temp);
        return true;
    }
    return false;
}

// Puts the written file in the target's place: its data reach the disk first (a full disk may
// only show here), then the rename replaces the old file in one step. True when the new file
// is in place; false, with the temporary file removed and the old file untouched, otherwise.
bool ReplacingFile::Commit() {
    if (fd_ < 0) return false;
    bool ok = ::fdatasync(fd_) == 0;
    // No retry on EINTR: Linux has released the descriptor whatever close reports.
    ok = (::close(fd_) == 0 || errno == EINTR) && ok;
    fd_ = -1;
    ok = ok && StillReplaceable(target_) && std::rename(temp_.c_str(), target_.c_str()) == 0;
    if (!ok) {
        Abandon();
        return false;
    }
    SyncFolderOf(target_);
    temp_.clear();
    target_.clear();
    return true;
}

// Drops the new version: closes and removes the temporary file. The target is not touched.
void ReplacingFile::Abandon() {
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
    if (!temp_.empty()) ::unlink(temp_.c_str());
    temp_.clear();
    target_.clear();
}

}  // namespace kelvra::platform

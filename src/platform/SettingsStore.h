// The registry stand-in on disk: one JSON file holding the whole settings tree, shared safely
// between threads and processes.
#pragma once

#include <sys/stat.h>
#include <sys/types.h>

#include <cstdint>
#include <functional>
#include <mutex>
#include <string>

#include "platform/SettingsTree.h"

namespace kelvra::platform {

class SettingsStore {
  public:
    // The largest settings file read. Far above anything the library writes (a few kilobytes
    // per camera); a larger file is not ours and is moved aside. Update never writes a file
    // this large, so the store never rejects a file it wrote.
    static constexpr int64_t kMaxFileBytes = 16 * 1024 * 1024;

    // `maxFileBytes` lowers the cap (tests use a small one).
    explicit SettingsStore(std::string filePath, int64_t maxFileBytes = kMaxFileBytes);

    static std::string DefaultPath();

    const std::string& Path() const { return m_path; }
    SettingsTree Load() const;
    bool Update(const std::function<void(SettingsTree&)>& edit);

    // How many times the file's text was parsed (tests check that unchanged files are not).
    uint64_t ParseCount() const;

  private:
    // What tells one version of the file from another: a replacement is a new inode, an edit
    // in place changes the modification time or size.
    struct FileIdentity {
        dev_t device = 0;
        ino_t inode = 0;
        off_t size = -1;
        int64_t modifiedNs = 0;
        bool operator==(const FileIdentity&) const = default;
    };
    enum class ReadResult { Read, Missing, Corrupt, Unavailable };

    static FileIdentity IdentityOf(const struct stat& status);
    ReadResult ReadTree(SettingsTree* tree) const;
    ReadResult ReadOrRecover(SettingsTree* tree) const;
    bool Cached(const FileIdentity& identity, SettingsTree* tree) const;
    void Remember(const FileIdentity& identity, const SettingsTree& tree) const;
    bool Replace(const SettingsTree& tree) const;

    std::string m_path;
    int64_t m_maxFileBytes;
    // The last version read or written, so that loading an unchanged file parses nothing.
    mutable std::mutex m_cacheLock;
    mutable FileIdentity m_cachedIdentity;
    mutable SettingsTree m_cachedTree;
    mutable bool m_cacheValid = false;
    mutable uint64_t m_parseCount = 0;
};

}  // namespace kelvra::platform

// Opening the files applications name: never wait on a FIFO or a device, and replace a file
// only with a complete new version, so that a failed write never destroys what was there.
#pragma once

#include <string>

namespace kelvra::platform {

// Opens `path` for reading when it names a regular file (through symbolic links). A FIFO, a
// device, a socket or a directory is refused without being opened or waited on. Returns the
// descriptor (blocking, close-on-exec) or -1 with errno set (EINVAL for a file that is not
// regular). Any thread.
int OpenRegularFileForReading(const char* path);

// A new version of a file, written to a temporary file in the same folder and renamed over the
// target only by Commit. Until then readers see the old file; a failed or abandoned write
// removes the temporary file and leaves the old one as it was. Not thread-safe: one user.
class ReplacingFile {
  public:
    ReplacingFile() = default;
    ~ReplacingFile() { Abandon(); }
    ReplacingFile(const ReplacingFile&) = delete;
    ReplacingFile& operator=(const ReplacingFile&) = delete;

    bool Open(const char* path);
    bool Commit();
    void Abandon();

    bool IsOpen() const { return fd_ >= 0; }
    // The temporary file's descriptor while open (write, seek, truncate freely), else -1.
    int Descriptor() const { return fd_; }

  private:
    int fd_ = -1;
    std::string target_;
    std::string temp_;
};

}  // namespace kelvra::platform

#include "output/ReplacingStream.h"

#include <fcntl.h>
#include <unistd.h>

namespace kelvra {

// The stream is closed before the temporary file is removed, and nothing buffered is lost,
// since nothing is kept anyway.
ReplacingStream::~ReplacingStream() {
    if (stream_ != nullptr) std::fclose(stream_);
}

// Starts the new version of `path` (see platform::ReplacingFile::Open) with a stream on it.
// False when `path` is refused or the stream cannot be made.
bool ReplacingStream::Open(const char* path) {
    if (stream_ != nullptr) std::fclose(stream_);
    stream_ = nullptr;
    if (!file_.Open(path)) return false;
    // The stream gets its own descriptor, so closing it leaves the file open for Commit.
    const int fd = ::fcntl(file_.Descriptor(), F_DUPFD_CLOEXEC, 0);
    if (fd < 0) return false;
    stream_ = ::fdopen(fd, "wb");
    if (stream_ == nullptr) {
        ::close(fd);
        return false;
    }
    return true;
}

// Flushes and closes the stream, then replaces the target. True when the new file is in place;
// false, with the old file untouched, when a write, the flush or the replacement failed.
bool ReplacingStream::Commit() {
    if (stream_ == nullptr) return false;
    bool ok = std::ferror(stream_) == 0;
    ok = std::fclose(stream_) == 0 && ok;
    stream_ = nullptr;
    if (!ok) {
        file_.Abandon();
        return false;
    }
    return file_.Commit();
}

}  // namespace kelvra

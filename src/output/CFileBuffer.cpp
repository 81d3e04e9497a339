#include "output/CFileBuffer.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/uio.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <limits>
#include <new>

namespace kelvra {

namespace {

constexpr int kGatherBatch = 1024;  // iovecs per system call: IOV_MAX on Linux

}  // namespace

// A file still open for writing was not finished: its old version stays.
CFileBuffer::~CFileBuffer() {
    Abandon();
}

// Starts a new version of `path` (created when missing): the writes go to a temporary file in
// the same folder, which CloseAll puts in place only when every write succeeded. Closes
// whatever was open first. False when `path` names something other than a regular file or no
// temporary file can be made there.
bool CFileBuffer::OpenForWrite(const char* path) {
    CloseAll();
    if (path == nullptr || !replacement_.Open(path)) return false;
    fd_ = replacement_.Descriptor();
    return true;
}

// Reads the whole of `path` into an owned buffer and closes the file again; Data(), End(),
// Current() and Size() then describe the contents. Returns the data pointer (valid, though
// pointing at nothing, for an empty file), or null when the file cannot be opened or read, is
// not a regular file (a FIFO or device is refused, never waited on) or is larger than
// `maxSize` (errno EFBIG) or 4 GiB. Closes whatever was open first.
const uint8_t* CFileBuffer::OpenForRead(const char* path, uint64_t maxSize) {
    CloseAll();
    const int fd = platform::OpenRegularFileForReading(path);
    if (fd < 0) return nullptr;
    struct stat st {};
    if (::fstat(fd, &st) != 0 || st.st_size < 0 ||
        static_cast<uint64_t>(st.st_size) > std::min<uint64_t>(maxSize, kMaxReadSize)) {
        ::close(fd);
        errno = EFBIG;
        return nullptr;
    }
    const size_t expected = static_cast<size_t>(st.st_size);
    std::unique_ptr<uint8_t[]> buffer(new (std::nothrow) uint8_t[expected]);
    size_t got = 0;
    bool ok = buffer != nullptr;
    while (ok && got < expected) {
        const ssize_t n = ::read(fd, buffer.get() + got, expected - got);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) ok = false;
        if (n <= 0) break;  // a file that shrank meanwhile is taken as it now is
        got += static_cast<size_t>(n);
    }
    ::close(fd);
    if (!ok) return nullptr;
    owned_ = std::move(buffer);
    data_ = owned_.get();
    current_ = data_;
    end_ = data_ + got;
    size_ = static_cast<uint32_t>(got);
    return data_;
}

// Opens an existing regular file for sequential reads with ReadExact (a FIFO or device is
// refused, never waited on). Closes whatever was open first.
bool CFileBuffer::OpenExisting(const char* path) {
    CloseAll();
    fd_ = platform::OpenRegularFileForReading(path);
    return fd_ >= 0;
}

// Reads exactly `size` bytes from the file opened with OpenExisting. Returns false on end of
// file, a read error or no open file; `data` may then hold part of the bytes.
bool CFileBuffer::ReadExact(void* data, size_t size) {
    if (fd_ < 0) return false;
    auto* out = static_cast<uint8_t*>(data);
    size_t got = 0;
    while (got < size) {
        const ssize_t n = ::read(fd_, out + got, size - got);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        got += static_cast<size_t>(n);
    }
    return true;
}

// Appends `size` bytes at the append position. Returns false (and remembers the failure) when
// no file is open for writing or not every byte could be written.
bool CFileBuffer::Write(const void* data, size_t size) {
    const ByteRange part{data, size};
    return Gather({&part, 1}, nullptr);
}

// Appends the parts in order with as few system calls as the kernel allows.
bool CFileBuffer::Write(std::span<const ByteRange> parts) {
    return Gather(parts, nullptr);
}

// Writes at an absolute file offset; the append position does not move.
bool CFileBuffer::WriteAt(uint64_t offset, const void* data, size_t size) {
    const ByteRange part{data, size};
    return Gather({&part, 1}, &offset);
}

bool CFileBuffer::WriteAt(uint64_t offset, std::span<const ByteRange> parts) {
    return Gather(parts, &offset);
}

// Writes the parts with writev (or pwritev at *offset), resuming after partial writes, which
// happen near a full disk or a file size limit before the call finally fails.
bool CFileBuffer::Gather(std::span<const ByteRange> parts, const uint64_t* offset) {
    if (fd_ < 0) {
        Fail();
        return false;
    }
    uint64_t at = offset != nullptr ? *offset : 0;
    size_t index = 0;
    size_t done = 0;  // bytes of parts[index] already written
    while (true) {
        iovec batch[kGatherBatch];
        int count = 0;
        for (size_t i = index, skip = done; i < parts.size() && count < kGatherBatch; ++i) {
            if (parts[i].size > skip) {
                batch[count++] =
                    iovec{const_cast<uint8_t*>(static_cast<const uint8_t*>(parts[i].data)) + skip,
                          parts[i].size - skip};
            }
            skip = 0;
        }
        if (count == 0) return true;
        const ssize_t n = offset != nullptr ? ::pwritev(fd_, batch, count, static_cast<off_t>(at))
                                            : ::writev(fd_, batch, count);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            Fail();
            return false;
        }
        at += static_cast<uint64_t>(n);
        if (offset == nullptr) position_ += static_cast<uint64_t>(n);
        for (size_t left = static_cast<size_t>(n); left > 0;) {
            const size_t rest = parts[index].size - done;
            const size_t step = std::min(left, rest);
            left -= step;
            done += step;
            if (done == parts[index].size) {
                ++index;
                done = 0;
            }
        }
    }
}

// Cuts the file to `size` bytes and moves the append position there. Returns false (and
// remembers the failure) when that is not possible.
bool CFileBuffer::TruncateTo(uint64_t size) {
    if (fd_ < 0 || ::ftruncate(fd_, static_cast<off_t>(size)) != 0 ||
        ::lseek(fd_, static_cast<off_t>(size), SEEK_SET) < 0) {
        Fail();
        return false;
    }
    position_ = size;
    return true;
}

// Reserves disk space for [offset, offset + length) of the file open for writing without
// changing its size, so that a long recording is laid out in large extents and a full disk
// shows early. False, with nothing remembered as failed, where the file system cannot (the
// writes then go on without) or the disk is full. TruncateTo at the end gives back what lies
// past the file's end.
bool CFileBuffer::Preallocate(uint64_t offset, uint64_t length) {
    if (fd_ < 0) return false;
    int result;
    do {
        result = ::fallocate(fd_, FALLOC_FL_KEEP_SIZE, static_cast<off_t>(offset),
                             static_cast<off_t>(length));
    } while (result != 0 && errno == EINTR);
    return result == 0;
}

// Closes the file and frees the read buffer. A file open for writing takes the place of the
// old one when no write since the open failed and its data reached the disk; otherwise the old
// file stays as it was and the new version is removed. Returns false in that case or when the
// close itself reported an error (a delayed write error surfaces there), true otherwise, also
// when nothing was open.
bool CFileBuffer::CloseAll() {
    bool ok = !writeFailed_;
    if (replacement_.IsOpen()) {
        ok = ok ? replacement_.Commit() : (replacement_.Abandon(), false);
    } else if (fd_ >= 0) {
        // No retry on EINTR: Linux has released the descriptor whatever close reports.
        if (::close(fd_) != 0 && errno != EINTR) ok = false;
    }
    fd_ = -1;
    owned_.reset();
    data_ = end_ = current_ = nullptr;
    size_ = 0;
    position_ = 0;
    writeFailed_ = false;
    return ok;
}

// Closes whatever is open; a file open for writing is dropped and its old version kept.
void CFileBuffer::Abandon() {
    if (replacement_.IsOpen()) {
        replacement_.Abandon();
        fd_ = -1;
    }
    CloseAll();
}

}  // namespace kelvra

// The small file wrapper shared by the BMP, raw, AVI and mask writers and the configuration
// loader.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>

#include "platform/SafeFile.h"

namespace kelvra {

// One piece of a gathered write.
struct ByteRange {
    const void* data;
    size_t size;
};

// Either a file open for writing, or a whole file read into an owned buffer, or nothing.
// Every write failure is remembered until the next open, so a writer can issue its writes and
// ask once, at CloseAll, whether the file is complete. Writes go to a new version of the file
// that replaces the old one only when CloseAll finds it complete. Only regular files are read
// or written. Not thread-safe: one user at a time.
class CFileBuffer {
  public:
    // The largest file OpenForRead takes by default: what the 32-bit size field holds.
    static constexpr uint64_t kMaxReadSize = UINT32_MAX;

    CFileBuffer() = default;
    ~CFileBuffer();
    CFileBuffer(const CFileBuffer&) = delete;
    CFileBuffer& operator=(const CFileBuffer&) = delete;

    bool OpenForWrite(const char* path);
    const uint8_t* OpenForRead(const char* path, uint64_t maxSize = kMaxReadSize);
    bool OpenExisting(const char* path);

    bool Write(const void* data, size_t size);
    bool Write(std::span<const ByteRange> parts);
    bool WriteAt(uint64_t offset, const void* data, size_t size);
    bool WriteAt(uint64_t offset, std::span<const ByteRange> parts);
    bool TruncateTo(uint64_t size);
    bool Preallocate(uint64_t offset, uint64_t length);
    bool ReadExact(void* data, size_t size);

    bool CloseAll();
    void Abandon();

    bool IsOpen() const { return fd_ >= 0; }
    bool WriteFailed() const { return writeFailed_; }
    // For a writer that has dealt with a failed write itself (cut it off, left it out).
    void ForgetWriteFailure() { writeFailed_ = false; }
    // Bytes appended by Write since the file was opened (the append position).
    uint64_t Position() const { return position_; }

    // The buffer of OpenForRead: [Data(), End()), Size() bytes, Current() the read position.
    const uint8_t* Data() const { return data_; }
    const uint8_t* End() const { return end_; }
    const uint8_t* Current() const { return current_; }
    uint32_t Size() const { return size_; }

  private:
    bool Gather(std::span<const ByteRange> parts, const uint64_t* offset);
    void Fail() { writeFailed_ = true; }

    int fd_ = -1;
    platform::ReplacingFile replacement_;  // open while writing; fd_ is its descriptor
    bool writeFailed_ = false;
    uint64_t position_ = 0;
    std::unique_ptr<uint8_t[]> owned_;
    const uint8_t* data_ = nullptr;
    const uint8_t* end_ = nullptr;
    const uint8_t* current_ = nullptr;
    uint32_t size_ = 0;
};

}  // namespace kelvra

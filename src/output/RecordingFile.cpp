#include "output/RecordingFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cinttypes>
#include <cstdio>
#include <cstdlib>

#include "imaging/CDibImage.h"
#include "output/CAviRecordingFile.h"
#include "output/RawRecordingFile.h"
#include "output/TiffRecordingFile.h"

namespace kelvra {

std::unique_ptr<RecordingFile> MakeRecordingFile(RecordingFormat format) {
    switch (format) {
        case RecordingFormat::Avi:
            return MakeAviRecordingFile();
        case RecordingFormat::Tiff:
            return std::make_unique<TiffRecordingFile>();
        case RecordingFormat::Raw:
            return std::make_unique<RawRecordingFile>();
        default:
            return nullptr;
    }
}

int FormatRecordingFrameFields(char* text, size_t size, const RecordingFrame& frame) {
    // Milli-degrees printed exactly, without going through floating point.
    const int32_t milli = frame.temperatureMilliC;
    const char* sign = milli < 0 ? "-" : "";
    const uint32_t magnitude = static_cast<uint32_t>(std::abs(static_cast<int64_t>(milli)));
    const int length =
        std::snprintf(text, size,
                      "\"frame\": %" PRIu64 ", \"timestamp_us\": %" PRIu64
                      ", \"exposure_us\": %" PRIu32 ", \"temperature_c\": %s%" PRIu32 ".%03" PRIu32,
                      frame.frameCounter, frame.timestampUs, frame.exposureUs, sign,
                      magnitude / 1000, magnitude % 1000);
    return length >= 0 && static_cast<size_t>(length) < size ? length : -1;
}

int CreateRecordingTarget(const char* path, int& fd) {
    fd = -1;
    if (path == nullptr || *path == '\0') return ENOENT;
    // O_NONBLOCK: opening a FIFO must not wait for a reader before the check below refuses it.
    const int opened = ::open(path, O_RDWR | O_CREAT | O_CLOEXEC | O_NONBLOCK, 0666);
    if (opened < 0) return errno;
    struct stat info {};
    if (::fstat(opened, &info) != 0 || !S_ISREG(info.st_mode)) {
        ::close(opened);
        return EINVAL;
    }
    if (::ftruncate(opened, 0) != 0 || ::fcntl(opened, F_SETFL, 0) != 0) {
        const int error = errno;
        ::close(opened);
        return error;
    }
    fd = opened;
    return 0;
}

int WriteFully(int fd, const void* data, size_t size) {
    const auto* bytes = static_cast<const uint8_t*>(data);
    while (size > 0) {
        const ssize_t done = ::write(fd, bytes, size);
        if (done < 0) {
            if (errno == EINTR) continue;
            return errno;
        }
        if (done == 0) return EIO;
        bytes += done;
        size -= static_cast<size_t>(done);
    }
    return 0;
}

int64_t PackedRowBytes(int32_t width, int32_t bitsPerPixel) {
    if (width <= 0 || !IsSupportedBitCount(bitsPerPixel)) return 0;
    return int64_t{width} * (bitsPerPixel / 8);
}

}  // namespace kelvra

#include "output/BufferImageFile.h"

#include <cstring>

#include "imaging/CDibImage.h"
#include "output/ImageFileWriter.h"

namespace kelvra {
namespace {

bool IsKnownFormat(int32_t format) {
    return format >= kImageFileBmp && format <= kImageFileTiff;
}

}  // namespace

bool IsSavableBuffer(const BufferImage& image) {
    if (image.data == nullptr || image.width <= 0 || image.height <= 0) return false;
    if (!IsSupportedBitCount(image.bitsPerPixel)) return false;
    const int64_t rowBytes = int64_t{image.width} * (image.bitsPerPixel / 8);
    return image.rowStride >= rowBytes;
}

BufferSaveResult WriteBufferImageFile(const char* path, int32_t format, const BufferImage& image) {
    if (path == nullptr || path[0] == '\0' || !IsKnownFormat(format) || !IsSavableBuffer(image)) {
        return BufferSaveResult::kRefused;
    }
    CDibImage copy;
    if (!copy.Create(image.width, image.height, image.bitsPerPixel)) {
        return BufferSaveResult::kFailed;
    }
    // The library's rows are padded to 4 bytes; the caller's may be packed or wider.
    const size_t rowBytes = size_t(image.width) * size_t(image.bitsPerPixel / 8);
    const auto* source = static_cast<const uint8_t*>(image.data);
    for (int32_t row = 0; row < image.height; ++row) {
        std::memcpy(copy.Bits() + size_t(row) * size_t(copy.Stride()),
                    source + size_t(row) * size_t(image.rowStride), rowBytes);
    }
    return WriteImageFile(path, copy, format, kSaveSignificantBits) != 0
               ? BufferSaveResult::kWritten
               : BufferSaveResult::kFailed;
}

}  // namespace kelvra

// Still-image files of pixels that belong to someone else (an application's buffer): the rows
// are copied into an image buffer of the library's layout and go through the same writers as
// the save operation, so the same pixels make the same file.
#pragma once

#include <cstdint>

namespace kelvra {

// Rows top first, `rowStride` bytes apart; samples as in CDibImage (16-bit little-endian, colour
// in blue, green, red order, then a fourth sample).
struct BufferImage {
    const void* data = nullptr;
    int32_t width = 0;
    int32_t height = 0;
    int32_t bitsPerPixel = 0;
    int64_t rowStride = 0;
};

enum class BufferSaveResult { kWritten, kRefused, kFailed };

// Whether the description can be saved: pixels, a positive size, a bit count of 8, 16, 24, 32,
// 48 or 64, rows long enough for their pixels.
bool IsSavableBuffer(const BufferImage& image);

// Writes `image` to `path` in `format` (ImageFileFormat) as the save operation writes its own
// image. kRefused for an unknown format or an unsavable description (nothing is touched);
// kFailed when the copy cannot be allocated or the writer fails (an old file stays as it was).
// Runs on the caller's thread; the caller keeps the pixels from changing meanwhile.
BufferSaveResult WriteBufferImageFile(const char* path, int32_t format, const BufferImage& image);

}  // namespace kelvra

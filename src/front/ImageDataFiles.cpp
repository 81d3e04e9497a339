#include "front/ImageDataFiles.h"

#include "output/BufferImageFile.h"

namespace kelvra {
namespace {

constexpr int kWritten = 1, kRefused = 0, kNotWritten = -1;

}  // namespace

int SaveImageData(const char* fileName, int format, const KELVRA_IMAGE* image) {
    if (image == nullptr || image->size < static_cast<int32_t>(sizeof(KELVRA_IMAGE))) {
        return kRefused;
    }
    const BufferImage pixels{image->data, image->width, image->height, image->bitsPerPixel,
                             image->rowStride};
    switch (WriteBufferImageFile(fileName, format, pixels)) {
        case BufferSaveResult::kWritten:
            return kWritten;
        case BufferSaveResult::kRefused:
            return kRefused;
        case BufferSaveResult::kFailed:
            break;
    }
    return kNotWritten;
}

}  // namespace kelvra

// The still-image writer behind the save operation: one entry point, the format picks the
// encoder.
#pragma once

#include <cstdint>

#include "imaging/CDibImage.h"

namespace kelvra {

// File formats of WriteImageFile.
enum ImageFileFormat : int32_t {
    kImageFileBmp = 0,
    kImageFileRaw = 1,
    kImageFileJpeg100 = 2,
    kImageFileJpeg70 = 3,
    kImageFileJpeg20 = 4,
    kImageFilePng = 5,
    kImageFileTiff = 6,
};

// Significant bits the save operation always passes.
constexpr int32_t kSaveSignificantBits = 16;

int WriteImageFile(const char* path, const CDibImage& image, int32_t format,
                   int32_t significantBits);

}  // namespace kelvra

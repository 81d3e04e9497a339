// TIFF files of an image buffer through libtiff.
#pragma once

#include <cstdint>

#include "imaging/CDibImage.h"

namespace kelvra {

int WriteTiffFile(const char* path, const CDibImage& image, int32_t significantBits);

}  // namespace kelvra

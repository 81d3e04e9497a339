// PNG files of an image buffer through libpng.
#pragma once

#include <cstdint>

#include "imaging/CDibImage.h"

namespace kelvra {

int WritePngFile(const char* path, const CDibImage& image, int32_t significantBits);

}  // namespace kelvra

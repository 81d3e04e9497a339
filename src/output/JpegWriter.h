// JPEG files of an image buffer through libjpeg.
#pragma once

#include <cstdint>

#include "imaging/CDibImage.h"

namespace kelvra {

int WriteJpegFile(const char* path, const CDibImage& image, int quality, int32_t significantBits);

}  // namespace kelvra

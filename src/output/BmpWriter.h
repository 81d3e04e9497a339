// BMP and raw pixel files of an image buffer.
#pragma once

#include "imaging/CDibImage.h"

namespace kelvra {

int SaveBmp(const CDibImage& image, const char* path);
int WriteBmpFile(const char* path, const CDibImage& image);
int WriteRawFile(const char* path, const CDibImage& image);

}  // namespace kelvra

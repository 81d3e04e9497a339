// Still images of pixels the application owns (the public KELVRA_IMAGE record): needs no handle.
#pragma once

#include "KelvraSdk.h"

namespace kelvra {

// Kelvra_SaveImageData: 1 written, 0 refused arguments, -1 the file could not be written.
int SaveImageData(const char* fileName, int format, const KELVRA_IMAGE* image);

}  // namespace kelvra

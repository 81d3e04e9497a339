// Public extra: still images of pixels the application owns.
#include "KelvraSdk.h"
#include "front/ImageDataFiles.h"

namespace {
// An exception (none is expected) means nothing was written.
constexpr int kNotWritten = -1;
}  // namespace

extern "C" {

int Kelvra_SaveImageData(const char* fileName, int format, const KELVRA_IMAGE* image) {
    try {
        return kelvra::SaveImageData(fileName, format, image);
    } catch (...) {
        return kNotWritten;
    }
}

}  // extern "C"

// Still images and mask files.
#include "front/CKelvra.h"
#include "front/processing/DefectMaps.h"
#include "output/ImageFileWriter.h"
#include "output/MaskFile.h"

namespace kelvra {

// Writes the newest processed frame, in the mode it was processed in (as GetImage gives it).
int CKelvra::SaveImage(const char* fileName, int format) {
    std::lock_guard<std::recursive_mutex> guard(callLock_);
    const int32_t held = heldMode_.load();
    if (!device_ || imageValid_.load() == 0 || held < 0) return RecordError(kErrorNoCamera), 0;
    if (fileName == nullptr || fileName[0] == '\0') return RecordError(kErrorParameter), 0;
    std::lock_guard<std::recursive_mutex> frame(frameLock_);
    const CDibImage* image = OutputImage(held);
    if (image == nullptr || image->Bits() == nullptr) return RecordError(kErrorNoCamera), 0;
    return WriteImageFile(fileName, *image, format, kSaveSignificantBits);
}

MaskReferences CKelvra::References() const {
    return MaskReferences{images_.darkRef8.get(), images_.whiteRef8.get(), images_.darkRef16.get(),
                          images_.whiteRef16.get()};
}

// The references belong to the open camera: without one, save and load give code 1.
bool CKelvra::CameraSelected() const {
    return device_ && deviceNumber_.load() >= 0;
}

// The references are replaced only by a complete, valid file; the defect maps follow them.
int CKelvra::LoadMaskFile(const char* fileName) {
    std::lock_guard<std::recursive_mutex> guard(callLock_);
    if (!CameraSelected()) return RecordError(kErrorNoCamera), 0;
    std::lock_guard<std::recursive_mutex> mask(maskLock_);
    if (fileName == nullptr || !kelvra::LoadMaskFile(fileName, References())) {
        return RecordError(kErrorMaskFile), 0;
    }
    const processing::FrameImages images = ProcessingImages();
    for (int depth16 = 0; depth16 <= 1; ++depth16) {
        for (int which = 0; which <= 1; ++which)
            processing::RebuildDefectMaps(images, depth16, which);
    }
    return 1;
}

// The old file is replaced only by a complete new one (a full disk leaves it as it was).
int CKelvra::SaveMaskFile(const char* fileName) {
    std::lock_guard<std::recursive_mutex> guard(callLock_);
    if (!CameraSelected()) return RecordError(kErrorNoCamera), 0;
    std::lock_guard<std::recursive_mutex> mask(maskLock_);
    if (fileName == nullptr || !kelvra::SaveMaskFile(fileName, References())) {
        return RecordError(kErrorMaskFile), 0;
    }
    return 1;
}

}  // namespace kelvra

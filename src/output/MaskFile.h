// The pixel-mask file: the four flat-field references of the full sensor in one file.
#pragma once

#include <cstdint>

#include "imaging/CDibImage.h"

namespace kelvra {

constexpr int32_t kMaskWidth = 1280;
constexpr int32_t kMaskHeight = 1024;
constexpr uint32_t kMaskFileSize = 7864360;

// The references a mask file holds, in file order: dark and bright 8-bit, dark and bright
// 16-bit, each 1280 × 1024. Borrowed for one call.
struct MaskReferences {
    CDibImage* dark8;
    CDibImage* bright8;
    CDibImage* dark16;
    CDibImage* bright16;
};

int SaveMaskFile(const char* path, const MaskReferences& references);
int LoadMaskFile(const char* path, const MaskReferences& references);

}  // namespace kelvra

// Defect maps derived from the flat-field references.
#pragma once

#include <cstdint>

#include "front/processing/FrameImages.h"

namespace kelvra::processing {

enum MaskKind : int32_t { kDarkMask = 0, kWhiteMask = 1 };

// Rebuilds the defect map of one reference: depth16 0 (8-bit) or 1 (16-bit), which 0 (dark) or
// 1 (white). For rows 2..1021 and columns 2..1277 (clipped to both images) an entry is 1 when
// the reference pixel is above 192 (dark, 8-bit), above 3072 (dark, 16-bit), below 64 (white,
// 8-bit) or below 1024 (white, 16-bit), else 0; the two-pixel border keeps its contents.
// Returns 1, or 0 for another depth16 or which, or a missing reference or map of that depth.
// Every change of a reference is followed by this call (capture, mask file): it also marks the
// reference (and the map) changed, so that what frames derive from them (the flat-field
// reciprocals, the union of the maps) is made again before the next frame. The caller holds the
// mask lock.
int32_t RebuildDefectMaps(const FrameImages& images, int32_t depth16, int32_t which);

}  // namespace kelvra::processing

#include "front/processing/ImageSelection.h"

#include "front/processing/FrameSettings.h"

namespace kelvra::processing {

CDibImage* RawImageFor(const FrameImages& images, int32_t colourMode) {
    return IsWideMode(colourMode) ? images.raw16 : images.raw8;
}

CDibImage* OutputImageFor(const FrameImages& images, int32_t colourMode) {
    switch (colourMode) {
        case kMono8:
            return images.raw8;
        case kMono16:
            return images.raw16;
        case kColour24:
            return images.out24;
        case kColour32:
            return images.out32;
        case kColour48:
            return images.out48;
        case kColour64:
            return images.out64;
        default:
            return nullptr;
    }
}

OutputSize SubsampledSize(const FrameSettings& s) {
    int32_t divisor = 1;
    switch (s.subsampleMode) {
        case 1:
        case 17:
            divisor = 2;
            break;
        case 2:
        case 18:
            divisor = 4;
            break;
        case 3:
        case 19:
            divisor = 8;
            break;
        default:
            break;
    }
    return OutputSize{s.EH / divisor, s.EV / divisor};
}

}  // namespace kelvra::processing

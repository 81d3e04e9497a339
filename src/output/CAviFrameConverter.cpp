#include "output/CAviFrameConverter.h"

#include "imaging/CopyKernels.h"
#include "imaging/KernelRunner.h"
#include "output/SampleReduction.h"

namespace kelvra {

namespace {

constexpr int32_t kFrameBitCount = 24;
constexpr int32_t kRecordedSignificantBits = 16;  // what the output images hold (see below)

}  // namespace

// Sizes the frame for output images of width × height at bitCount (8, 16, 24, 32, 48 or 64).
// Returns 1, or 0 (nothing prepared) for an invalid size or bit count or when memory runs out.
int CAviFrameConverter::Prepare(int32_t width, int32_t height, int32_t bitCount) {
    bitCount_ = 0;
    switch (bitCount) {
        case 8:
        case 16:
        case 24:
        case 32:
        case 48:
        case 64:
            break;
        default:
            return 0;
    }
    if (frame_.Create(width, height, kFrameBitCount) == 0) return 0;
    bitCount_ = bitCount;
    return 1;
}

// Converts `image` into the frame: rows flipped to bottom-up, pixels blue-green-red. 8-bit
// grey goes through the image's colour table; 16-, 48- and 64-bit samples are reduced on the
// camera's 12-bit scale (ReductionShift(16): a 10-bit reduction would wrap the 12-bit samples
// around, the high byte would leave them nearly black). Returns the frame (FrameSize() bytes,
// valid until the next call), or null when `image` does not match what Prepare was given.
const uint8_t* CAviFrameConverter::Convert(const CDibImage& image) {
    if (bitCount_ == 0 || image.Bits() == nullptr || image.BitCount() != bitCount_ ||
        image.Width() != frame_.Width() || image.Height() != frame_.Height()) {
        return nullptr;
    }
    switch (bitCount_) {
        case 8:
            ExpandGrey8(image);
            break;
        case 16:
            ExpandGrey16(image);
            break;
        case 24:
        case 32:
            RunKernel(frame_, CopyBgr24Flip, image, nullptr, 0, 0, nullptr);
            break;
        default:
            Reduce48(image);
            break;
    }
    return frame_.Bits();
}

void CAviFrameConverter::ExpandGrey8(const CDibImage& image) {
    const RgbQuad* table = image.Header().bmiColors;
    for (int32_t y = 0; y < image.Height(); ++y) {
        const uint8_t* s = image.Bits() + static_cast<size_t>(y) * image.Stride();
        uint8_t* d = frame_.Bits() + static_cast<size_t>(image.Height() - 1 - y) * frame_.Stride();
        for (int32_t x = 0; x < image.Width(); ++x, d += 3) {
            const RgbQuad& c = table[s[x]];
            d[0] = c.rgbBlue;
            d[1] = c.rgbGreen;
            d[2] = c.rgbRed;
        }
    }
}

// Reduced to 8-bit grey in the last bytes of each frame row, then spread to three bytes per
// pixel from the left, which never overwrites a grey byte before it is read.
void CAviFrameConverter::ExpandGrey16(const CDibImage& image) {
    const int shift = ReductionShift(kRecordedSignificantBits);
    const int32_t width = image.Width();
    for (int32_t y = 0; y < image.Height(); ++y) {
        const uint8_t* s = image.Bits() + static_cast<size_t>(y) * image.Stride();
        uint8_t* d = frame_.Bits() + static_cast<size_t>(image.Height() - 1 - y) * frame_.Stride();
        uint8_t* grey = d + 2 * static_cast<size_t>(width);
        ReduceMono16Row(grey, s, width, shift);
        for (int32_t x = 0; x < width; ++x) {
            const uint8_t g = grey[x];
            d[3 * x] = d[3 * x + 1] = d[3 * x + 2] = g;
        }
    }
}

void CAviFrameConverter::Reduce48(const CDibImage& image) {
    const int shift = ReductionShift(kRecordedSignificantBits);
    for (int32_t y = 0; y < image.Height(); ++y) {
        const uint8_t* s = image.Bits() + static_cast<size_t>(y) * image.Stride();
        uint8_t* d = frame_.Bits() + static_cast<size_t>(image.Height() - 1 - y) * frame_.Stride();
        ReduceColour16Row(d, s, image.Width(), image.BytesPerPixel(), shift, ColourOrder::kBgr);
    }
}

}  // namespace kelvra

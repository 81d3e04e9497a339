#include "output/CAviFrameConverter.h"

#include <immintrin.h>

#include <cstring>
#include <new>

#include "imaging/CopyKernels.h"
#include "imaging/KernelRunner.h"
#include "output/SampleReduction.h"

namespace kelvra {

namespace {

constexpr int32_t kFrameBitCount = 24;
constexpr int32_t kRecordedSignificantBits = 16;  // what the output images hold (see below)
constexpr int32_t kSsse3Run = 16;                 // grey bytes spread per step

bool HasSsse3() {
    static const bool has = __builtin_cpu_supports("ssse3") != 0;
    return has;
}

// Spreads the leading multiple of 16 grey bytes to three bytes each; returns how many it did.
// Call only when HasSsse3().
__attribute__((target("ssse3"))) int32_t SpreadGreySsse3(uint8_t* d, const uint8_t* s, int32_t n) {
    const __m128i first = _mm_setr_epi8(0, 0, 0, 1, 1, 1, 2, 2, 2, 3, 3, 3, 4, 4, 4, 5);
    const __m128i second = _mm_setr_epi8(5, 5, 6, 6, 6, 7, 7, 7, 8, 8, 8, 9, 9, 9, 10, 10);
    const __m128i third =
        _mm_setr_epi8(10, 11, 11, 11, 12, 12, 12, 13, 13, 13, 14, 14, 14, 15, 15, 15);
    int32_t x = 0;
    for (; x + kSsse3Run <= n; x += kSsse3Run) {
        const __m128i grey = _mm_loadu_si128(reinterpret_cast<const __m128i*>(s + x));
        auto* out = reinterpret_cast<__m128i*>(d + 3 * static_cast<int64_t>(x));
        _mm_storeu_si128(out, _mm_shuffle_epi8(grey, first));
        _mm_storeu_si128(out + 1, _mm_shuffle_epi8(grey, second));
        _mm_storeu_si128(out + 2, _mm_shuffle_epi8(grey, third));
    }
    return x;
}

// 16-bit samples shifted right by `shift` (1 to 15) and saturated to bytes, 16 per step: after
// the shift every sample fits a signed 16-bit lane, so the signed pack saturates as it must.
void ReduceGreyRow(uint8_t* d, const uint8_t* s, int32_t n, int shift) {
    int32_t x = 0;
    if (shift > 0) {
        const __m128i count = _mm_cvtsi32_si128(shift);
        for (; x + kSsse3Run <= n; x += kSsse3Run) {
            const auto* in = reinterpret_cast<const __m128i*>(s + 2 * static_cast<int64_t>(x));
            const __m128i low = _mm_srl_epi16(_mm_loadu_si128(in), count);
            const __m128i high = _mm_srl_epi16(_mm_loadu_si128(in + 1), count);
            _mm_storeu_si128(reinterpret_cast<__m128i*>(d + x), _mm_packus_epi16(low, high));
        }
    }
    ReduceMono16Row(d + x, s + 2 * static_cast<int64_t>(x), n - x, shift);
}

void SpreadGrey(uint8_t* d, const uint8_t* s, int32_t n) {
    int32_t x = HasSsse3() ? SpreadGreySsse3(d, s, n) : 0;
    for (; x < n; ++x) d[3 * x] = d[3 * x + 1] = d[3 * x + 2] = s[x];
}

// Colours of an 8-bit colour table as blue | green << 8 | red << 16, so that a pixel is one
// four-byte store whose fourth byte the next pixel overwrites.
void PackTable(const RgbQuad* table, uint32_t* packed) {
    for (int i = 0; i < kPaletteEntries; ++i) {
        packed[i] =
            table[i].rgbBlue | uint32_t{table[i].rgbGreen} << 8 | uint32_t{table[i].rgbRed} << 16;
    }
}

void LookUpRow(uint8_t* d, const uint8_t* s, int32_t n, const uint32_t* packed) {
    if (n <= 0) return;
    for (int32_t x = 0; x + 1 < n; ++x) std::memcpy(d + 3 * x, &packed[s[x]], 4);
    std::memcpy(d + 3 * (n - 1), &packed[s[n - 1]], 3);  // the row may end the buffer
}

bool IsGreyRamp(const RgbQuad* table) {
    for (int i = 0; i < kPaletteEntries; ++i) {
        if (table[i].rgbBlue != i || table[i].rgbGreen != i || table[i].rgbRed != i) return false;
    }
    return true;
}

uint8_t* FrameRow(CDibImage& frame, int32_t pictureRow) {
    return frame.Bits() + static_cast<size_t>(frame.Height() - 1 - pictureRow) * frame.Stride();
}

}  // namespace

// Sizes `frames` frames (1 to a few) for output images of width × height at bitCount (8, 16,
// 24, 32, 48 or 64). Returns 1, or 0 (nothing prepared) for an invalid size, bit count or frame
// count or when memory runs out.
int CAviFrameConverter::Prepare(int32_t width, int32_t height, int32_t bitCount, int32_t frames) {
    bitCount_ = 0;
    if (!IsSupportedBitCount(bitCount) || frames < 1) return 0;
    try {
        frames_.resize(static_cast<size_t>(frames));
        for (auto& frame : frames_) {
            if (!frame) frame = std::make_unique<CDibImage>();
            if (frame->Create(width, height, kFrameBitCount) == 0) return 0;
        }
        greyRow_.resize(static_cast<size_t>(width));
    } catch (const std::bad_alloc&) {
        return 0;
    }
    bitCount_ = bitCount;
    return 1;
}

const uint8_t* CAviFrameConverter::Frame(int32_t frame) const {
    if (bitCount_ == 0 || frame < 0 || static_cast<size_t>(frame) >= frames_.size()) return nullptr;
    return frames_[static_cast<size_t>(frame)]->Bits();
}

uint32_t CAviFrameConverter::FrameSize() const {
    return frames_.empty() ? 0 : static_cast<uint32_t>(frames_.front()->ImageBytes());
}

// Converts `image` into frame `frame`: rows flipped to bottom-up, pixels blue-green-red. 8-bit
// grey goes through the image's colour table; 16-, 48- and 64-bit samples are reduced on the
// camera's 12-bit scale (ReductionShift(16): a 10-bit reduction would wrap the 12-bit samples
// around, the high byte would leave them nearly black). Returns the frame (FrameSize() bytes,
// valid until that frame is converted again), or null when `image` does not match what Prepare
// was given or there is no such frame.
const uint8_t* CAviFrameConverter::Convert(const CDibImage& image, int32_t frame) {
    if (Frame(frame) == nullptr) return nullptr;
    CDibImage& out = *frames_[static_cast<size_t>(frame)];
    if (image.Bits() == nullptr || image.BitCount() != bitCount_ || image.Width() != out.Width() ||
        image.Height() != out.Height()) {
        return nullptr;
    }
    switch (bitCount_) {
        case 8:
            ExpandGrey8(image, out);
            break;
        case 16:
            ExpandGrey16(image, out);
            break;
        case 24:
        case 32:
            RunKernel(out, CopyBgr24Flip, image, nullptr, 0, 0, nullptr);
            break;
        default:
            Reduce48(image, out);
            break;
    }
    return out.Bits();
}

// The usual grey ramp is a plain spread of each byte; any other colour table is looked up.
void CAviFrameConverter::ExpandGrey8(const CDibImage& image, CDibImage& out) {
    const RgbQuad* table = image.Header().bmiColors;
    const bool grey = IsGreyRamp(table);
    uint32_t packed[kPaletteEntries];
    if (!grey) PackTable(table, packed);
    for (int32_t y = 0; y < image.Height(); ++y) {
        const uint8_t* s = image.Bits() + static_cast<size_t>(y) * image.Stride();
        if (grey) {
            SpreadGrey(FrameRow(out, y), s, image.Width());
        } else {
            LookUpRow(FrameRow(out, y), s, image.Width(), packed);
        }
    }
}

void CAviFrameConverter::ExpandGrey16(const CDibImage& image, CDibImage& out) {
    const int shift = ReductionShift(kRecordedSignificantBits);
    for (int32_t y = 0; y < image.Height(); ++y) {
        const uint8_t* s = image.Bits() + static_cast<size_t>(y) * image.Stride();
        ReduceGreyRow(greyRow_.data(), s, image.Width(), shift);
        SpreadGrey(FrameRow(out, y), greyRow_.data(), image.Width());
    }
}

void CAviFrameConverter::Reduce48(const CDibImage& image, CDibImage& out) const {
    const int shift = ReductionShift(kRecordedSignificantBits);
    for (int32_t y = 0; y < image.Height(); ++y) {
        const uint8_t* s = image.Bits() + static_cast<size_t>(y) * image.Stride();
        ReduceColour16Row(FrameRow(out, y), s, image.Width(), image.BytesPerPixel(), shift,
                          ColourOrder::kBgr);
    }
}

}  // namespace kelvra

#include "imaging/CDibImage.h"

#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <cstring>
#include <limits>

namespace kelvra {

namespace {

constexpr int kPaletteModeGrey = 0;
constexpr int kPaletteModeEntries = 2;

// Stamps are never reused, so an image made again at the same address (or another image) never
// matches a stamp taken before.
std::atomic<uint64_t> nextStamp{1};

}  // namespace

bool IsSupportedBitCount(int32_t bitCount) {
    switch (bitCount) {
        case 8:
        case 16:
        case 24:
        case 32:
        case 48:
        case 64:
            return true;
        default:
            return false;
    }
}

void CDibImage::FreeDeleter::operator()(uint8_t* p) const {
    std::free(p);
}

CDibImage::CDibImage() {
    Release();
}

CDibImage::~CDibImage() {
    Release();
}

int64_t CDibImage::StrideFor(int64_t width, int32_t bitCount) {
    return (width * (bitCount / 8) + 3) & ~int64_t{3};
}

// Other bit counts are refused: their rows do not follow the byte-per-sample stride rule that
// every kernel relies on.
int CDibImage::Create(int32_t width, int32_t height, int32_t bitCount) {
    if (width <= 0 || height <= 0 || !IsSupportedBitCount(bitCount)) return 0;
    Release();
    const int64_t stride = StrideFor(width, bitCount);
    if (stride > std::numeric_limits<int32_t>::max()) return 0;
    const uint64_t bytes = static_cast<uint64_t>(stride) * static_cast<uint64_t>(height);
    if (bytes > std::numeric_limits<size_t>::max() / 2) return 0;
    // calloc: the pixels start zero, and large images get untouched zero pages.
    bits_.reset(static_cast<uint8_t*>(std::calloc(static_cast<size_t>(bytes), 1)));
    if (!bits_) {
        Release();
        return 0;
    }
    width_ = width;
    height_ = height;
    stride_ = static_cast<int32_t>(stride);
    bitCount_ = static_cast<uint16_t>(bitCount);
    BitmapInfoHeader& h = header_.bmiHeader;
    h.biWidth = width;
    h.biHeight = height;
    h.biPlanes = 1;
    h.biBitCount = bitCount_;
    if (bitCount == 8) WriteGreyRamp();
    return 1;
}

int CDibImage::CreateLike(const CDibImage* other) {
    if (other == nullptr || other->width_ <= 0 || other->height_ <= 0 || other->bitCount_ == 0) {
        return 0;
    }
    const BitmapInfo256 header = other->header_;  // other may be this image
    if (Create(other->width_, other->height_, other->bitCount_) == 0) return 0;
    header_ = header;
    return 1;
}

void CDibImage::MarkChanged() {
    stamp_ = nextStamp.fetch_add(1, std::memory_order_relaxed);
}

void CDibImage::Release() {
    MarkChanged();
    bits_.reset();
    width_ = 0;
    height_ = 0;
    stride_ = 0;
    bitCount_ = 0;
    std::memset(&header_, 0, sizeof(header_));
    header_.bmiHeader.biSize = kBitmapInfoHeaderSize;
}

int CDibImage::SetPalette(int mode, const RgbQuad* colours, int start, int count) {
    if (mode == kPaletteModeGrey) {
        WriteGreyRamp();
    } else if (mode == kPaletteModeEntries && bitCount_ == 8 && colours != nullptr) {
        // Without GDI the header's table is the image's only colour table.
        const int64_t first = std::max<int64_t>(start, 0);
        const int64_t end = std::min<int64_t>(int64_t{start} + count, kPaletteEntries);
        for (int64_t entry = first; entry < end; ++entry) {
            header_.bmiColors[entry] = colours[entry - start];
        }
    }
    return 1;
}

void CDibImage::WriteGreyRamp() {
    for (int i = 0; i < kPaletteEntries; ++i) {
        const auto v = static_cast<uint8_t>(i);
        header_.bmiColors[i] = RgbQuad{v, v, v, 0};
    }
}

}  // namespace kelvra

// Image buffer: a device-independent bitmap of 8 to 64 bits per pixel with its header.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>

#include "imaging/DibHeader.h"

namespace kelvra {

// The depths an image buffer (and every writer of one) takes: 8, 16, 24, 32, 48, 64 bits.
bool IsSupportedBitCount(int32_t bitCount);

// Rows are padded to 4 bytes and stored top row first although biHeight is positive; samples
// wider than 8 bits are 16-bit little-endian; colour samples run blue, green, red (then a
// fourth). Linux has no GDI, so every depth is a plain zero-filled heap buffer; painting is the
// preview window's business. Not thread-safe: the owner serialises access (the frame lock).
class CDibImage {
  public:
    CDibImage();
    ~CDibImage();
    CDibImage(const CDibImage&) = delete;
    CDibImage& operator=(const CDibImage&) = delete;

    // Makes a zero-filled image. Returns 0, leaving the image as it was, when width or height
    // is not positive or bitCount is not one of 8, 16, 24, 32, 48, 64; returns 0 with the
    // image released when the buffer cannot be had; 1 on success.
    int Create(int32_t width, int32_t height, int32_t bitCount);

    // Makes a zero-filled image with other's header (palette included) and geometry. Returns 0
    // when other is null or has no size or bit count, else as Create.
    int CreateLike(const CDibImage* other);

    // Frees the buffer and zeroes geometry and header, keeping biSize at 40.
    void Release();

    // mode 0 rewrites the grey ramp; mode 2 sets `count` entries from `start` (clipped to the
    // 256-entry table; 8-bit images only, the only ones with a colour table); other modes do
    // nothing. Returns 1.
    int SetPalette(int mode, const RgbQuad* colours, int start, int count);

    uint8_t* Bits() { return bits_.get(); }
    const uint8_t* Bits() const { return bits_.get(); }
    int32_t Width() const { return width_; }
    int32_t Height() const { return height_; }
    int32_t Stride() const { return stride_; }
    uint16_t BitCount() const { return bitCount_; }
    uint16_t BytesPerPixel() const { return static_cast<uint16_t>(bitCount_ / 8); }
    size_t ImageBytes() const {
        return static_cast<size_t>(stride_) * static_cast<size_t>(height_);
    }
    const BitmapInfo256& Header() const { return header_; }

    // A number unique over the process for the image's present pixels, so that what is derived
    // from them (the flat-field reciprocals of the references) can be kept until they change.
    // Create, CreateLike and Release renew it; whoever changes pixels that something is derived
    // from calls MarkChanged afterwards.
    uint64_t ChangeStamp() const { return stamp_; }
    void MarkChanged();

    // Bytes per row for a width and bit count: width × bytes per pixel rounded up to 4.
    static int64_t StrideFor(int64_t width, int32_t bitCount);

  private:
    struct FreeDeleter {
        void operator()(uint8_t* p) const;
    };

    void WriteGreyRamp();

    BitmapInfo256 header_{};
    std::unique_ptr<uint8_t[], FreeDeleter> bits_;
    int32_t width_ = 0;
    int32_t height_ = 0;
    int32_t stride_ = 0;
    uint16_t bitCount_ = 0;
    uint64_t stamp_ = 0;
};

}  // namespace kelvra

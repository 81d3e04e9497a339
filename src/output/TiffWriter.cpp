#include "output/TiffWriter.h"

#include <cstdarg>
#include <cstring>
#include <memory>
#include <new>

#include <tiffio.h>

#include "imaging/ConversionKernels.h"
#include "imaging/CopyKernels.h"
#include "imaging/PixelKernel.h"
#include "platform/SafeFile.h"

namespace kelvra {

namespace {

constexpr uint16_t kOpaque16 = 0xFFFF;

struct TiffLayout {
    uint16_t bitsPerSample;
    uint16_t photometric;
    uint16_t samplesPerPixel;
};

bool LayoutFor(uint16_t bitCount, TiffLayout& layout) {
    switch (bitCount) {
        case 8:
            layout = {8, PHOTOMETRIC_MINISBLACK, 1};
            return true;
        case 16:
            layout = {16, PHOTOMETRIC_MINISBLACK, 1};
            return true;
        case 24:
            layout = {8, PHOTOMETRIC_RGB, 3};
            return true;
        case 32:
            layout = {8, PHOTOMETRIC_RGB, 4};
            return true;
        case 48:
            layout = {16, PHOTOMETRIC_RGB, 3};
            return true;
        case 64:
            layout = {16, PHOTOMETRIC_RGB, 4};
            return true;
        default:
            return false;  // CDibImage holds no other bit count
    }
}

// 48/64-bit with all 16 bits significant: blue and red exchanged, the fourth sample (if the
// layout has one) opaque.
void SwapColour16(uint8_t* dst, const uint8_t* src, const Rect& region, int dstBpp, int srcBpp,
                  int32_t dstStride, int32_t srcStride) {
    for (int32_t y = region.top; y < region.bottom; ++y) {
        const uint8_t* s = src + static_cast<size_t>(y) * srcStride;
        uint8_t* d = dst + static_cast<size_t>(y) * dstStride;
        for (int32_t x = region.left; x < region.right; ++x, s += srcBpp, d += dstBpp) {
            std::memcpy(d, s + 4, 2);
            std::memcpy(d + 2, s + 2, 2);
            std::memcpy(d + 4, s, 2);
            if (dstBpp == 8) std::memcpy(d + 6, &kOpaque16, 2);
        }
    }
}

void CopyPackedRows(uint8_t* strip, int32_t packedRow, const CDibImage& image) {
    for (int32_t y = 0; y < image.Height(); ++y) {
        std::memcpy(strip + static_cast<size_t>(y) * packedRow,
                    image.Bits() + static_cast<size_t>(y) * image.Stride(),
                    static_cast<size_t>(packedRow));
    }
}

// The widening or reordering kernel by bit count and significant bits; null where none
// applies.
PixelKernel KernelFor(uint16_t bitCount, int32_t significantBits) {
    const bool ten = significantBits == 10;
    const bool twelve = significantBits == 12;
    switch (bitCount) {
        case 16:
            return ten ? Mono10To16 : twelve ? Mono12To16 : nullptr;
        case 24:
        case 32:
            return SwapBgr24;  // the fourth byte of a 32-bit pixel stays 0
        case 48:
            return ten ? Rgb16Shift6Swap : twelve ? Rgb16Shift4Swap : nullptr;
        case 64:
            return ten ? Rgba16Shift6Swap : twelve ? Rgba16Shift4Swap : nullptr;
        default:
            return nullptr;
    }
}

// Grey samples that go out unchanged from rows without padding need no strip of their own.
bool StoredAsIs(const CDibImage& image, int32_t significantBits, int64_t packedRow) {
    const bool unchanged =
        image.BitCount() == 8 || (image.BitCount() == 16 && significantBits == 16);
    return unchanged && packedRow == image.Stride();
}

// Fills the zero-filled strip (rows packed, top first, red-green-blue) from the image. A
// combination of bit count and significant bits without a conversion leaves the strip black.
void FillStrip(uint8_t* strip, int32_t packedRow, int dstBpp, const CDibImage& image,
               int32_t significantBits) {
    const uint16_t bitCount = image.BitCount();
    const Rect all{0, 0, image.Width(), image.Height()};
    const int srcBpp = image.BytesPerPixel();
    if (bitCount == 8 || (bitCount == 16 && significantBits == 16)) {
        CopyPackedRows(strip, packedRow, image);
    } else if (bitCount > 32 && significantBits == 16) {
        SwapColour16(strip, image.Bits(), all, dstBpp, srcBpp, packedRow, image.Stride());
    } else if (const PixelKernel kernel = KernelFor(bitCount, significantBits)) {
        kernel(strip, image.Bits(), all, 0, 0, static_cast<uint16_t>(dstBpp),
               static_cast<uint16_t>(srcBpp), packedRow, image.Stride(), nullptr);
    }
}

bool SetTags(TIFF* tif, const CDibImage& image, const TiffLayout& layout) {
    bool ok = TIFFSetField(tif, TIFFTAG_IMAGEWIDTH, static_cast<uint32_t>(image.Width())) == 1;
    ok = TIFFSetField(tif, TIFFTAG_IMAGELENGTH, static_cast<uint32_t>(image.Height())) == 1 && ok;
    ok = TIFFSetField(tif, TIFFTAG_COMPRESSION, COMPRESSION_NONE) == 1 && ok;
    ok = TIFFSetField(tif, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG) == 1 && ok;
    ok = TIFFSetField(tif, TIFFTAG_BITSPERSAMPLE, layout.bitsPerSample) == 1 && ok;
    ok = TIFFSetField(tif, TIFFTAG_PHOTOMETRIC, layout.photometric) == 1 && ok;
    ok = TIFFSetField(tif, TIFFTAG_SAMPLESPERPIXEL, layout.samplesPerPixel) == 1 && ok;
    if (layout.samplesPerPixel == 4) {
        // Names the fourth sample, which RGB does not account for, so that readers need not
        // guess (and warn).
        const uint16_t extra = EXTRASAMPLE_UNSPECIFIED;
        ok = TIFFSetField(tif, TIFFTAG_EXTRASAMPLES, 1, &extra) == 1 && ok;
    }
    return ok;
}

// The library is silent by default: the result tells the caller, and the process-wide libtiff
// handlers belong to the application, so this handle gets its own that print nothing.
int IgnoreTiffMessage(TIFF*, void*, const char*, const char*, va_list) {
    return 1;  // handled: the global handlers are not called
}

TIFF* OpenTiff(int fd, const char* path) {
    TIFFOpenOptions* options = TIFFOpenOptionsAlloc();
    if (options == nullptr) return nullptr;
    TIFFOpenOptionsSetErrorHandlerExtR(options, IgnoreTiffMessage, nullptr);
    TIFFOpenOptionsSetWarningHandlerExtR(options, IgnoreTiffMessage, nullptr);
    TIFF* tif = TIFFFdOpenExt(fd, path, "w", options);
    TIFFOpenOptionsFree(options);
    return tif;
}

bool EncodeTiff(int fd, const char* path, const CDibImage& image, const TiffLayout& layout,
                uint8_t* strip, tmsize_t stripBytes) {
    TIFF* tif = OpenTiff(fd, path);
    if (tif == nullptr) return false;
    bool ok = SetTags(tif, image, layout);
    ok = ok && TIFFWriteEncodedStrip(tif, 0, strip, stripBytes) == stripBytes;
    ok = TIFFFlush(tif) == 1 && ok;  // the directory goes out here
    TIFFCleanup(tif);                // frees without closing the descriptor
    return ok;
}

}  // namespace

// Writes the picture of `image` (row 0 at the top) as an uncompressed TIFF in one strip, rows
// packed, samples red-green-blue: 8 and 16 bits grey (min-is-black), 24 and 48 bits RGB, 32
// and 64 bits RGB with a fourth sample (0 for 32 bits, 0xFFFF for 64). 16-bit samples are
// widened by `significantBits` (10: << 6, 12: << 4, 16: unchanged; any other value writes a
// black picture). Returns 1 when the strip and the directory were written and the file replaced
// any old one, 0 when the image is empty, `path` is not a regular or new file, the file cannot
// be created, or libtiff or a write fails (its message is not printed); a failure leaves an old
// file as it was.
int WriteTiffFile(const char* path, const CDibImage& image, int32_t significantBits) {
    TiffLayout layout{};
    if (path == nullptr || image.Bits() == nullptr || !LayoutFor(image.BitCount(), layout)) {
        return 0;
    }
    const int dstBpp = layout.samplesPerPixel * (layout.bitsPerSample / 8);
    const int64_t packedRow = int64_t{image.Width()} * dstBpp;
    const int64_t stripBytes = packedRow * image.Height();
    std::unique_ptr<uint8_t[]> strip;
    uint8_t* data = nullptr;
    if (StoredAsIs(image, significantBits, packedRow)) {
        // libtiff leaves the buffer alone for uncompressed samples in the host's byte order.
        data = const_cast<uint8_t*>(image.Bits());
    } else {
        strip.reset(new (std::nothrow) uint8_t[static_cast<size_t>(stripBytes)]());
        if (strip == nullptr) return 0;
        FillStrip(strip.get(), static_cast<int32_t>(packedRow), dstBpp, image, significantBits);
        data = strip.get();
    }
    platform::ReplacingFile file;
    if (!file.Open(path)) return 0;
    bool ok =
        EncodeTiff(file.Descriptor(), path, image, layout, data, static_cast<tmsize_t>(stripBytes));
    ok = ok && file.Commit();
    return ok ? 1 : 0;
}

}  // namespace kelvra

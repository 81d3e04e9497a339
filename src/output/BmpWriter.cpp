#include "output/BmpWriter.h"

#include <array>
#include <cstring>
#include <limits>
#include <new>
#include <vector>

#include "output/ByteOrder.h"
#include "output/CFileBuffer.h"

namespace kelvra {

namespace {

constexpr uint16_t kBmpType = 0x4D42;  // "BM"
constexpr uint32_t kFileHeaderSize = 14;
constexpr uint32_t kPaletteBytes = 4 * kPaletteEntries;
constexpr uint32_t kHeadersSize = kFileHeaderSize + kBitmapInfoHeaderSize;  // 54
constexpr uint32_t kPalettedHeadersSize = kHeadersSize + kPaletteBytes;     // 1078
constexpr int kMaxPalettedBitCount = 8;

bool HasPixels(const CDibImage& image) {
    return image.Bits() != nullptr && image.Width() > 0 && image.Height() > 0;
}

// File header, info header (the image's geometry, every other field 0) and, up to 8 bits per
// pixel, the image's colour table. Returns the header length, or 0 when the file size would not
// fit the 32-bit size field.
uint32_t BuildBmpHeaders(const CDibImage& image, std::array<uint8_t, kPalettedHeadersSize>& out) {
    const bool paletted = image.BitCount() <= kMaxPalettedBitCount;
    const uint32_t dataOffset = paletted ? kPalettedHeadersSize : kHeadersSize;
    const uint64_t fileSize = uint64_t{dataOffset} + image.ImageBytes();
    if (fileSize > std::numeric_limits<uint32_t>::max()) return 0;
    out.fill(0);
    uint8_t* p = out.data();
    le::Put16(p + 0, kBmpType);
    le::Put32(p + 2, static_cast<uint32_t>(fileSize));
    le::Put32(p + 10, dataOffset);
    uint8_t* info = p + kFileHeaderSize;
    le::Put32(info + 0, kBitmapInfoHeaderSize);
    le::Put32(info + 4, static_cast<uint32_t>(image.Width()));
    le::Put32(info + 8, static_cast<uint32_t>(image.Height()));
    le::Put16(info + 12, 1);  // planes
    le::Put16(info + 14, image.BitCount());
    if (paletted) {
        uint8_t* table = p + kHeadersSize;
        for (int i = 0; i < kPaletteEntries; ++i) {
            const RgbQuad& c = image.Header().bmiColors[i];
            table[4 * i + 0] = c.rgbBlue;
            table[4 * i + 1] = c.rgbGreen;
            table[4 * i + 2] = c.rgbRed;
            table[4 * i + 3] = c.rgbReserved;
        }
    }
    return dataOffset;
}

// Writes the headers and the rows, last row of the buffer first when `flip` is set. The rows
// go out straight from the image in gathered writes, so flipping costs no copy.
int WriteBmp(const CDibImage& image, const char* path, bool flip) {
    if (!HasPixels(image)) return 0;
    std::array<uint8_t, kPalettedHeadersSize> headers;
    const uint32_t headerSize = BuildBmpHeaders(image, headers);
    if (headerSize == 0) return 0;
    std::vector<ByteRange> parts;
    try {
        parts.reserve(static_cast<size_t>(image.Height()) + 1);
    } catch (const std::bad_alloc&) {
        return 0;
    }
    parts.push_back({headers.data(), headerSize});
    const size_t stride = static_cast<size_t>(image.Stride());
    for (int32_t i = 0; i < image.Height(); ++i) {
        const int32_t row = flip ? image.Height() - 1 - i : i;
        parts.push_back({image.Bits() + static_cast<size_t>(row) * stride, stride});
    }
    CFileBuffer file;
    if (!file.OpenForWrite(path)) return 0;
    file.Write(parts);
    return file.CloseAll() ? 1 : 0;
}

}  // namespace

// Writes `image` to `path` as a BMP whose pixel rows are the buffer's rows in memory order, for
// a buffer that already holds a bottom-up bitmap. The bit count is the image's own; images of
// 8 bits or fewer carry their 256-entry colour table. Returns 1 when the whole file was written
// and replaced any old one; 0 when the image is empty, `path` is not a regular or new file, the
// file cannot be created, or any write fails. A failure leaves an old file as it was.
int SaveBmp(const CDibImage& image, const char* path) {
    return WriteBmp(image, path, false);
}

// Writes the picture of `image` (row 0 at the top) as a true bottom-up BMP: the same file as
// SaveBmp of a flipped copy, without making the copy. Results as SaveBmp.
int WriteBmpFile(const char* path, const CDibImage& image) {
    return WriteBmp(image, path, true);
}

// Writes the image buffer unchanged, height × stride bytes, no header. Results as SaveBmp.
int WriteRawFile(const char* path, const CDibImage& image) {
    if (!HasPixels(image)) return 0;
    CFileBuffer file;
    if (!file.OpenForWrite(path)) return 0;
    file.Write(image.Bits(), image.ImageBytes());
    return file.CloseAll() ? 1 : 0;
}

}  // namespace kelvra

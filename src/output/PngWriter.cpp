#include "output/PngWriter.h"

#include <csetjmp>
#include <cstdio>
#include <memory>
#include <new>

#include <png.h>

#include "imaging/CopyKernels.h"
#include "output/ReplacingStream.h"

namespace kelvra {

namespace {

constexpr int kNoWidening = -1;
constexpr int kSamples64 = 4;

struct PngFormat {
    int bitDepth;
    int colourType;
};

bool FormatFor(uint16_t bitCount, PngFormat& format) {
    switch (bitCount) {
        case 8:
            format = {8, PNG_COLOR_TYPE_GRAY};
            return true;
        case 16:
            format = {16, PNG_COLOR_TYPE_GRAY};
            return true;
        case 24:
            format = {8, PNG_COLOR_TYPE_RGB};
            return true;
        case 32:
            format = {8, PNG_COLOR_TYPE_RGB_ALPHA};
            return true;
        case 48:
            format = {16, PNG_COLOR_TYPE_RGB};
            return true;
        case 64:
            format = {16, PNG_COLOR_TYPE_RGB_ALPHA};
            return true;
        default:
            return false;
    }
}

// Left shift that widens 16-bit samples of `significantBits` to the full 16 bits. Any other
// value gives a black picture (the samples are not copied).
int WideningShift(int32_t significantBits) {
    switch (significantBits) {
        case 10:
            return 6;
        case 12:
            return 4;
        case 16:
            return 0;
        default:
            return kNoWidening;
    }
}

// Where the encoder's rows come from: picture rows top first, in PNG's sample layout (PNG
// stores 16-bit samples big-endian; blue-green-red order is left to png_set_bgr).
struct PngRows {
    const CDibImage* image;
    int shift;        // 16-bit samples: WideningShift
    uint8_t* buffer;  // one converted row
};

void WidenToBigEndian(uint8_t* dst, const uint8_t* src, size_t samples, int shift) {
    for (size_t i = 0; i < samples; ++i) {
        const auto v = static_cast<uint16_t>((src[2 * i] | (src[2 * i + 1] << 8)) << shift);
        dst[2 * i] = static_cast<uint8_t>(v >> 8);
        dst[2 * i + 1] = static_cast<uint8_t>(v);
    }
}

const uint8_t* PrepareRow(const PngRows& rows, int32_t y) {
    const CDibImage& image = *rows.image;
    const uint8_t* src = image.Bits() + static_cast<size_t>(y) * image.Stride();
    const int32_t width = image.Width();
    switch (image.BitCount()) {
        case 8:
        case 24:
            return src;
        case 32: {
            // The fourth byte is inverted, so the zero every processed image holds there
            // becomes opaque.
            const Rect row{0, 0, width, 1};
            CopyBgra32InvertAlpha(rows.buffer, src, row, 0, 0, 4, 4, image.Stride(), image.Stride(),
                                  nullptr);
            return rows.buffer;
        }
        default:
            break;
    }
    if (rows.shift == kNoWidening) return rows.buffer;  // zero-filled: black
    const size_t samples = static_cast<size_t>(width) * (image.BytesPerPixel() / 2);
    WidenToBigEndian(rows.buffer, src, samples, rows.shift);
    if (image.BitCount() == 64) {
        // Opaque, as the 10- and 12-bit forms make it: processing never writes the fourth
        // sample, and a copied zero would make the whole picture transparent.
        for (int32_t x = 0; x < width; ++x) {
            uint8_t* alpha = rows.buffer + (static_cast<size_t>(x) * kSamples64 + 3) * 2;
            alpha[0] = alpha[1] = 0xFF;
        }
    }
    return rows.buffer;
}

// The library prints nothing into the application's streams: the writer's result reports the
// failure, so libpng's messages are dropped.
[[noreturn]] void UnwindOnPngError(png_structp png, png_const_charp) {
    png_longjmp(png, 1);
}

void IgnorePngWarning(png_structp, png_const_charp) {}

void WriteRows(png_structp png, const PngRows& rows) {
    for (int32_t y = 0; y < rows.image->Height(); ++y) {
        png_write_row(png, PrepareRow(rows, y));
    }
}

// Encodes the rows into `file`. Returns false when libpng reports an error, a failed write to
// the file among them.
bool EncodePng(FILE* file, const PngRows& rows, const PngFormat& format) {
    png_structp png =
        png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, UnwindOnPngError, IgnorePngWarning);
    if (png == nullptr) return false;
    png_infop info = png_create_info_struct(png);
    if (info == nullptr) {
        png_destroy_write_struct(&png, nullptr);
        return false;
    }
    if (setjmp(png_jmpbuf(png)) != 0) {
        png_destroy_write_struct(&png, &info);
        return false;
    }
    png_init_io(png, file);
    png_set_IHDR(png, info, static_cast<png_uint_32>(rows.image->Width()),
                 static_cast<png_uint_32>(rows.image->Height()), format.bitDepth, format.colourType,
                 PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_write_info(png, info);
    png_set_bgr(png);
    WriteRows(png, rows);
    png_write_end(png, info);
    png_destroy_write_struct(&png, &info);
    return true;
}

}  // namespace

// Writes the picture of `image` (row 0 at the top) as a non-interlaced PNG in the image's own
// depth: 8 and 16 bits grey, 24 and 48 bits RGB, 32 and 64 bits RGB with alpha. 16-bit samples
// are widened by `significantBits` (10: << 6, 12: << 4, 16: unchanged; any other value writes a
// black picture). The fourth byte of a 32-bit image is stored inverted as alpha; 64-bit images
// are stored opaque. Returns 1 when the file was written and replaced any old one, 0 when the
// image is empty or of another bit count, `path` is not a regular or new file, the file cannot
// be created, libpng fails (silently), or a write fails; a failure leaves an old file as it was.
int WritePngFile(const char* path, const CDibImage& image, int32_t significantBits) {
    PngFormat format{};
    if (path == nullptr || image.Bits() == nullptr || !FormatFor(image.BitCount(), format)) {
        return 0;
    }
    const size_t rowBytes = static_cast<size_t>(image.Stride());
    std::unique_ptr<uint8_t[]> buffer(new (std::nothrow) uint8_t[rowBytes]());
    if (buffer == nullptr) return 0;
    ReplacingStream file;
    if (!file.Open(path)) return 0;
    const PngRows rows{&image, WideningShift(significantBits), buffer.get()};
    bool ok = EncodePng(file.Stream(), rows, format);
    ok = ok && file.Commit();
    return ok ? 1 : 0;
}

}  // namespace kelvra

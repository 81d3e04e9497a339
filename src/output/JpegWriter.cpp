#include "output/JpegWriter.h"

#include <csetjmp>
#include <cstdio>
#include <cstring>
#include <memory>
#include <new>

#include <jpeglib.h>

#include "output/ReplacingStream.h"
#include "output/SampleReduction.h"

namespace kelvra {

namespace {

constexpr int kGreyComponents = 1;
constexpr int kColourComponents = 3;

// The standard error manager, but a library error unwinds to the writer instead of ending the
// process, and no message is printed into the application's streams (the result tells).
struct JpegErrorTrap {
    jpeg_error_mgr manager;
    std::jmp_buf unwind;
};

[[noreturn]] void UnwindOnJpegError(j_common_ptr cinfo) {
    std::longjmp(reinterpret_cast<JpegErrorTrap*>(cinfo->err)->unwind, 1);
}

void IgnoreJpegMessage(j_common_ptr) {}

// Where the encoder's rows come from: picture rows top first, in the encoder's layout.
struct JpegRows {
    const CDibImage* image;
    int components;
    int shift;        // 16-bit sources: ReductionShift, or kNoReduction for a black picture
    uint8_t* buffer;  // width × components bytes
};

// Row y of the picture as the encoder takes it: an 8-bit row as it is, everything else
// converted into the row buffer (blue-green-red becomes red-green-blue).
const uint8_t* PrepareRow(const JpegRows& rows, int32_t y) {
    const CDibImage& image = *rows.image;
    const uint8_t* src = image.Bits() + static_cast<size_t>(y) * image.Stride();
    const int32_t width = image.Width();
    const int bpp = image.BytesPerPixel();
    switch (image.BitCount()) {
        case 8:
            return src;
        case 16:
            if (rows.shift != kNoReduction) ReduceMono16Row(rows.buffer, src, width, rows.shift);
            return rows.buffer;  // zero-filled, so black without a reduction
        case 24:
        case 32:
            for (int32_t x = 0; x < width; ++x) {
                const uint8_t* s = src + static_cast<size_t>(x) * bpp;
                uint8_t* d = rows.buffer + 3 * static_cast<size_t>(x);
                d[0] = s[2];
                d[1] = s[1];
                d[2] = s[0];
            }
            return rows.buffer;
        default:
            ReduceColour16Row(rows.buffer, src, width, bpp, rows.shift, ColourOrder::kRgb);
            return rows.buffer;
    }
}

void WriteRows(jpeg_compress_struct* cinfo, const JpegRows& rows) {
    for (int32_t y = 0; y < rows.image->Height(); ++y) {
        JSAMPROW row = const_cast<JSAMPROW>(PrepareRow(rows, y));
        jpeg_write_scanlines(cinfo, &row, 1);
    }
}

// Encodes the rows as a progressive JPEG into `file`. Returns false when libjpeg reports an
// error, a failed write to the file among them.
bool EncodeJpeg(FILE* file, const JpegRows& rows, int quality) {
    jpeg_compress_struct cinfo;
    std::memset(&cinfo, 0, sizeof(cinfo));  // lets the error path destroy a half-made object
    JpegErrorTrap trap;
    cinfo.err = jpeg_std_error(&trap.manager);
    trap.manager.error_exit = UnwindOnJpegError;
    trap.manager.output_message = IgnoreJpegMessage;
    if (setjmp(trap.unwind) != 0) {
        jpeg_destroy_compress(&cinfo);
        return false;
    }
    jpeg_create_compress(&cinfo);
    jpeg_stdio_dest(&cinfo, file);
    cinfo.image_width = static_cast<JDIMENSION>(rows.image->Width());
    cinfo.image_height = static_cast<JDIMENSION>(rows.image->Height());
    cinfo.input_components = rows.components;
    cinfo.in_color_space = rows.components == kGreyComponents ? JCS_GRAYSCALE : JCS_RGB;
    jpeg_set_defaults(&cinfo);
    jpeg_set_quality(&cinfo, quality, TRUE);
    jpeg_simple_progression(&cinfo);
    jpeg_start_compress(&cinfo, TRUE);
    WriteRows(&cinfo, rows);
    jpeg_finish_compress(&cinfo);
    jpeg_destroy_compress(&cinfo);
    return true;
}

int ComponentsFor(uint16_t bitCount) {
    switch (bitCount) {
        case 8:
        case 16:
            return kGreyComponents;
        case 24:
        case 32:
        case 48:
        case 64:
            return kColourComponents;
        default:
            return 0;
    }
}

}  // namespace

// Writes the picture of `image` (row 0 at the top) as a progressive JPEG of `quality` (0-100,
// baseline tables forced). 8- and 16-bit images become grey, the others colour; 16-bit samples
// are reduced to 8 bits by `significantBits` (ReductionShift: 10 bits on their own scale, 12
// and 16 on the 12-bit scale; any other value leaves a 16-bit grey picture black and reads
// 48- and 64-bit colour on the 12-bit scale). Returns 1 when the file was written and replaced
// any old one, 0 when the image is empty or of another bit count, `path` is not a regular or new
// file, the file cannot be created, libjpeg fails (silently), or a write fails; a failure leaves
// an old file as it was.
int WriteJpegFile(const char* path, const CDibImage& image, int quality, int32_t significantBits) {
    const int components = ComponentsFor(image.BitCount());
    if (path == nullptr || image.Bits() == nullptr || components == 0) return 0;
    int shift = ReductionShift(significantBits);
    if (image.BitCount() > 32 && shift == kNoReduction) shift = ReductionShift(16);
    const size_t rowBytes = static_cast<size_t>(image.Width()) * components;
    std::unique_ptr<uint8_t[]> buffer(new (std::nothrow) uint8_t[rowBytes]());
    if (buffer == nullptr) return 0;
    ReplacingStream file;
    if (!file.Open(path)) return 0;
    const JpegRows rows{&image, components, shift, buffer.get()};
    bool ok = EncodeJpeg(file.Stream(), rows, quality);
    ok = ok && file.Commit();
    return ok ? 1 : 0;
}

}  // namespace kelvra

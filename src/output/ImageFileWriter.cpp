#include "output/ImageFileWriter.h"

#include "output/BmpWriter.h"
#include "output/JpegWriter.h"
#include "output/PngWriter.h"
#include "output/TiffWriter.h"

namespace kelvra {

namespace {

constexpr int kQualityHigh = 100;
constexpr int kQualityMedium = 70;
constexpr int kQualityLow = 20;

}  // namespace

// Writes the picture of `image` (row 0 at the top) to `path` in `format` (ImageFileFormat).
// `significantBits` (10, 12 or 16) says how many low bits of a 16-bit sample carry the value.
// Returns 1 when the whole file was written and put in the place of any old one; 0 for an
// unknown format (no file is created), an empty image, a path that names something other than
// a regular file (a FIFO or device is refused, never opened), a file that cannot be created, an
// encoder error, or any failed write. Every encoder writes a temporary file beside the target
// and renames it over the target only when complete, so a failure (a full disk) leaves the old
// file as it was and no temporary file behind. Runs on the caller's thread; the caller keeps
// the image from changing (the frame lock).
int WriteImageFile(const char* path, const CDibImage& image, int32_t format,
                   int32_t significantBits) {
    switch (format) {
        case kImageFileBmp:
            return WriteBmpFile(path, image);
        case kImageFileRaw:
            return WriteRawFile(path, image);
        case kImageFileJpeg100:
            return WriteJpegFile(path, image, kQualityHigh, significantBits);
        case kImageFileJpeg70:
            return WriteJpegFile(path, image, kQualityMedium, significantBits);
        case kImageFileJpeg20:
            return WriteJpegFile(path, image, kQualityLow, significantBits);
        case kImageFilePng:
            return WritePngFile(path, image, significantBits);
        case kImageFileTiff:
            return WriteTiffFile(path, image, significantBits);
        default:
            return 0;
    }
}

}  // namespace kelvra

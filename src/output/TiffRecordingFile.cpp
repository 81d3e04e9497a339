#include "output/TiffRecordingFile.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdarg>
#include <cstring>
#include <new>

#include <tiffio.h>

namespace kelvra {

namespace {

// A classic TIFF addresses its file with 32-bit offsets.
constexpr uint64_t kClassicTiffLimit = uint64_t{1} << 32;
// Room for one page's directory, description and alignment beyond its pixels (about 400 bytes
// are used).
constexpr int64_t kPageOverhead = 4096;
constexpr uint16_t kTwelveBitMax = 4095;
constexpr size_t kDescriptionBytes = 192;
constexpr char kSoftware[] = "Kelvra SDK";

// Header layout of the two TIFF flavours: where the first directory's offset sits, and the
// sizes of a directory's entry count, entries and next-directory offset.
struct TiffFlavour {
    int64_t firstPointer;
    int countBytes;
    int entryBytes;
    int pointerBytes;
};
constexpr TiffFlavour kClassic{4, 2, 12, 4};
constexpr TiffFlavour kBig{8, 8, 20, 8};

int IgnoreTiffMessage(TIFF*, void*, const char*, const char*, va_list) {
    return 1;  // the library prints nothing; results say what failed
}

TiffRecordingFile::Io& IoOf(thandle_t handle) {
    return *static_cast<TiffRecordingFile::Io*>(handle);
}

tmsize_t ReadProc(thandle_t handle, void* data, tmsize_t size) {
    const ssize_t done = ::read(IoOf(handle).fd, data, static_cast<size_t>(size));
    return done < 0 ? -1 : static_cast<tmsize_t>(done);
}

// After the first failure nothing more is written: libtiff would otherwise link a directory
// of a page whose pixels never reached the disk when it is closed.
tmsize_t WriteProc(thandle_t handle, void* data, tmsize_t size) {
    TiffRecordingFile::Io& io = IoOf(handle);
    if (io.error != 0) return -1;
    io.error = WriteFully(io.fd, data, static_cast<size_t>(size));
    return io.error == 0 ? size : -1;
}

toff_t SeekProc(thandle_t handle, toff_t offset, int whence) {
    const off_t at = ::lseek(IoOf(handle).fd, static_cast<off_t>(offset), whence);
    return at < 0 ? static_cast<toff_t>(-1) : static_cast<toff_t>(at);
}

int CloseProc(thandle_t) {
    return 0;  // the descriptor is the recording file's to close
}

toff_t SizeProc(thandle_t handle) {
    struct stat info {};
    return ::fstat(IoOf(handle).fd, &info) == 0 ? static_cast<toff_t>(info.st_size) : 0;
}

int MapProc(thandle_t, void**, toff_t*) {
    return 0;
}

void UnmapProc(thandle_t, void*, toff_t) {}

// Blue-green-red(-x) pixels of `Sample` to red-green-blue, one row.
template <typename Sample, int SourceSamples>
void RowToRgb(uint8_t* dst, const uint8_t* src, int32_t width) {
    for (int32_t x = 0; x < width; ++x) {
        Sample pixel[SourceSamples];
        std::memcpy(pixel, src + size_t(x) * sizeof pixel, sizeof pixel);
        const Sample rgb[3] = {pixel[2], pixel[1], pixel[0]};
        std::memcpy(dst + size_t(x) * sizeof rgb, rgb, sizeof rgb);
    }
}

using RowConversion = void (*)(uint8_t*, const uint8_t*, int32_t);

RowConversion ConversionFor(int32_t bitsPerPixel) {
    switch (bitsPerPixel) {
        case 24:
            return RowToRgb<uint8_t, 3>;
        case 32:
            return RowToRgb<uint8_t, 4>;  // the fourth byte carries nothing
        case 48:
            return RowToRgb<uint16_t, 3>;
        case 64:
            return RowToRgb<uint16_t, 4>;
        default:
            return nullptr;  // grey goes out as it is
    }
}

uint64_t ReadOffset(int fd, int64_t at, int bytes) {
    uint64_t value = 0;  // little-endian file on a little-endian host
    return ::pread(fd, &value, static_cast<size_t>(bytes), at) == bytes ? value : 0;
}

}  // namespace

struct TiffRecordingFile::TiffHandle {
    TIFF* tif = nullptr;
};

TiffRecordingFile::TiffRecordingFile() : tiff_(std::make_unique<TiffHandle>()) {}

TiffRecordingFile::~TiffRecordingFile() {
    if (tiff_->tif != nullptr || io_.fd >= 0) Close();
}

// Classic TIFF or BigTIFF is decided here, from the frames the caller expects: a file that
// would pass 4 GiB, or one of unknown length, is a BigTIFF from the start (tifffile, Fiji's
// Bio-Formats and libtiff's tools read both); a short one stays classic for older readers.
int TiffRecordingFile::Open(const char* path, const RecordingFrame& first, double) {
    if (tiff_->tif != nullptr || io_.fd >= 0) return EBUSY;
    packedRow_ = PackedRowBytes(first.width, first.bitsPerPixel);
    if (packedRow_ == 0 || first.height <= 0) return EINVAL;
    const bool grey = first.bitsPerPixel <= 16;
    layout_.samplesPerPixel = grey ? 1 : 3;
    layout_.bitsPerSample = (first.bitsPerPixel == 16 || first.bitsPerPixel >= 48) ? 16 : 8;
    layout_.photometric = grey ? PHOTOMETRIC_MINISBLACK : PHOTOMETRIC_RGB;
    const int64_t storedRow =
        int64_t{first.width} * layout_.samplesPerPixel * (layout_.bitsPerSample / 8);
    pageBytes_ = storedRow * first.height;
    const uint64_t planned = expectedFrames_ * uint64_t(pageBytes_ + kPageOverhead);
    bigTiff_ = expectedFrames_ == 0 ||
               planned / uint64_t(pageBytes_ + kPageOverhead) != expectedFrames_ ||
               planned >= kClassicTiffLimit;
    // Rows are rewritten only for colour or padded grey; allocated once for the whole file.
    if (!grey || first.rowStride != packedRow_) {
        strip_.reset(new (std::nothrow) uint8_t[static_cast<size_t>(pageBytes_)]);
        if (strip_ == nullptr) return ENOMEM;
    }
    const int error = CreateRecordingTarget(path, io_.fd);
    if (error != 0) return error;
    path_ = path;
    geometry_ = first;
    TIFFOpenOptions* options = TIFFOpenOptionsAlloc();
    if (options == nullptr) return Fail(ENOMEM);
    TIFFOpenOptionsSetErrorHandlerExtR(options, IgnoreTiffMessage, nullptr);
    TIFFOpenOptionsSetWarningHandlerExtR(options, IgnoreTiffMessage, nullptr);
    tiff_->tif = TIFFClientOpenExt(path, bigTiff_ ? "w8lm" : "wlm", &io_, ReadProc, WriteProc,
                                   SeekProc, CloseProc, SizeProc, MapProc, UnmapProc, options);
    TIFFOpenOptionsFree(options);
    if (tiff_->tif == nullptr) return Fail(EIO);
    completeEnd_ = static_cast<int64_t>(SizeProc(&io_));
    return 0;
}

bool TiffRecordingFile::SetPageTags(const RecordingFrame& frame) {
    TIFF* tif = tiff_->tif;
    char description[kDescriptionBytes] = "{";
    const int fields = FormatRecordingFrameFields(description + 1, sizeof description - 2, frame);
    if (fields < 0) return false;
    std::strcat(description, "}");
    bool ok = TIFFSetField(tif, TIFFTAG_SUBFILETYPE, FILETYPE_PAGE) == 1;
    ok = TIFFSetField(tif, TIFFTAG_IMAGEWIDTH, uint32_t(frame.width)) == 1 && ok;
    ok = TIFFSetField(tif, TIFFTAG_IMAGELENGTH, uint32_t(frame.height)) == 1 && ok;
    ok = TIFFSetField(tif, TIFFTAG_BITSPERSAMPLE, layout_.bitsPerSample) == 1 && ok;
    ok = TIFFSetField(tif, TIFFTAG_SAMPLESPERPIXEL, layout_.samplesPerPixel) == 1 && ok;
    ok = TIFFSetField(tif, TIFFTAG_PHOTOMETRIC, layout_.photometric) == 1 && ok;
    ok = TIFFSetField(tif, TIFFTAG_COMPRESSION, COMPRESSION_NONE) == 1 && ok;
    ok = TIFFSetField(tif, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG) == 1 && ok;
    ok = TIFFSetField(tif, TIFFTAG_ROWSPERSTRIP, uint32_t(frame.height)) == 1 && ok;
    ok = TIFFSetField(tif, TIFFTAG_IMAGEDESCRIPTION, description) == 1 && ok;
    ok = TIFFSetField(tif, TIFFTAG_SOFTWARE, kSoftware) == 1 && ok;
    // The camera's 16-bit samples carry 12 bits: readers that honour it scale 4095 as white.
    if (layout_.bitsPerSample == 16) {
        ok = TIFFSetField(tif, TIFFTAG_MAXSAMPLEVALUE, kTwelveBitMax) == 1 && ok;
    }
    return ok;
}

// The page's pixels as the file stores them: the frame's own rows when they already are,
// else the strip buffer filled row by row.
const uint8_t* TiffRecordingFile::PackedPixels(const RecordingFrame& frame) {
    const RowConversion convert = ConversionFor(frame.bitsPerPixel);
    if (convert == nullptr && frame.rowStride == packedRow_) return frame.pixels;
    const int64_t storedRow = pageBytes_ / frame.height;
    for (int32_t y = 0; y < frame.height; ++y) {
        uint8_t* dst = strip_.get() + y * storedRow;
        const uint8_t* src = frame.pixels + int64_t{y} * frame.rowStride;
        if (convert != nullptr) {
            convert(dst, src, frame.width);
        } else {
            std::memcpy(dst, src, static_cast<size_t>(storedRow));
        }
    }
    return strip_.get();
}

int TiffRecordingFile::Write(const RecordingFrame& frame) {
    if (tiff_->tif == nullptr) return failure_ != 0 ? failure_ : EBADF;
    if (failure_ != 0) return failure_;
    if (frame.pixels == nullptr || frame.width != geometry_.width ||
        frame.height != geometry_.height || frame.bitsPerPixel != geometry_.bitsPerPixel ||
        frame.rowStride < packedRow_) {
        return EINVAL;  // not written; the file goes on
    }
    if (!bigTiff_ && uint64_t(completeEnd_ + pageBytes_ + kPageOverhead) >= kClassicTiffLimit) {
        return Fail(EFBIG);
    }
    TIFF* tif = tiff_->tif;
    if (!SetPageTags(frame)) return Fail(EIO);
    const uint8_t* pixels = PackedPixels(frame);
    // Uncompressed samples in the file's byte order go out unchanged: straight from the rows.
    if (TIFFWriteRawStrip(tif, 0, const_cast<uint8_t*>(pixels), tmsize_t(pageBytes_)) !=
            tmsize_t(pageBytes_) ||
        TIFFWriteDirectory(tif) != 1) {
        return Fail(EIO);
    }
    completeEnd_ = static_cast<int64_t>(SizeProc(&io_));
    ++framesWritten_;
    bytesWritten_ += static_cast<uint64_t>(pageBytes_);
    return 0;
}

int TiffRecordingFile::Fail(int fallback) {
    failure_ = io_.error != 0 ? io_.error : fallback;
    io_.error = failure_;  // nothing more reaches the file
    return failure_;
}

// After a failure: the file ends with the last complete page, whose directory is the last in
// the chain; a file without a complete page is removed, since it would not be a TIFF.
int TiffRecordingFile::CutBackToCompletePages() {
    if (framesWritten_ == 0) {
        return ::unlink(path_.c_str()) == 0 ? 0 : errno;
    }
    const TiffFlavour& flavour = bigTiff_ ? kBig : kClassic;
    int64_t pointerAt = flavour.firstPointer;
    uint64_t next = ReadOffset(io_.fd, pointerAt, flavour.pointerBytes);
    for (uint64_t page = 0; page < framesWritten_ && next != 0; ++page) {
        const uint64_t entries = ReadOffset(io_.fd, int64_t(next), flavour.countBytes);
        pointerAt = int64_t(next) + flavour.countBytes + int64_t(entries) * flavour.entryBytes;
        next = ReadOffset(io_.fd, pointerAt, flavour.pointerBytes);
    }
    // Rewriting bytes already on disk needs no new space, even on a full disk.
    const uint64_t zero = 0;
    if (next != 0 &&
        ::pwrite(io_.fd, &zero, size_t(flavour.pointerBytes), pointerAt) != flavour.pointerBytes) {
        return errno;
    }
    return ::ftruncate(io_.fd, completeEnd_) == 0 ? 0 : errno;
}

int TiffRecordingFile::Close() {
    int result = failure_;
    if (tiff_->tif != nullptr) {
        TIFFCleanup(tiff_->tif);  // every page's directory is out already; this only frees
        tiff_->tif = nullptr;
        if (result == 0 && io_.error != 0) result = failure_ = io_.error;
    }
    if (io_.fd >= 0) {
        if (failure_ != 0) {
            const int cut = CutBackToCompletePages();
            if (result == 0) result = cut;
        }
        if (::close(io_.fd) != 0 && result == 0) result = errno;
        io_.fd = -1;
    }
    return result;
}

}  // namespace kelvra

// Public extra: lossless recording files of frames the application holds.
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cmath>
#include <new>
#include <string>
#include <string_view>

#include "KelvraSdk.h"
#include "output/RecordingFile.h"

struct KELVRA_RECORDING {
    std::string path;
    double framesPerSecond = 0;
    uint64_t expectedFrames = 0;
    std::unique_ptr<kelvra::RecordingFile> file;
    bool opened = false;
    int error = 0;  // the first failure of the file
    uint64_t refused = 0;
    int32_t width = 0;
    int32_t height = 0;
    int32_t bitsPerPixel = 0;
};

namespace {

using kelvra::RecordingFormat;

bool FormatOf(int format, RecordingFormat& out) {
    switch (format) {
        case KELVRA_RECORDING_AVI:
            out = RecordingFormat::Avi;
            return true;
        case KELVRA_RECORDING_TIFF:
            out = RecordingFormat::Tiff;
            return true;
        case KELVRA_RECORDING_RAW:
            out = RecordingFormat::Raw;
            return true;
        default:
            return false;
    }
}

std::string_view Extension(std::string_view path) {
    const size_t slash = path.find_last_of('/');
    const std::string_view name = slash == std::string_view::npos ? path : path.substr(slash + 1);
    const size_t dot = name.find_last_of('.');
    // A leading dot names a hidden file, not an extension.
    return dot == std::string_view::npos || dot == 0 ? std::string_view() : name.substr(dot + 1);
}

bool SameLetters(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i) {
        const char lower = (a[i] >= 'A' && a[i] <= 'Z') ? char(a[i] - 'A' + 'a') : a[i];
        if (lower != b[i]) return false;
    }
    return true;
}

// Whether the file can be made, checked at open so that a typo is reported before any frame
// is taken; the file itself is created by the first frame. 0 or errno.
int CheckTarget(const std::string& path) {
    const size_t slash = path.find_last_of('/');
    const std::string folder =
        slash == std::string::npos ? "." : (slash == 0 ? "/" : path.substr(0, slash));
    struct stat info {};
    if (::stat(folder.c_str(), &info) != 0) return errno;
    if (!S_ISDIR(info.st_mode)) return ENOTDIR;
    if (::stat(path.c_str(), &info) == 0) {
        if (S_ISDIR(info.st_mode)) return EISDIR;
        return ::access(path.c_str(), W_OK) == 0 ? 0 : errno;
    }
    return ::access(folder.c_str(), W_OK | X_OK) == 0 ? 0 : errno;
}

// The frame's rows as a recording file takes them; false when the record cannot hold them.
bool ToRecordingFrame(const KELVRA_FRAME& in, kelvra::RecordingFrame& out) {
    const int64_t packedRow = kelvra::PackedRowBytes(in.width, in.bitsPerPixel);
    if (in.data == nullptr || packedRow == 0 || in.height <= 0 || in.rowStride < packedRow) {
        return false;
    }
    const uint64_t needed = uint64_t(in.height - 1) * uint64_t(in.rowStride) + uint64_t(packedRow);
    if (in.bytes < needed) return false;
    out.pixels = static_cast<const uint8_t*>(in.data);
    out.width = in.width;
    out.height = in.height;
    out.bitsPerPixel = in.bitsPerPixel;
    out.rowStride = in.rowStride;
    out.frameCounter = in.frameCounter;
    out.timestampUs = in.timestampUs;
    out.exposureUs = in.exposureUs;
    out.temperatureMilliC = in.temperatureMilliC;
    return true;
}

int OpenOnFirstFrame(KELVRA_RECORDING& recording, const kelvra::RecordingFrame& frame) {
    recording.file->ExpectFrames(recording.expectedFrames);
    const int error =
        recording.file->Open(recording.path.c_str(), frame, recording.framesPerSecond);
    recording.opened = true;
    if (error != 0) return error;
    recording.width = frame.width;
    recording.height = frame.height;
    recording.bitsPerPixel = frame.bitsPerPixel;
    return 0;
}

int WriteFrame(KELVRA_RECORDING& recording, const KELVRA_FRAME* frame) {
    kelvra::RecordingFrame converted;
    if (frame == nullptr || frame->size < int32_t(sizeof(KELVRA_FRAME)) ||
        !ToRecordingFrame(*frame, converted)) {
        ++recording.refused;
        return EINVAL;
    }
    if (recording.error == 0 && !recording.opened) {
        recording.error = OpenOnFirstFrame(recording, converted);
    }
    if (recording.error != 0) {
        ++recording.refused;
        return recording.error;
    }
    const int error = recording.file->Write(converted);
    if (error == EINVAL) {
        ++recording.refused;  // another geometry: the file goes on
    } else if (error != 0) {
        ++recording.refused;
        recording.error = error;
    }
    return error;
}

}  // namespace

extern "C" {

int Kelvra_RecordingFormatForPath(const char* path) {
    if (path == nullptr) return -1;
    const std::string_view extension = Extension(path);
    if (SameLetters(extension, "avi")) return KELVRA_RECORDING_AVI;
    if (SameLetters(extension, "tif") || SameLetters(extension, "tiff")) {
        return KELVRA_RECORDING_TIFF;
    }
    if (SameLetters(extension, "raw")) return KELVRA_RECORDING_RAW;
    return -1;
}

KELVRA_RECORDING* Kelvra_OpenRecording(const char* path, int format, double framesPerSecond,
                                       uint64_t expectedFrames, int* error) {
    int ignored = 0;
    int& result = error != nullptr ? *error : ignored;
    try {
        RecordingFormat recordingFormat{};
        if (path == nullptr || *path == '\0' || !FormatOf(format, recordingFormat) ||
            !std::isfinite(framesPerSecond) || framesPerSecond < 0) {
            result = EINVAL;
            return nullptr;
        }
        result = CheckTarget(path);
        if (result != 0) return nullptr;
        auto* recording = new (std::nothrow) KELVRA_RECORDING;
        if (recording == nullptr) {
            result = ENOMEM;
            return nullptr;
        }
        recording->file = kelvra::MakeRecordingFile(recordingFormat);
        if (recording->file == nullptr) {
            delete recording;
            result = ENOSYS;
            return nullptr;
        }
        recording->path = path;
        recording->framesPerSecond = framesPerSecond;
        recording->expectedFrames = expectedFrames;
        result = 0;
        return recording;
    } catch (...) {
        result = ENOMEM;  // the only exception the steps above can throw
        return nullptr;
    }
}

int Kelvra_WriteRecordingFrame(KELVRA_RECORDING* recording, const KELVRA_FRAME* frame) {
    if (recording == nullptr) return EINVAL;
    try {
        return WriteFrame(*recording, frame);
    } catch (...) {
        recording->error = recording->error != 0 ? recording->error : ENOMEM;
        return recording->error;
    }
}

int Kelvra_CloseRecording(KELVRA_RECORDING* recording, KELVRA_RECORDING_SUMMARY* summary) {
    if (recording == nullptr) return EINVAL;
    int result = recording->error;
    try {
        if (recording->opened) {
            const int closed = recording->file->Close();
            if (result == 0) result = closed;
        }
    } catch (...) {
        if (result == 0) result = EIO;
    }
    if (summary != nullptr && summary->size >= int32_t(sizeof(KELVRA_RECORDING_SUMMARY))) {
        summary->error = result;
        summary->framesWritten = recording->opened ? recording->file->FramesWritten() : 0;
        summary->bytesWritten = recording->opened ? recording->file->BytesWritten() : 0;
        summary->framesRefused = recording->refused;
        summary->width = summary->framesWritten != 0 ? recording->width : 0;
        summary->height = summary->framesWritten != 0 ? recording->height : 0;
        summary->bitsPerPixel = summary->framesWritten != 0 ? recording->bitsPerPixel : 0;
        summary->reserved = 0;
    }
    delete recording;
    return result;
}

}  // extern "C"

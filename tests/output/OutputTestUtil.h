// Helpers shared by the output-file tests: a scratch directory, whole-file reads, a child
// process with a full disk, and images filled with patterns that make every pixel distinct enough
// to catch row and sample mix-ups.
#pragma once

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include <signal.h>
#include <stdlib.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include "imaging/CDibImage.h"

namespace kelvra::test {

class ScratchDir {
  public:
    ScratchDir() {
        std::string pattern =
            (std::filesystem::temp_directory_path() / "kelvra-output-XXXXXX").string();
        if (mkdtemp(pattern.data()) != nullptr) dir_ = pattern;
    }
    ~ScratchDir() {
        std::error_code ignored;
        if (!dir_.empty()) std::filesystem::remove_all(dir_, ignored);
    }
    ScratchDir(const ScratchDir&) = delete;
    ScratchDir& operator=(const ScratchDir&) = delete;

    std::string Path(const std::string& name) const { return (dir_ / name).string(); }

  private:
    std::filesystem::path dir_;
};

// Runs `body` in a child process whose files may not grow past `limit` bytes (writes beyond
// fail with EFBIG, as on a full disk; SIGXFSZ is ignored so they fail instead of killing the
// child). Returns the body's result (0..255), or kChildDied.
inline constexpr int kChildDied = -1;
inline int WithFileSizeLimit(uint64_t limit, const std::function<int()>& body) {
    const pid_t pid = fork();
    if (pid == 0) {
        signal(SIGXFSZ, SIG_IGN);
        const rlimit r{limit, limit};
        if (setrlimit(RLIMIT_FSIZE, &r) != 0) _exit(200);
        _exit(body());
    }
    int status = 0;
    if (pid < 0 || waitpid(pid, &status, 0) != pid || !WIFEXITED(status)) return kChildDied;
    return WEXITSTATUS(status);
}

// prefix, number, suffix (built by appending: GCC 12 misreports "literal" + std::string).
inline std::string Numbered(const char* prefix, long long n, const char* suffix = "") {
    std::string s(prefix);
    s += std::to_string(n);
    s += suffix;
    return s;
}

inline std::vector<uint8_t> ReadAll(const std::string& path) {
    std::vector<uint8_t> bytes;
    FILE* f = std::fopen(path.c_str(), "rb");
    if (f == nullptr) return bytes;
    uint8_t chunk[65536];
    size_t n;
    while ((n = std::fread(chunk, 1, sizeof(chunk), f)) > 0)
        bytes.insert(bytes.end(), chunk, chunk + n);
    std::fclose(f);
    return bytes;
}

inline bool WriteAll(const std::string& path, const std::vector<uint8_t>& bytes) {
    FILE* f = std::fopen(path.c_str(), "wb");
    if (f == nullptr) return false;
    const bool ok = bytes.empty() || std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
    return std::fclose(f) == 0 && ok;
}

inline uint32_t Le32(const std::vector<uint8_t>& b, size_t at) {
    return uint32_t{b[at]} | (uint32_t{b[at + 1]} << 8) | (uint32_t{b[at + 2]} << 16) |
           (uint32_t{b[at + 3]} << 24);
}

inline uint16_t Le16(const std::vector<uint8_t>& b, size_t at) {
    return static_cast<uint16_t>(b[at] | (b[at + 1] << 8));
}

inline std::string Tag(const std::vector<uint8_t>& b, size_t at) {
    return std::string(reinterpret_cast<const char*>(b.data() + at), 4);
}

inline uint8_t* PixelAt(CDibImage& image, int32_t x, int32_t y) {
    return image.Bits() + static_cast<size_t>(y) * image.Stride() +
           static_cast<size_t>(x) * image.BytesPerPixel();
}

inline const uint8_t* PixelAt(const CDibImage& image, int32_t x, int32_t y) {
    return image.Bits() + static_cast<size_t>(y) * image.Stride() +
           static_cast<size_t>(x) * image.BytesPerPixel();
}

inline uint16_t Sample16(const CDibImage& image, int32_t x, int32_t y, int sample) {
    uint16_t v;
    std::memcpy(&v, PixelAt(image, x, y) + 2 * sample, 2);
    return v;
}

inline void SetSample16(CDibImage& image, int32_t x, int32_t y, int sample, uint16_t v) {
    std::memcpy(PixelAt(image, x, y) + 2 * sample, &v, 2);
}

// Every byte of every pixel a function of (x, y, byte); padding bytes stay 0.
inline void FillBytes(CDibImage& image) {
    for (int32_t y = 0; y < image.Height(); ++y) {
        for (int32_t x = 0; x < image.Width(); ++x) {
            uint8_t* p = PixelAt(image, x, y);
            for (int b = 0; b < image.BytesPerPixel(); ++b) {
                p[b] = static_cast<uint8_t>(x * 7 + y * 13 + b * 61 + 1);
            }
        }
    }
}

// Every 16-bit sample a distinct 12-bit value (0..4095).
inline void FillSamples12(CDibImage& image) {
    const int samples = image.BytesPerPixel() / 2;
    for (int32_t y = 0; y < image.Height(); ++y) {
        for (int32_t x = 0; x < image.Width(); ++x) {
            for (int s = 0; s < samples; ++s) {
                SetSample16(image, x, y, s,
                            static_cast<uint16_t>((x * 37 + y * 101 + s * 1001) % 4096));
            }
        }
    }
}

inline void FillConstant16(CDibImage& image, uint16_t v) {
    const int samples = image.BytesPerPixel() / 2;
    for (int32_t y = 0; y < image.Height(); ++y) {
        for (int32_t x = 0; x < image.Width(); ++x) {
            for (int s = 0; s < samples; ++s) SetSample16(image, x, y, s, v);
        }
    }
}

}  // namespace kelvra::test

#include "MaskFileImage.h"

#include <cerrno>
#include <cstring>
#include <fstream>

#include "ErrorWords.h"

namespace kelvra::tool {
namespace {

constexpr size_t kHeaderBytes = 40;
constexpr size_t kFirstSizeOffset = 24;  // four 32-bit sizes follow
constexpr int kReferenceCount = 4;

uint32_t readLittle32(const uint8_t* at) {
    return static_cast<uint32_t>(at[0]) | static_cast<uint32_t>(at[1]) << 8 |
           static_cast<uint32_t>(at[2]) << 16 | static_cast<uint32_t>(at[3]) << 24;
}

}  // namespace

MaskFileImage MaskFileImage::read(const std::string& path) {
    std::ifstream in(path, std::ios::binary | std::ios::ate);
    if (!in) throw ToolFailure("reading " + path, std::strerror(errno));
    MaskFileImage image;
    image.bytes_.resize(static_cast<size_t>(in.tellg()));
    in.seekg(0);
    in.read(reinterpret_cast<char*>(image.bytes_.data()), static_cast<long>(image.bytes_.size()));
    if (!in) throw ToolFailure("reading " + path, "the file ended early");
    size_t total = kHeaderBytes;
    for (int i = 0; i < kReferenceCount && image.bytes_.size() >= kHeaderBytes; ++i) {
        total += readLittle32(&image.bytes_[kFirstSizeOffset + 4 * i]);
    }
    if (image.bytes_.size() < kHeaderBytes || image.bytes_.size() != total) {
        throw ToolFailure("reading " + path, "not a mask file of the expected layout");
    }
    return image;
}

// File order: dark 8, white 8, dark 16, white 16.
std::span<uint8_t> MaskFileImage::reference(bool white, int bits) {
    const int index = (bits == 16 ? 2 : 0) + (white ? 1 : 0);
    size_t offset = kHeaderBytes;
    for (int i = 0; i < index; ++i) offset += readLittle32(&bytes_[kFirstSizeOffset + 4 * i]);
    const size_t size = readLittle32(&bytes_[kFirstSizeOffset + 4 * index]);
    return std::span<uint8_t>(bytes_).subspan(offset, size);
}

void MaskFileImage::write(const std::string& path) const {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    if (out)
        out.write(reinterpret_cast<const char*>(bytes_.data()), static_cast<long>(bytes_.size()));
    if (out) out.flush();
    if (!out) throw writeFailure("writing " + path, 0, path);
}

}  // namespace kelvra::tool

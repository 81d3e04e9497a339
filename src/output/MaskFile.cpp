#include "output/MaskFile.h"

#include <array>
#include <cstring>
#include <memory>
#include <new>

#include "output/ByteOrder.h"
#include "output/CFileBuffer.h"

namespace kelvra {

namespace {

constexpr char kMaskMagic[] = "NORLUX MASK1000";  // 15 characters and the terminating zero
constexpr size_t kMagicSize = 16;
static_assert(sizeof(kMaskMagic) == kMagicSize);
constexpr size_t kHeaderSize = 40;
constexpr uint32_t kSize8 = 0x140000;   // 1280 × 1024 bytes
constexpr uint32_t kSize16 = 0x280000;  // 1280 × 1024 16-bit samples
constexpr size_t kReferenceCount = 4;
constexpr uint32_t kExpectedSizes[kReferenceCount] = {kSize8, kSize8, kSize16, kSize16};
constexpr int32_t kExpectedBits[kReferenceCount] = {8, 8, 16, 16};
constexpr size_t kBodySize = 2 * size_t{kSize8} + 2 * size_t{kSize16};
static_assert(kHeaderSize + kBodySize == kMaskFileSize);

std::array<CDibImage*, kReferenceCount> InFileOrder(const MaskReferences& r) {
    return {r.dark8, r.bright8, r.dark16, r.bright16};
}

// Magic compared as a zero-terminated string (so byte 15 must be the zero), then the geometry
// and the four sizes exactly.
bool HeaderAccepted(const uint8_t* h) {
    if (std::memcmp(h, kMaskMagic, kMagicSize) != 0) return false;
    if (le::Get32(h + 16) != kMaskWidth || le::Get32(h + 20) != kMaskHeight) return false;
    for (size_t i = 0; i < kReferenceCount; ++i) {
        if (le::Get32(h + 24 + 4 * i) != kExpectedSizes[i]) return false;
    }
    return true;
}

// The images a load fills must be the references as the front makes them: full sensor,
// packed rows, the depth of their place in the file.
bool TargetsFit(const std::array<CDibImage*, kReferenceCount>& targets) {
    for (size_t i = 0; i < kReferenceCount; ++i) {
        const CDibImage* image = targets[i];
        if (image == nullptr || image->Bits() == nullptr || image->Width() != kMaskWidth ||
            image->Height() != kMaskHeight || image->BitCount() != kExpectedBits[i] ||
            image->ImageBytes() != kExpectedSizes[i]) {
            return false;
        }
    }
    return true;
}

}  // namespace

// Writes the four references to `path`: the 40-byte header (magic, the dark 8-bit reference's
// width and height, each reference's stride × height) and the references' buffers in file
// order. Returns 1 when the whole file was written and replaced any old one; 0 when a reference
// is missing or empty, `path` is not a regular or new file, the file cannot be created, or any
// write fails, leaving an old file as it was. The caller holds the mask lock.
int SaveMaskFile(const char* path, const MaskReferences& references) {
    const auto images = InFileOrder(references);
    for (const CDibImage* image : images) {
        if (image == nullptr || image->Bits() == nullptr) return 0;
    }
    std::array<uint8_t, kHeaderSize> header{};
    std::memcpy(header.data(), kMaskMagic, kMagicSize);
    le::Put32(header.data() + 16, static_cast<uint32_t>(references.dark8->Width()));
    le::Put32(header.data() + 20, static_cast<uint32_t>(references.dark8->Height()));
    ByteRange parts[1 + kReferenceCount] = {{header.data(), header.size()}};
    for (size_t i = 0; i < kReferenceCount; ++i) {
        le::Put32(header.data() + 24 + 4 * i, static_cast<uint32_t>(images[i]->ImageBytes()));
        parts[1 + i] = {images[i]->Bits(), images[i]->ImageBytes()};
    }
    CFileBuffer file;
    if (!file.OpenForWrite(path)) return 0;
    file.Write(parts);
    return file.CloseAll() ? 1 : 0;
}

// Reads the four references from `path` into the given images, all or none: the header must
// carry the magic "NORLUX MASK1000", 1280 × 1024 and the four expected sizes, and the whole
// body must be read before any image changes. Bytes after the body are ignored. Returns 1 with
// the four images replaced, or 0 with none touched when an image is not a 1280 × 1024
// reference of its depth, the file cannot be opened or is not a regular file (a FIFO or device
// is refused, never waited on), the header is rejected, the file is short or memory runs out. The
// caller holds the mask lock and rebuilds the defect maps on success.
int LoadMaskFile(const char* path, const MaskReferences& references) {
    const auto targets = InFileOrder(references);
    if (!TargetsFit(targets)) return 0;
    CFileBuffer file;
    if (!file.OpenExisting(path)) return 0;
    std::array<uint8_t, kHeaderSize> header{};
    if (!file.ReadExact(header.data(), header.size()) || !HeaderAccepted(header.data())) return 0;
    std::unique_ptr<uint8_t[]> body(new (std::nothrow) uint8_t[kBodySize]);
    if (body == nullptr || !file.ReadExact(body.get(), kBodySize)) return 0;
    const uint8_t* from = body.get();
    for (size_t i = 0; i < kReferenceCount; ++i) {
        std::memcpy(targets[i]->Bits(), from, kExpectedSizes[i]);
        from += kExpectedSizes[i];
    }
    return 1;
}

}  // namespace kelvra

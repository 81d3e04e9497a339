// The mask file loader: a file is taken whole or not at all, and a refused file leaves the
// references as they were.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "FuzzScratch.h"
#include "output/MaskFile.h"

namespace {

constexpr uint8_t kUntouched = 0x5C;
constexpr size_t kHeaderSize = 40;
constexpr char kMagic[] = "NORLUX MASK1000";

struct References {
    kelvra::CDibImage dark8, bright8, dark16, bright16;
    References() {
        if (!dark8.Create(kelvra::kMaskWidth, kelvra::kMaskHeight, 8) ||
            !bright8.Create(kelvra::kMaskWidth, kelvra::kMaskHeight, 8) ||
            !dark16.Create(kelvra::kMaskWidth, kelvra::kMaskHeight, 16) ||
            !bright16.Create(kelvra::kMaskWidth, kelvra::kMaskHeight, 16)) {
            std::abort();
        }
    }
    kelvra::MaskReferences View() { return {&dark8, &bright8, &dark16, &bright16}; }
    // A load writes every byte of every reference or none, so marking the first and last byte
    // of each is enough to see one.
    void Mark() {
        for (kelvra::CDibImage* image : {&dark8, &bright8, &dark16, &bright16}) {
            image->Bits()[0] = kUntouched;
            image->Bits()[image->ImageBytes() - 1] = kUntouched;
        }
    }
    // The first and last bytes of every reference still hold the mark.
    bool Untouched() const {
        for (const kelvra::CDibImage* image : {&dark8, &bright8, &dark16, &bright16}) {
            const uint8_t* bits = image->Bits();
            const size_t last = image->ImageBytes() - 1;
            if (bits[0] != kUntouched || bits[last] != kUntouched) return false;
        }
        return true;
    }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const kelvra::fuzz::Scratch scratch;
    static References references;
    const std::string path = scratch.Path("refs.msk");
    scratch.Write(path, data, size);
    references.Mark();
    const int loaded = kelvra::LoadMaskFile(path.c_str(), references.View());
    const bool magic = size >= kHeaderSize && std::memcmp(data, kMagic, sizeof kMagic) == 0;
    if (loaded != 0 && (size < kelvra::kMaskFileSize || !magic)) std::abort();
    if (loaded == 0 && !references.Untouched()) std::abort();
    return 0;
}

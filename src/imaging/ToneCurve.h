// Gamma, contrast and brightness folded into one lookup table (internal to the imaging layer).
#pragma once

#include <cstdint>
#include <memory>

#include "imaging/CDibImage.h"
#include "imaging/ToneTables.h"

namespace kelvra {

namespace rows {
struct KernelArgs;
}

// Entry v of the table is what gamma, then contrast, then brightness make of a sample v, each
// step only away from its neutral value, so one pass gives exactly what the steps give one after
// the other. Tables cover 8-bit samples or the 12-bit samples of 16-bit images; a 16-bit
// sample above 4095 is taken as 4095. The table is built when a setting changes, not per frame.
// Not thread-safe: one owner uses it at a time.
class ToneCurve {
  public:
    struct Steps {
        int32_t gamma = tone::kNeutralGamma;
        int32_t contrast = 0;
        int32_t brightness = 0;
        bool operator==(const Steps&) const = default;
    };

    // Allocates the tables (130 KiB, once): nothing is allocated after construction.
    ToneCurve();
    ToneCurve(const ToneCurve&) = delete;
    ToneCurve& operator=(const ToneCurve&) = delete;

    // Makes the table of `steps` for 8-bit (wide false) or 16-bit images (wide true), unless
    // it holds that one already.
    void Prepare(bool wide, const Steps& steps);

    // True when every prepared step is at its neutral value (the table is the identity).
    bool IsIdentity() const { return steps_ == Steps{}; }

    // Applies the prepared table in place to an image of the prepared depth: 8 or 16 bits grey,
    // or the first three samples of 24/32-bit (8-bit tables) or 48/64-bit (16-bit tables)
    // colour. Returns false, leaving the image alone, when its depth does not match.
    bool ApplyInPlace(CDibImage& image) const;

    // The same from `source` into `target`, which has the source's geometry and depth (a copy
    // that another step reads). Returns false, leaving both alone, when they do not match.
    bool ApplyTo(const CDibImage& source, CDibImage& target) const;

    // The same for a kernel's region: `channels` (1 or 3) samples of each pixel from the source
    // to the destination, a fourth left alone. Returns 0 when pixels are too small, else 1.
    int Apply(const rows::KernelArgs& a, int32_t channels) const;

  private:
    bool wide_ = false;
    bool prepared_ = false;
    Steps steps_;
    std::unique_ptr<uint8_t[]> table8_;
    std::unique_ptr<uint16_t[]> table16_;
};

}  // namespace kelvra

#include "imaging/ToneCurve.h"

#include <algorithm>

#include "imaging/KernelRows.h"
#include "imaging/LutRows.h"
#include "imaging/SampleDepth.h"

namespace kelvra {

namespace {

// Fills entries 0..max with the chain of the steps away from neutral; the range is the one the
// steps clamp to, so each result is a valid index of the next.
template <typename T>
void BuildChain(const ToneCurve::Steps& s, int32_t max, T* table) {
    const bool gamma = s.gamma != tone::kNeutralGamma;
    const double exponent = tone::GammaExponent(s.gamma);
    const tone::ContrastLine line = tone::MakeContrastLine(s.contrast, max);
    const float factor = tone::BrightnessFactor(s.brightness);
    for (int32_t v = 0; v <= max; ++v) {
        int32_t out = v;
        if (gamma) out = tone::Gamma(exponent, max, out);
        if (s.contrast != 0) out = tone::Contrast(line, max, out);
        if (s.brightness != 0) out = tone::Brightness(factor, max, out);
        table[v] = static_cast<T>(out);
    }
}

}  // namespace

ToneCurve::ToneCurve()
    : table8_(std::make_unique<uint8_t[]>(kMax8 + 1)),
      table16_(std::make_unique<uint16_t[]>(lut::kTable16Entries)) {}

void ToneCurve::Prepare(bool wide, const Steps& steps) {
    if (prepared_ && wide == wide_ && steps == steps_) return;
    if (wide) {
        BuildChain(steps, kMax12, table16_.get());
        // A 16-bit sample above 12 bits counts as full scale.
        std::fill(table16_.get() + kMax12 + 1, table16_.get() + lut::kTable16Entries,
                  table16_[kMax12]);
    } else {
        BuildChain(steps, kMax8, table8_.get());
    }
    wide_ = wide;
    steps_ = steps;
    prepared_ = true;
}

int ToneCurve::Apply(const rows::KernelArgs& a, int32_t channels) const {
    return wide_ ? lut::ApplyTable16(a, channels, table16_.get())
                 : lut::ApplyTable8(a, channels, table8_.get());
}

bool ToneCurve::ApplyInPlace(CDibImage& image) const {
    return ApplyTo(image, image);
}

bool ToneCurve::ApplyTo(const CDibImage& source, CDibImage& target) const {
    const uint16_t bits = source.BitCount();
    const bool wide = bits == 16 || bits == 48 || bits == 64;
    const bool known = bits == 8 || bits == 16 || bits == 24 || bits == 32 || wide;
    if (!prepared_ || !known || wide != wide_ || source.Bits() == nullptr ||
        target.Bits() == nullptr || target.BitCount() != bits || target.Width() != source.Width() ||
        target.Height() != source.Height()) {
        return false;
    }
    const int32_t channels = (bits == 8 || bits == 16) ? 1 : 3;
    const Rect whole{0, 0, source.Width(), source.Height()};
    const uint16_t bpp = source.BytesPerPixel();
    const rows::KernelArgs a = rows::MakeArgs(target.Bits(), source.Bits(), whole, 0, 0, bpp, bpp,
                                              target.Stride(), source.Stride());
    return Apply(a, channels) == 1;
}

}  // namespace kelvra

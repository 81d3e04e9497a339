#include "front/processing/FlatField.h"

#include <algorithm>
#include <cstring>

#include "front/processing/FlatFieldAvx2.h"
#include "front/processing/SimdDispatch.h"

namespace kelvra::processing {

namespace {

constexpr int kBits8 = 8;
constexpr int32_t kScale8 = 256;
constexpr int32_t kMax8 = 255;
constexpr int kBits12 = 12;
constexpr int32_t kScale12 = 4096;
constexpr int32_t kMax12 = 4095;

// Row pointers of one window row in the frame and both references, and the spans' tables
// (null when the row is divided).
template <class T>
struct RowSet {
    T* frame;
    const T* dark;
    const T* white;
    const uint16_t* scale;
    const uint16_t* reciprocal;
};

// With the spans' reciprocals. A negative span divides a negative difference: all three values
// are turned round (v becomes 255 - v), which makes both positive and the quotient the same. A
// difference of the other sign gives a quotient of 0 or below, which clamps to 0; one beyond the
// span is cut to it, and the quotient 256 still clamps to 255.
KELVRA_PROCESSING_INLINE void FlatRow8Body(const RowSet<uint8_t>& r, int32_t n) {
    // Locals: a byte store may alias the record, which would reload it every pixel.
    uint8_t* __restrict frame = r.frame;
    const uint8_t* __restrict dark = r.dark;
    const uint8_t* __restrict white = r.white;
    const uint16_t* __restrict scale = r.scale;
    const uint16_t* __restrict reciprocal = r.reciprocal;
    for (int32_t j = 0; j < n; ++j) {
        const uint16_t p0 = frame[j];
        const uint16_t turn = white[j] < dark[j] ? kMax8 : 0;
        const auto p = static_cast<uint16_t>(p0 ^ turn);
        const auto d = static_cast<uint16_t>(dark[j] ^ turn);
        const auto s = static_cast<uint16_t>((white[j] ^ turn) - d);
        const uint16_t a = std::min(static_cast<uint16_t>(p > d ? p - d : 0), s);
        const uint16_t q = std::min<uint16_t>(ScaledQuotient<kBits8>(a, s, scale[j], reciprocal[j]),
                                              static_cast<uint16_t>(kMax8));
        frame[j] = static_cast<uint8_t>(s == 0 ? p0 : q);
    }
}

// Where W <= D the span wraps and the quotient is thrown away: the pixel stays.
KELVRA_PROCESSING_INLINE void FlatRow16Body(const RowSet<uint16_t>& r, int32_t n) {
    uint16_t* __restrict frame = r.frame;
    const uint16_t* __restrict dark = r.dark;
    const uint16_t* __restrict white = r.white;
    const uint16_t* __restrict scale = r.scale;
    const uint16_t* __restrict reciprocal = r.reciprocal;
    for (int32_t j = 0; j < n; ++j) {
        const uint16_t p = frame[j];
        const uint16_t d = dark[j];
        const uint16_t w = white[j];
        const auto s = static_cast<uint16_t>(w - d);
        const uint16_t a = std::min(static_cast<uint16_t>(p > d ? p - d : 0), s);
        const uint16_t q = std::min<uint16_t>(
            ScaledQuotient<kBits12>(a, s, scale[j], reciprocal[j]), static_cast<uint16_t>(kMax12));
        frame[j] = w <= d ? p : q;
    }
}

// Without reciprocals (no memory for them, or 16-bit spans beyond 12 bits): the quotient of
// (P - D) * 256 and W - D is truncated exactly by a single-precision division: numerator and
// divisor are exact in float, and a quotient below 256 that is not an integer is at least 1/255
// from the next integer, far beyond the rounding error. Larger ones are clamped.
KELVRA_PROCESSING_INLINE void DivideRow8Body(const RowSet<uint8_t>& r, int32_t n) {
    uint8_t* __restrict frame = r.frame;
    const uint8_t* __restrict dark = r.dark;
    const uint8_t* __restrict white = r.white;
    for (int32_t j = 0; j < n; ++j) {
        const int32_t p = frame[j];
        const int32_t d = dark[j];
        const int32_t span = white[j] - d;
        const int32_t flat = span == 0;
        const int32_t divisor = span + flat;
        const auto q = static_cast<int32_t>(static_cast<float>((p - d) * kScale8) /
                                            static_cast<float>(divisor));
        const int32_t corrected = std::min(std::max(q, 0), kMax8);
        // Integer select, so that the loop stays free of branches.
        const int32_t keep = -flat;
        frame[j] = static_cast<uint8_t>((p & keep) | (corrected & ~keep));
    }
}

// The numerator is first limited to 0..(W - D), which clamps the quotient to 0..4096 without
// changing the clamped result. A quotient near 4096 is not exactly truncated by a float division
// of a 28-bit numerator, so the estimate is corrected by its integer remainder.
KELVRA_PROCESSING_INLINE void DivideRow16Body(const RowSet<uint16_t>& r, int32_t n) {
    uint16_t* __restrict frame = r.frame;
    const uint16_t* __restrict dark = r.dark;
    const uint16_t* __restrict white = r.white;
    for (int32_t j = 0; j < n; ++j) {
        const int32_t p = frame[j];
        const int32_t d = dark[j];
        const int32_t span = white[j] - d;
        const int32_t flat = span <= 0;
        const int32_t divisor = std::max(span, 1);
        const int32_t num = std::min(std::max(p - d, 0), divisor) * kScale12;
        int32_t q = static_cast<int32_t>(static_cast<float>(num) / static_cast<float>(divisor));
        const int32_t rem = num - q * divisor;
        q += static_cast<int32_t>(rem >= divisor) - static_cast<int32_t>(rem < 0);
        // Kept on the 12-bit scale of the frame: the dot filter, grey gain, automatic exposure
        // and every 8-bit reduction after this step assume 12-bit samples.
        const int32_t corrected = std::min(q, kMax12);
        const int32_t keep = -flat;
        frame[j] = static_cast<uint16_t>((p & keep) | (corrected & ~keep));
    }
}

void FlatRow8Baseline(const RowSet<uint8_t>& r, int32_t n) {
    FlatRow8Body(r, n);
}
void FlatRow8Avx2(const RowSet<uint8_t>& r, int32_t n) {
    const int32_t done = FlatRun8Avx2(r.frame, r.dark, r.white, r.scale, r.reciprocal, n);
    FlatRow8Body(
        {r.frame + done, r.dark + done, r.white + done, r.scale + done, r.reciprocal + done},
        n - done);
}
void FlatRow16Baseline(const RowSet<uint16_t>& r, int32_t n) {
    FlatRow16Body(r, n);
}
void FlatRow16Avx2(const RowSet<uint16_t>& r, int32_t n) {
    const int32_t done = FlatRun16Avx2(r.frame, r.dark, r.white, r.scale, r.reciprocal, n);
    FlatRow16Body(
        {r.frame + done, r.dark + done, r.white + done, r.scale + done, r.reciprocal + done},
        n - done);
}
void DivideRow8Baseline(const RowSet<uint8_t>& r, int32_t n) {
    DivideRow8Body(r, n);
}
KELVRA_PROCESSING_AVX2 void DivideRow8Avx2(const RowSet<uint8_t>& r, int32_t n) {
    DivideRow8Body(r, n);
}
void DivideRow16Baseline(const RowSet<uint16_t>& r, int32_t n) {
    DivideRow16Body(r, n);
}
KELVRA_PROCESSING_AVX2 void DivideRow16Avx2(const RowSet<uint16_t>& r, int32_t n) {
    DivideRow16Body(r, n);
}

bool HasDepth(const CDibImage& image, uint16_t bitCount) {
    return image.Bits() != nullptr && image.BitCount() == bitCount;
}

// Clips the window to the frame and the references; false when nothing is left.
bool Clip(const CDibImage& raw, const CDibImage& dark, const CDibImage& white, FlatFieldWindow& w) {
    if (w.refX < 0 || w.refY < 0) return false;
    const int32_t refW = std::min(dark.Width(), white.Width());
    const int32_t refH = std::min(dark.Height(), white.Height());
    w.width = std::min({w.width, raw.Width(), refW - w.refX});
    w.height = std::min({w.height, raw.Height(), refH - w.refY});
    return w.width > 0 && w.height > 0;
}

template <class T>
T* RowOf(CDibImage& image, int32_t y, int32_t x = 0) {
    return reinterpret_cast<T*>(image.Bits() + int64_t{y} * image.Stride()) + x;
}

template <class T>
const T* RowOf(const CDibImage& image, int32_t y, int32_t x = 0) {
    return reinterpret_cast<const T*>(image.Bits() + int64_t{y} * image.Stride()) + x;
}

template <class T, int Bits>
bool Correct(CDibImage& raw, const CDibImage& dark, const CDibImage& white, FlatFieldWindow w,
             SpanReciprocals& spans) {
    constexpr uint16_t kBitCount = sizeof(T) * 8;
    if (!HasDepth(raw, kBitCount) || !HasDepth(dark, kBitCount) || !HasDepth(white, kBitCount)) {
        return false;
    }
    if (!Clip(raw, dark, white, w)) return false;
    const bool avx2 = UseAvx2();
    const bool fast = spans.Update<Bits>(dark, white);
    using RowFn = void (*)(const RowSet<T>&, int32_t);
    RowFn row = nullptr;
    if constexpr (Bits == kBits8) {
        row = fast ? (avx2 ? &FlatRow8Avx2 : &FlatRow8Baseline)
                   : (avx2 ? &DivideRow8Avx2 : &DivideRow8Baseline);
    } else {
        row = fast ? (avx2 ? &FlatRow16Avx2 : &FlatRow16Baseline)
                   : (avx2 ? &DivideRow16Avx2 : &DivideRow16Baseline);
    }
    for (int32_t y = 0; y < w.height; ++y) {
        const int32_t refY = w.refY + y;
        const RowSet<T> r{RowOf<T>(raw, y), RowOf<T>(dark, refY, w.refX),
                          RowOf<T>(white, refY, w.refX),
                          fast ? spans.Scales(w.refX, refY) : nullptr,
                          fast ? spans.Reciprocals(w.refX, refY) : nullptr};
        row(r, w.width);
    }
    return true;
}

}  // namespace

bool FlatField::Correct8(CDibImage& raw, const CDibImage& dark, const CDibImage& white,
                         const FlatFieldWindow& window) {
    return Correct<uint8_t, kBits8>(raw, dark, white, window, spans8_);
}

bool FlatField::Correct16(CDibImage& raw, const CDibImage& dark, const CDibImage& white,
                          const FlatFieldWindow& window) {
    return Correct<uint16_t, kBits12>(raw, dark, white, window, spans16_);
}

}  // namespace kelvra::processing

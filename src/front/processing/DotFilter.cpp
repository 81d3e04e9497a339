#include "front/processing/DotFilter.h"

#include <algorithm>
#include <cstring>
#include <limits>

#include "front/processing/DotPlanes.h"
#include "front/processing/DotSweep.h"
#include "front/processing/SimdDispatch.h"

namespace kelvra::processing {

namespace {

using dot::kMargin;
using dot::Planes;

constexpr int kColumnBits = 16;
constexpr uint32_t kColumnMask = (1u << kColumnBits) - 1;
// Above one marked pixel in this many, two sweeps over the frame beat visiting each one.
constexpr int64_t kDenseRatio = 64;

// Arguments of one detection row, columns [x0, x1).
template <class T>
struct DetectRow {
    T* mark;
    const T* up;
    const T* row;
    const T* down;
    const T* dark;  // the maps, read when there is no plane of known defects
    const T* white;
    const uint8_t* known;  // 1 where either map marks the pixel
    int32_t x0;
    int32_t x1;
    T threshold;
    T deviates;  // 1, or 0 when the threshold lies beyond every possible deviation
};

// Branch-free per pixel and in the samples' own width, so that the loop vectorises with as
// many lanes as a register holds samples: the truncated mean of four samples is the sum of their
// quarters plus the quarter of their remainders, which never overflows T, and the deviation is
// compared unsigned. Locals, because a byte store may alias the record and would reload it
// every pixel.
template <class T, bool FromMaps>
KELVRA_PROCESSING_INLINE void DetectBody(const DetectRow<T>& r) {
    T* __restrict mark = r.mark;
    const T* __restrict up = r.up;
    const T* __restrict row = r.row;
    const T* __restrict down = r.down;
    const T* __restrict dark = r.dark;
    const T* __restrict white = r.white;
    const uint8_t* __restrict knownPlane = r.known;
    const T threshold = r.threshold;
    const T deviates = r.deviates;
    const int32_t x1 = r.x1;
    constexpr T kLow = 3;
    for (int32_t x = r.x0; x < x1; ++x) {
        const T a = row[x - 1];
        const T b = row[x + 1];
        const T c = up[x];
        const T d = down[x];
        const auto quarters = static_cast<T>((a >> 2) + (b >> 2) + (c >> 2) + (d >> 2));
        const auto rest = static_cast<T>(((a & kLow) + (b & kLow) + (c & kLow) + (d & kLow)) >> 2);
        const auto mean = static_cast<T>(quarters + rest);
        const T p = row[x];
        const auto deviation = static_cast<T>(p > mean ? p - mean : mean - p);
        bool known;
        if constexpr (FromMaps) {
            known = (dark[x] | white[x]) != 0;
        } else {
            known = knownPlane[x] != 0;
        }
        mark[x] = static_cast<T>(((deviation >= threshold) & deviates) | known);
    }
}

template <class T, bool FromMaps>
void DetectBaseline(const DetectRow<T>& r) {
    DetectBody<T, FromMaps>(r);
}

template <class T, bool FromMaps>
KELVRA_PROCESSING_AVX2 void DetectAvx2(const DetectRow<T>& r) {
    DetectBody<T, FromMaps>(r);
}

// Appends the marked columns of [x0, x1) of one map row, skipping eight bytes of unmarked
// entries at a time.
template <class T>
void CollectRow(const T* mark, int32_t y, int32_t x0, int32_t x1, std::vector<uint32_t>& out) {
    constexpr int32_t kPerWord = static_cast<int32_t>(sizeof(uint64_t) / sizeof(T));
    int32_t x = x0;
    for (; x + kPerWord <= x1; x += kPerWord) {
        uint64_t word;
        std::memcpy(&word, mark + x, sizeof(word));
        if (word == 0) continue;
        for (int32_t k = 0; k < kPerWord; ++k) {
            if (mark[x + k] != 0) out.push_back((uint32_t(y) << kColumnBits) | uint32_t(x + k));
        }
    }
    for (; x < x1; ++x) {
        if (mark[x] != 0) out.push_back((uint32_t(y) << kColumnBits) | uint32_t(x));
    }
}

// Zeroes the parts of the dot map that detection does not write: the margins and whatever lies
// beyond the frame.
template <class T>
void ClearOutside(const Planes<T>& p) {
    const bool detects = p.width > 2 * kMargin && p.height > 2 * kMargin;
    const int32_t y0 = detects ? kMargin : p.dotHeight;
    const int32_t y1 = detects ? p.height - kMargin : p.dotHeight;
    const int32_t x1 = p.width - kMargin;
    const size_t rowBytes = static_cast<size_t>(p.dotWidth) * sizeof(T);
    for (int32_t y = 0; y < p.dotHeight; ++y) {
        T* m = p.Dot(y);
        if (y < y0 || y >= y1) {
            std::memset(m, 0, rowBytes);
            continue;
        }
        std::memset(m, 0, kMargin * sizeof(T));
        std::memset(m + x1, 0, static_cast<size_t>(p.dotWidth - x1) * sizeof(T));
    }
}

// Number of marked entries in [x0, x1) of one map row.
template <class T>
int64_t CountRow(const T* mark, int32_t x0, int32_t x1) {
    int64_t count = 0;
    for (int32_t x = x0; x < x1; ++x) count += mark[x] != 0;
    return count;
}

// Marks the frame and returns the number of marks. Their positions are listed only while they
// are few enough to be corrected one by one.
template <class T>
int64_t Detect(const Planes<T>& p, const uint8_t* known, int64_t knownStride, int32_t threshold,
               size_t listLimit, std::vector<uint32_t>& marked) {
    const bool avx2 = UseAvx2();
    const auto detect = known != nullptr
                            ? (avx2 ? &DetectAvx2<T, false> : &DetectBaseline<T, false>)
                            : (avx2 ? &DetectAvx2<T, true> : &DetectBaseline<T, true>);
    const int32_t x0 = kMargin;
    const int32_t x1 = p.width - kMargin;
    // A deviation is at most the largest sample: a threshold beyond it marks nothing by
    // deviation, one of 0 or below marks everything.
    constexpr int32_t kLargest = std::numeric_limits<T>::max();
    const auto limit = static_cast<T>(std::clamp(threshold, 0, kLargest));
    const auto deviates = static_cast<T>(threshold <= kLargest);
    int64_t count = 0;
    for (int32_t y = kMargin; y < p.height - kMargin; ++y) {
        const uint8_t* knownRow = known != nullptr ? known + y * knownStride : nullptr;
        const DetectRow<T> r{p.Dot(y),  p.Frame(y - 1), p.Frame(y), p.Frame(y + 1),
                             p.Dark(y), p.White(y),     knownRow,   x0,
                             x1,        limit,          deviates};
        detect(r);
        if (marked.size() <= listLimit) {
            const size_t before = marked.size();
            CollectRow(r.mark, y, x0, x1, marked);
            count += static_cast<int64_t>(marked.size() - before);
        } else {
            count += CountRow(r.mark, x0, x1);
        }
    }
    return count;
}

// Nearest unmarked pixel from (x, y) stepping by (dx, dy) to the frame's edge; adds its value.
template <class T>
void AddNearestGood(const Planes<T>& p, int32_t x, int32_t y, int32_t dx, int32_t dy, uint32_t& sum,
                    uint32_t& count) {
    for (x += dx, y += dy; x >= 0 && x < p.width && y >= 0 && y < p.height; x += dx, y += dy) {
        if (p.Dot(y)[x] == 0) {
            sum += p.Frame(y)[x];
            ++count;
            return;
        }
    }
}

// Corrected pixels are never unmarked, so no corrected value is read as a neighbour.
template <class T>
void Correct(const Planes<T>& p, const std::vector<uint32_t>& marked) {
    for (const uint32_t at : marked) {
        const auto x = static_cast<int32_t>(at & kColumnMask);
        const auto y = static_cast<int32_t>(at >> kColumnBits);
        uint32_t sum = 0;
        uint32_t count = 0;
        AddNearestGood(p, x, y, -1, 0, sum, count);
        AddNearestGood(p, x, y, 1, 0, sum, count);
        AddNearestGood(p, x, y, 0, -1, sum, count);
        AddNearestGood(p, x, y, 0, 1, sum, count);
        if (count != 0) p.Frame(y)[x] = static_cast<T>(sum / count);
    }
}

bool Usable(const CDibImage* image, uint16_t bitCount) {
    return image != nullptr && image->Bits() != nullptr && image->BitCount() == bitCount;
}

template <class T>
Planes<T> PlanesOf(const DotFilterImages& im) {
    // Positions are packed in 16 bits each; larger images are examined in part.
    const auto limit = static_cast<int32_t>(kColumnMask);
    const int32_t width = std::min({limit, im.frame->Width(), im.darkDefects->Width(),
                                    im.whiteDefects->Width(), im.dotMap->Width()});
    const int32_t height = std::min({limit, im.frame->Height(), im.darkDefects->Height(),
                                     im.whiteDefects->Height(), im.dotMap->Height()});
    return Planes<T>{width,
                     height,
                     im.frame->Bits(),
                     im.frame->Stride(),
                     im.darkDefects->Bits(),
                     im.darkDefects->Stride(),
                     im.whiteDefects->Bits(),
                     im.whiteDefects->Stride(),
                     im.dotMap->Bits(),
                     im.dotMap->Stride(),
                     im.dotMap->Width(),
                     im.dotMap->Height()};
}

template <class T>
int64_t Run(const DotFilterImages& images, int32_t threshold, std::vector<uint32_t>& marked,
            dot::SweepBuffers& sweep, KnownDefects& knownDefects) {
    const Planes<T> p = PlanesOf<T>(images);
    ClearOutside(p);
    marked.clear();
    if (p.width <= 2 * kMargin || p.height <= 2 * kMargin) return 0;
    const auto listLimit = static_cast<size_t>(int64_t{p.width} * p.height / kDenseRatio);
    const uint8_t* known = knownDefects.Update(*images.darkDefects, *images.whiteDefects);
    const int64_t count = Detect(p, known, knownDefects.Stride(), threshold, listLimit, marked);
    if (count > static_cast<int64_t>(listLimit)) {
        dot::CorrectBySweeps(p, sweep);
    } else {
        Correct(p, marked);
    }
    return count;
}

}  // namespace

int64_t DotFilter::Apply(const DotFilterImages& images, int32_t threshold) {
    const CDibImage* frame = images.frame;
    if (frame == nullptr || frame->Bits() == nullptr) return -1;
    const uint16_t bits = frame->BitCount();
    if (bits != 8 && bits != 16) return -1;
    if (!Usable(images.darkDefects, bits) || !Usable(images.whiteDefects, bits) ||
        !Usable(images.dotMap, bits)) {
        return -1;
    }
    return bits == 8 ? Run<uint8_t>(images, threshold, marked_, sweep_, known_)
                     : Run<uint16_t>(images, threshold, marked_, sweep_, known_);
}

}  // namespace kelvra::processing

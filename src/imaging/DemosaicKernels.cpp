#include "imaging/DemosaicKernels.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "imaging/BayerPhase.h"
#include "imaging/DemosaicRows.h"
#include "imaging/KernelRows.h"
#include "imaging/SampleDepth.h"
#include "imaging/SimdLevel.h"

namespace kelvra {

namespace {

using demosaic::Gains;
using demosaic::RowSet;
using rows::KernelArgs;

constexpr double kGainToFactor = 1.28;  // percent to the x128 gain factor
constexpr int32_t kBorder = 2;          // edge strips are 2 rows and 2 columns wide
constexpr int64_t kEdgeReach = 4;       // outside samples come from 4 rows (columns) further in

int32_t GainFactor(int32_t percent) {
    const double k = std::trunc(percent * kGainToFactor);
    return static_cast<int32_t>(std::clamp<double>(k, std::numeric_limits<int32_t>::min(),
                                                   std::numeric_limits<int32_t>::max()));
}

// A row or column index outside 0 .. n - 1 is taken from 4 further in, which keeps its mosaic
// colour. Regions narrower than 4 would still be outside; there the nearest index of the same
// parity is used (the first one when n is 1).
int64_t Substitute(int64_t i, int64_t n) {
    if (i < 0) {
        i += kEdgeReach;
    } else if (i >= n) {
        i -= kEdgeReach;
    }
    if (i >= 0 && i < n) return i;
    if (n == 1) return 0;
    if (i < 0) return i & 1;
    return (n - 1) - ((n - 1 - i) & 1);
}

template <typename T>
constexpr int32_t kTop = sizeof(T) == 1 ? demosaic::kTop8 : demosaic::kTop16;

template <typename T>
KELVRA_ALWAYS_INLINE T Output(int64_t s, int32_t k) {
    constexpr int64_t kLimit = sizeof(T) == 1 ? demosaic::kSaturation8 : demosaic::kSaturation16;
    const int64_t v = s * k;
    if (v >= kLimit) return static_cast<T>(kTop<T>);
    return static_cast<T>(v >> demosaic::kOutputShift);
}

// Column access: Interior reads the index as it is; the edge strips substitute it.
struct InteriorColumns {
    int64_t operator()(int64_t x) const { return x; }
};
struct EdgeColumns {
    int64_t width;
    int64_t operator()(int64_t x) const { return Substitute(x, width); }
};

// Bilinear sum at the block centre for the colour whose near row is `near`, far row `far`, and
// whose column in the block is x (here) or x - 1.
template <typename T, class Columns>
KELVRA_ALWAYS_INLINE int64_t ColourSum(const T* near, const T* far, int64_t x, bool here,
                                       const Columns& col) {
    const int64_t c = here ? x : x - 1;
    const int64_t h = here ? x - 2 : x + 1;
    return 9 * int64_t{near[col(c)]} + 3 * int64_t{near[col(h)]} + 3 * int64_t{far[col(c)]} +
           int64_t{far[col(h)]};
}

template <typename T>
KELVRA_ALWAYS_INLINE void StoreSample(uint8_t* p, T v) {
    if constexpr (sizeof(T) == 1) {
        p[0] = v;
    } else {
        rows::Store16(p, v);
    }
}

// Output pixels [x0, x1) of one row: blue, green, red in the first three samples.
template <typename T, class Columns>
void ScalarSpan(uint8_t* dstRow, int32_t dstBpp, const RowSet<T>& r, int32_t x0, int32_t x1,
                Gains g, const Columns& col) {
    for (int64_t x = x0; x < x1; ++x) {
        const bool redHere = (x & 1) == r.redParity;
        const int64_t red = ColourSum(r.redNear, r.redFar, x, redHere, col);
        const int64_t blue = ColourSum(r.blueNear, r.blueFar, x, !redHere, col);
        const bool upperHere = (x & 1) == r.greenUpperParity;
        const int64_t green = (int64_t{r.greenUpper[col(upperHere ? x : x - 1)]} +
                               int64_t{r.greenLower[col(upperHere ? x - 1 : x)]}) >>
                              1;
        uint8_t* p = dstRow + x * dstBpp;
        StoreSample<T>(p, Output<T>(blue, g.blue));
        StoreSample<T>(p + sizeof(T), static_cast<T>(std::min<int64_t>(green, kTop<T>)));
        StoreSample<T>(p + 2 * sizeof(T), Output<T>(red, g.red));
    }
}

template <typename T>
const T* RowAt(const KernelArgs& a, int64_t y) {
    return reinterpret_cast<const T*>(a.SrcRow(static_cast<int32_t>(Substitute(y, a.Rows()))));
}

template <typename T>
RowSet<T> MakeRowSet(const KernelArgs& a, int32_t phase, int32_t y) {
    const bool upperIsRed = bayer::RowFlagAt(phase, int64_t{y} - 1);
    const T* above2 = RowAt<T>(a, int64_t{y} - 2);
    const T* above = RowAt<T>(a, int64_t{y} - 1);
    const T* here = RowAt<T>(a, y);
    const T* below = RowAt<T>(a, int64_t{y} + 1);
    RowSet<T> r;
    // A colour in row y - 1 takes its second row from y + 1, one in row y from y - 2.
    r.redNear = upperIsRed ? above : here;
    r.redFar = upperIsRed ? below : above2;
    r.blueNear = upperIsRed ? here : above;
    r.blueFar = upperIsRed ? above2 : below;
    r.greenUpper = above;
    r.greenLower = here;
    r.redParity = bayer::ColumnFlagAt(phase, 0) ? 1 : 0;
    r.greenUpperParity = upperIsRed ? 1 - r.redParity : r.redParity;
    r.upperIsRed = upperIsRed;
    return r;
}

// Interior pixels with gains in the vector range: S * k fits int32, and pixels go in pairs
// (even, odd) whose colour positions are fixed per row, so there is no per-pixel decision.
template <typename T>
KELVRA_ALWAYS_INLINE T GainedFast(int32_t s, int32_t k) {
    const int32_t v = (s * k) >> demosaic::kOutputShift;
    return static_cast<T>(v > kTop<T> ? kTop<T> : v);
}

template <typename T>
KELVRA_ALWAYS_INLINE int32_t SumFast(const T* nearRow, const T* farRow, int32_t c, int32_t h) {
    return 9 * int32_t{nearRow[c]} + 3 * int32_t{nearRow[h]} + 3 * int32_t{farRow[c]} +
           int32_t{farRow[h]};
}

template <typename T, int DB, bool RedAtEven, bool UpperGreenAtEven>
KELVRA_ALWAYS_INLINE void PixelFast(uint8_t* dstRow, const RowSet<T>& r, int32_t x, bool even,
                                    Gains g) {
    const bool redHere = even == RedAtEven;
    const bool upperHere = even == UpperGreenAtEven;
    const int32_t red = redHere ? SumFast(r.redNear, r.redFar, x, x - 2)
                                : SumFast(r.redNear, r.redFar, x - 1, x + 1);
    const int32_t blue = redHere ? SumFast(r.blueNear, r.blueFar, x - 1, x + 1)
                                 : SumFast(r.blueNear, r.blueFar, x, x - 2);
    const int32_t green = upperHere ? (int32_t{r.greenUpper[x]} + r.greenLower[x - 1]) >> 1
                                    : (int32_t{r.greenUpper[x - 1]} + r.greenLower[x]) >> 1;
    uint8_t* p = dstRow + int64_t{x} * DB;
    StoreSample<T>(p, GainedFast<T>(blue, g.blue));
    StoreSample<T>(p + sizeof(T), static_cast<T>(green > kTop<T> ? kTop<T> : green));
    StoreSample<T>(p + 2 * sizeof(T), GainedFast<T>(red, g.red));
}

// x0 must be even.
template <typename T, int DB, bool RedAtEven, bool UpperGreenAtEven>
void PairSpan(uint8_t* dstRow, const RowSet<T>& r, int32_t x0, int32_t x1, Gains g) {
    int32_t x = x0;
    for (; x + 1 < x1; x += 2) {
        PixelFast<T, DB, RedAtEven, UpperGreenAtEven>(dstRow, r, x, true, g);
        PixelFast<T, DB, RedAtEven, UpperGreenAtEven>(dstRow, r, x + 1, false, g);
    }
    if (x < x1) PixelFast<T, DB, RedAtEven, UpperGreenAtEven>(dstRow, r, x, true, g);
}

template <typename T, int DB>
void PairSpanOf(uint8_t* dstRow, const RowSet<T>& r, int32_t x0, int32_t x1, Gains g) {
    const bool redAtEven = r.redParity == 0;
    const bool upperAtEven = r.greenUpperParity == 0;
    if (redAtEven && upperAtEven) PairSpan<T, DB, true, true>(dstRow, r, x0, x1, g);
    if (redAtEven && !upperAtEven) PairSpan<T, DB, true, false>(dstRow, r, x0, x1, g);
    if (!redAtEven && upperAtEven) PairSpan<T, DB, false, true>(dstRow, r, x0, x1, g);
    if (!redAtEven && !upperAtEven) PairSpan<T, DB, false, false>(dstRow, r, x0, x1, g);
}

// Interior columns [x0, x1) of a row (x0 even): the AVX2 span where it applies, pairs of
// pixels for gains in range, the general per-pixel code otherwise.
template <typename T>
void InteriorSpan(uint8_t* dstRow, int32_t dstBpp, const RowSet<T>& r, int32_t x0, int32_t x1,
                  Gains g, bool avx2, bool gainsInRange) {
    int32_t done = 0;
    if (avx2 && gainsInRange && x0 < x1) {
        if constexpr (sizeof(T) == 1) {
            done = demosaic::Span8Avx2(dstRow, dstBpp, r, x0, x1, g);
        } else {
            done = demosaic::Span16Avx2(dstRow, dstBpp, r, x0, x1, g);
        }
    }
    const int32_t from = x0 + done;
    constexpr int32_t kPacked = 3 * sizeof(T);
    if (gainsInRange && dstBpp == kPacked) {
        PairSpanOf<T, kPacked>(dstRow, r, from, x1, g);
    } else if (gainsInRange && dstBpp == 4 * int32_t{sizeof(T)}) {
        PairSpanOf<T, 4 * sizeof(T)>(dstRow, r, from, x1, g);
    } else {
        ScalarSpan(dstRow, dstBpp, r, from, x1, g, InteriorColumns{});
    }
}

struct Setup {
    KernelArgs args;
    int32_t phase;
    Gains gains;
    bool avx2;
    bool gainsInRange;  // 0 <= k <= kMaxVectorGain: the int32 and vector code apply
};

template <typename T>
bool Prepare(uint8_t* dstBits, const uint8_t* srcBits, const Rect& region, int32_t dstX,
             int32_t dstY, uint16_t dstBpp, uint16_t srcBpp, int32_t dstStride, int32_t srcStride,
             void* param, Setup& setup) {
    const auto* record = static_cast<const BayerGains*>(param);
    constexpr int32_t kSample = sizeof(T);
    if (record == nullptr || srcBpp != kSample || dstBpp < 3 * kSample) return false;
    setup.args =
        rows::MakeArgs(dstBits, srcBits, region, dstX, dstY, dstBpp, srcBpp, dstStride, srcStride);
    setup.phase = record->phase;
    setup.gains = Gains{GainFactor(record->redGain), GainFactor(record->blueGain)};
    const auto inVectorRange = [](int32_t k) { return k >= 0 && k <= demosaic::kMaxVectorGain; };
    setup.avx2 = UseAvx2();
    setup.gainsInRange = inVectorRange(setup.gains.red) && inVectorRange(setup.gains.blue);
    return true;
}

template <typename T>
int InteriorKernel(uint8_t* dstBits, const uint8_t* srcBits, const Rect& region, int32_t dstX,
                   int32_t dstY, uint16_t dstBpp, uint16_t srcBpp, int32_t dstStride,
                   int32_t srcStride, void* param) {
    Setup s;
    if (!Prepare<T>(dstBits, srcBits, region, dstX, dstY, dstBpp, srcBpp, dstStride, srcStride,
                    param, s)) {
        return 0;
    }
    const KernelArgs& a = s.args;
    for (int32_t y = kBorder; y < a.Rows() - kBorder; ++y) {
        const RowSet<T> r = MakeRowSet<T>(a, s.phase, y);
        InteriorSpan(a.DstRow(y), dstBpp, r, kBorder, a.Cols() - kBorder, s.gains, s.avx2,
                     s.gainsInRange);
    }
    return 1;
}

// Columns outside 2 .. width - 3, with substituted column indices.
template <typename T>
void EdgeColumnsOfRow(const KernelArgs& a, const RowSet<T>& r, int32_t y, Gains g) {
    const EdgeColumns col{a.Cols()};
    const int32_t leftEnd = std::min(kBorder, a.Cols());
    const int32_t rightStart = std::max(kBorder, a.Cols() - kBorder);
    ScalarSpan(a.DstRow(y), a.dstBpp, r, 0, leftEnd, g, col);
    ScalarSpan(a.DstRow(y), a.dstBpp, r, rightStart, a.Cols(), g, col);
}

// The strips: whole rows 0, 1, H - 2, H - 1 (their rows substituted, their inner columns by the
// interior span), then the two outer columns at each side of the other rows.
template <typename T>
int EdgeKernel(uint8_t* dstBits, const uint8_t* srcBits, const Rect& region, int32_t dstX,
               int32_t dstY, uint16_t dstBpp, uint16_t srcBpp, int32_t dstStride, int32_t srcStride,
               void* param) {
    Setup s;
    if (!Prepare<T>(dstBits, srcBits, region, dstX, dstY, dstBpp, srcBpp, dstStride, srcStride,
                    param, s)) {
        return 0;
    }
    const KernelArgs& a = s.args;
    const int32_t topEnd = std::min(kBorder, a.Rows());
    const int32_t bottomStart = std::max(kBorder, a.Rows() - kBorder);
    for (int32_t y = 0; y < a.Rows(); ++y) {
        const bool edgeRow = y < topEnd || y >= bottomStart;
        const RowSet<T> r = MakeRowSet<T>(a, s.phase, y);
        if (edgeRow) {
            InteriorSpan(a.DstRow(y), dstBpp, r, kBorder, a.Cols() - kBorder, s.gains, s.avx2,
                         s.gainsInRange);
        }
        EdgeColumnsOfRow(a, r, y, s.gains);
    }
    return 1;
}

}  // namespace

const PixelKernel Demosaic8 = &InteriorKernel<uint8_t>;
const PixelKernel Demosaic8Edges = &EdgeKernel<uint8_t>;
const PixelKernel Demosaic16 = &InteriorKernel<uint16_t>;
const PixelKernel Demosaic16Edges = &EdgeKernel<uint16_t>;

}  // namespace kelvra

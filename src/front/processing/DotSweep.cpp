#include "front/processing/DotSweep.h"

#include <algorithm>

#include "front/processing/SimdDispatch.h"

namespace kelvra::processing::dot {

namespace {

// Value + 1 of an unmarked pixel, or the tracker unchanged past a marked one. Masks rather than
// a condition: in a noisy frame marks are as likely as not, and a branch would mispredict.
template <class T>
inline uint32_t Track(uint32_t tracker, T mark, T value) {
    const uint32_t keep = 0u - static_cast<uint32_t>(mark != 0);
    return (tracker & keep) | ((uint32_t{value} + 1) & ~keep);
}

template <class T>
void SweepUp(const Planes<T>& p, SweepBuffers& b) {
    const auto w = static_cast<size_t>(p.width);
    std::fill(b.column.begin(), b.column.begin() + static_cast<int64_t>(w), 0u);
    for (int32_t y = p.height - 1; y >= 0; --y) {
        const T* mark = p.Dot(y);
        const T* value = p.Frame(y);
        uint32_t* below = b.below.data() + static_cast<size_t>(y) * w;
        uint32_t* tracker = b.column.data();
        for (size_t x = 0; x < w; ++x) {
            below[x] = tracker[x];
            tracker[x] = Track(tracker[x], mark[x], value[x]);
        }
    }
}

template <class T>
void SweepRow(const T* mark, const T* value, int32_t width, SweepBuffers& b) {
    uint32_t last = 0;
    for (int32_t x = 0; x < width; ++x) {
        b.left[x] = last;
        last = Track(last, mark[x], value[x]);
    }
    last = 0;
    for (int32_t x = width - 1; x >= 0; --x) {
        b.right[x] = last;
        last = Track(last, mark[x], value[x]);
    }
}

// Nearest-neighbour entries of one row (value + 1, 0 for none) and the row's pixels.
template <class T>
struct CombineRow {
    const T* mark;
    T* value;
    const uint32_t* left;
    const uint32_t* right;
    const uint32_t* above;
    const uint32_t* below;
    int32_t x0;
    int32_t x1;
};

// Each marked pixel becomes the truncated mean of the neighbours found; without any it stays.
// Branch-free so that it vectorises: a single-precision division truncates exactly here, since
// the sum is below 2^18 and a quotient by 1..4 that is not whole is at least 1/4 from one.
template <class T>
KELVRA_PROCESSING_INLINE void CombineBody(const CombineRow<T>& r) {
    const T* __restrict mark = r.mark;
    T* __restrict value = r.value;
    const uint32_t* __restrict left = r.left;
    const uint32_t* __restrict right = r.right;
    const uint32_t* __restrict above = r.above;
    const uint32_t* __restrict below = r.below;
    const int32_t x1 = r.x1;
    for (int32_t x = r.x0; x < x1; ++x) {
        const int32_t count = static_cast<int32_t>(left[x] != 0) + (right[x] != 0) +
                              (above[x] != 0) + (below[x] != 0);
        const auto sum = static_cast<int32_t>(left[x] + right[x] + above[x] + below[x]) - count;
        const int32_t none = count == 0;
        const auto mean =
            static_cast<int32_t>(static_cast<float>(sum) / static_cast<float>(count + none));
        // Masks, not conditions: a condition around the division keeps the loop scalar.
        const int32_t replace = -(static_cast<int32_t>(mark[x] != 0) & (none ^ 1));
        value[x] = static_cast<T>((mean & replace) | (int32_t{value[x]} & ~replace));
    }
}

template <class T>
void CombineBaseline(const CombineRow<T>& r) {
    CombineBody(r);
}

template <class T>
KELVRA_PROCESSING_AVX2 void CombineAvx2(const CombineRow<T>& r) {
    CombineBody(r);
}

template <class T>
void SweepDown(const Planes<T>& p, SweepBuffers& b) {
    const auto combine = UseAvx2() ? &CombineAvx2<T> : &CombineBaseline<T>;
    const auto w = static_cast<size_t>(p.width);
    std::fill(b.column.begin(), b.column.begin() + static_cast<int64_t>(w), 0u);
    for (int32_t y = 0; y < p.height; ++y) {
        const T* mark = p.Dot(y);
        T* value = p.Frame(y);
        uint32_t* above = b.column.data();
        if (y >= kMargin && y < p.height - kMargin) {
            SweepRow(mark, value, p.width, b);
            const uint32_t* below = b.below.data() + static_cast<size_t>(y) * w;
            combine({mark, value, b.left.data(), b.right.data(), above, below, kMargin,
                     p.width - kMargin});
        }
        // Marked pixels never update the tracker, so corrected values are never read.
        for (size_t x = 0; x < w; ++x) above[x] = Track(above[x], mark[x], value[x]);
    }
}

}  // namespace

template <class T>
void CorrectBySweeps(const Planes<T>& p, SweepBuffers& buffers) {
    const auto w = static_cast<size_t>(p.width);
    const size_t area = w * static_cast<size_t>(p.height);
    // Grow only: a frame after the largest one allocates nothing.
    if (buffers.below.size() < area) buffers.below.resize(area);
    if (buffers.column.size() < w) {
        buffers.column.resize(w);
        buffers.left.resize(w);
        buffers.right.resize(w);
    }
    SweepUp(p, buffers);
    SweepDown(p, buffers);
}

template void CorrectBySweeps<uint8_t>(const Planes<uint8_t>&, SweepBuffers&);
template void CorrectBySweeps<uint16_t>(const Planes<uint16_t>&, SweepBuffers&);

}  // namespace kelvra::processing::dot

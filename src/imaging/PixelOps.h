// Per-pixel operations run by the row drivers below (internal to the imaging layer). An
// operation reads one source pixel and writes one destination pixel; it declares the pixel
// sizes it needs and the (destination, source) sizes worth a compiled row loop.
#pragma once

#include <cstdint>

#include "imaging/KernelRows.h"

namespace kelvra::rows {

// Row loop with pixel sizes known at compile time, so the vectoriser sees the pattern.
template <class Op, int DB, int SB>
KELVRA_ALWAYS_INLINE void OpRowFixed(uint8_t* d, const uint8_t* s, int32_t n) {
    for (int32_t j = 0; j < n; ++j) Op::Apply(d + j * DB, s + j * SB);
}

template <class Op, int DB, int SB>
void OpRowBaseline(uint8_t* d, const uint8_t* s, int32_t n) {
    OpRowFixed<Op, DB, SB>(d, s, n);
}

template <class Op, int DB, int SB>
KELVRA_TARGET_AVX2 void OpRowAvx2(uint8_t* d, const uint8_t* s, int32_t n) {
    OpRowFixed<Op, DB, SB>(d, s, n);
}

template <class Op>
void OpRowAny(uint8_t* d, const uint8_t* s, int32_t n, int32_t db, int32_t sb) {
    for (int32_t j = 0; j < n; ++j) Op::Apply(d + int64_t{j} * db, s + int64_t{j} * sb);
}

using RowFn = void (*)(uint8_t*, const uint8_t*, int32_t);

// The compiled row loop for (db, sb) among the sizes Op lists, or null.
template <class Op, int DB, int SB, int... More>
RowFn PickOpRow(int32_t db, int32_t sb, bool avx2) {
    if (db == DB && sb == SB) return avx2 ? &OpRowAvx2<Op, DB, SB> : &OpRowBaseline<Op, DB, SB>;
    if constexpr (sizeof...(More) > 0) {
        return PickOpRow<Op, More...>(db, sb, avx2);
    } else {
        return nullptr;
    }
}

// Operations may offer an AVX2 run, VectorRun(d, s, n, dstBpp, srcBpp), that converts a
// leading part of a row and returns how many pixels it did.
template <class Op>
constexpr bool kHasVectorRun = requires(uint8_t* d, const uint8_t* s) {
    Op::VectorRun(d, s, 0, 0, 0);
};

// Applies Op to every pixel of the region, reading source rows bottom-up when flip is set.
// Sizes is the list of (destination, source) pixel sizes with compiled loops.
template <class Op, int... Sizes>
int RunPixelOp(const KernelArgs& a, bool flip, bool avx2) {
    if (a.dstBpp < Op::kDstBytes || a.srcBpp < Op::kSrcBytes) return 0;
    const RowFn fixed = PickOpRow<Op, Sizes...>(a.dstBpp, a.srcBpp, avx2);
    for (int32_t i = 0; i < a.Rows(); ++i) {
        uint8_t* d = a.DstRow(i);
        const uint8_t* s = a.SrcRow(i, flip);
        int32_t done = 0;
        if constexpr (kHasVectorRun<Op>) {
            if (avx2) done = Op::VectorRun(d, s, a.Cols(), a.dstBpp, a.srcBpp);
        }
        d += int64_t{done} * a.dstBpp;
        s += int64_t{done} * a.srcBpp;
        if (fixed != nullptr) {
            fixed(d, s, a.Cols() - done);
        } else {
            OpRowAny<Op>(d, s, a.Cols() - done, a.dstBpp, a.srcBpp);
        }
    }
    return 1;
}

}  // namespace kelvra::rows

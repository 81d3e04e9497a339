#include "imaging/ConversionKernels.h"

#include "imaging/ConversionAvx2.h"
#include "imaging/KernelRows.h"
#include "imaging/PixelOps.h"
#include "imaging/SimdLevel.h"

namespace kelvra {

namespace {

using rows::Load16;
using rows::Store16;

constexpr uint16_t kOpaque16 = 0xFFFF;

// mono16 -> mono8: the sample shifted right, low byte kept.
template <int Shift>
struct Mono16ToByte {
    static constexpr int kDstBytes = 1;
    static constexpr int kSrcBytes = 2;
    static void Apply(uint8_t* d, const uint8_t* s) {
        d[0] = static_cast<uint8_t>(Load16(s) >> Shift);
    }
};

// mono16 -> mono16: the sample shifted left, truncated to 16 bits.
template <int Shift>
struct Mono16Widen {
    static constexpr int kDstBytes = 2;
    static constexpr int kSrcBytes = 2;
    static void Apply(uint8_t* d, const uint8_t* s) {
        Store16(d, static_cast<uint16_t>(Load16(s) << Shift));
    }
};

// colour16 -> colour8: each of three samples shifted right, low byte kept.
template <int Shift>
struct Colour16ToByte {
    static constexpr int kDstBytes = 3;
    static constexpr int kSrcBytes = 6;
    static void Apply(uint8_t* d, const uint8_t* s) {
        for (int c = 0; c < 3; ++c) d[c] = static_cast<uint8_t>(Load16(s + 2 * c) >> Shift);
    }
    static int32_t VectorRun(uint8_t* d, const uint8_t* s, int32_t n, int32_t dstBpp,
                             int32_t srcBpp) {
        return convert::NarrowColour16Avx2(d, s, n, dstBpp, srcBpp, Shift);
    }
};

// colour16 -> colour16 (Samples 3) or 4 x 16-bit with an opaque fourth sample (Samples 4).
template <int Shift, bool Swap, int Samples>
struct Colour16Widen {
    static constexpr int kDstBytes = 2 * Samples;
    static constexpr int kSrcBytes = 6;
    static void Apply(uint8_t* d, const uint8_t* s) {
        const uint16_t first = Load16(s);
        const uint16_t second = Load16(s + 2);
        const uint16_t third = Load16(s + 4);
        Store16(d, static_cast<uint16_t>((Swap ? third : first) << Shift));
        Store16(d + 2, static_cast<uint16_t>(second << Shift));
        Store16(d + 4, static_cast<uint16_t>((Swap ? first : third) << Shift));
        if constexpr (Samples == 4) Store16(d + 6, kOpaque16);
    }
    static int32_t VectorRun(uint8_t* d, const uint8_t* s, int32_t n, int32_t dstBpp,
                             int32_t srcBpp) {
        return convert::WidenColour16Avx2(d, s, n, dstBpp, srcBpp, Shift, Swap, Samples == 4);
    }
};

constexpr int kGreyWeightRed = 30;
constexpr int kGreyWeightGreen = 59;
constexpr int kGreyWeightBlue = 11;
constexpr int kGreyWeightSum = 100;

struct BgrToGrey {
    static constexpr int kDstBytes = 1;
    static constexpr int kSrcBytes = 3;
    static void Apply(uint8_t* d, const uint8_t* s) {
        const int v = kGreyWeightRed * s[2] + kGreyWeightGreen * s[1] + kGreyWeightBlue * s[0];
        d[0] = static_cast<uint8_t>(v / kGreyWeightSum);
    }
    static int32_t VectorRun(uint8_t* d, const uint8_t* s, int32_t n, int32_t dstBpp,
                             int32_t srcBpp) {
        return convert::BgrToGreyAvx2(d, s, n, dstBpp, srcBpp);
    }
};

// One kernel per operation: Sizes lists the (destination, source) pixel sizes that get a
// compiled row loop; other sizes take the generic loop.
template <class Op, bool Flip, int... Sizes>
int OpKernel(uint8_t* dstBits, const uint8_t* srcBits, const Rect& region, int32_t dstX,
             int32_t dstY, uint16_t dstBpp, uint16_t srcBpp, int32_t dstStride, int32_t srcStride,
             void*) {
    const rows::KernelArgs a =
        rows::MakeArgs(dstBits, srcBits, region, dstX, dstY, dstBpp, srcBpp, dstStride, srcStride);
    return rows::RunPixelOp<Op, Sizes...>(a, Flip, UseAvx2());
}

template <class Op, bool Flip>
constexpr PixelKernel kMono = &OpKernel<Op, Flip, Op::kDstBytes, 2>;

template <class Op, bool Flip>
constexpr PixelKernel kColour16To8 = &OpKernel<Op, Flip, 3, 6, 4, 6, 3, 8, 4, 8>;

template <class Op>
constexpr PixelKernel kColour16 = &OpKernel<Op, false, 6, 6, 8, 8, 6, 8, 8, 6>;

template <class Op>
constexpr PixelKernel kColour16ToRgba = &OpKernel<Op, false, 8, 6, 8, 8>;

}  // namespace

const PixelKernel Mono10To8Flip = kMono<Mono16ToByte<2>, true>;
const PixelKernel Mono16To8 = kMono<Mono16ToByte<8>, false>;
const PixelKernel Mono12To8Flip = kMono<Mono16ToByte<4>, true>;
const PixelKernel Mono12To16 = kMono<Mono16Widen<4>, false>;
const PixelKernel Mono10To16 = kMono<Mono16Widen<6>, false>;
const PixelKernel Mono16To8Flip = kMono<Mono16ToByte<8>, true>;
const PixelKernel Bgr48To24From12 = kColour16To8<Colour16ToByte<4>, false>;
const PixelKernel Bgr48To24Flip = kColour16To8<Colour16ToByte<8>, true>;
const PixelKernel Rgb16Shift4 = kColour16<Colour16Widen<4, false, 3>>;
const PixelKernel Rgb16Shift4Swap = kColour16<Colour16Widen<4, true, 3>>;
const PixelKernel Rgb16Shift6 = kColour16<Colour16Widen<6, false, 3>>;
const PixelKernel Rgb16Shift6Swap = kColour16<Colour16Widen<6, true, 3>>;
const PixelKernel Rgba16Shift4 = kColour16ToRgba<Colour16Widen<4, false, 4>>;
const PixelKernel Rgba16Shift4Swap = kColour16ToRgba<Colour16Widen<4, true, 4>>;
const PixelKernel Rgba16Shift6 = kColour16ToRgba<Colour16Widen<6, false, 4>>;
const PixelKernel Rgba16Shift6Swap = kColour16ToRgba<Colour16Widen<6, true, 4>>;
const PixelKernel BgrToGray8 = &OpKernel<BgrToGrey, false, 1, 3, 1, 4>;

}  // namespace kelvra

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <random>

#include "PlaneTestUtil.h"
#include "imaging/CDibImage.h"
#include "imaging/KernelRunner.h"
#include "imaging/ScaleKernels.h"

namespace kelvra {
namespace {

using test::Plane;

int32_t Index(int32_t k, float scale, int32_t limit) {
    const float v = static_cast<float>(k) * scale;
    const int32_t t = (v >= 2147483648.0f || v <= -2147483649.0f) ? 0 : static_cast<int32_t>(v);
    return std::min(std::max(t, 0), limit - 1);
}

Plane Expected(const Plane& src, const Plane& dst, const Rect& s, const Rect& d, int bytes) {
    Plane out = dst;
    const float sx = static_cast<float>(s.right - s.left) / static_cast<float>(d.right - d.left);
    const float sy = static_cast<float>(s.bottom - s.top) / static_cast<float>(d.bottom - d.top);
    for (int32_t i = 0; i < d.bottom - d.top; ++i) {
        const int32_t row = s.bottom - 1 - Index(i, sy, src.height);
        for (int32_t j = 0; j < d.right - d.left; ++j) {
            const int32_t column = Index(j, sx, src.width);
            for (int b = 0; b < bytes; ++b)
                out.At(d.left + j, d.top + i)[b] = src.At(column, row)[b];
        }
    }
    return out;
}

int CallScale(ScaleKernel k, Plane& dst, const Plane& src, const Rect& d, const Rect& s) {
    return k(dst.bytes.data(), src.bytes.data(), d, s, Size32{dst.width, dst.height},
             Size32{src.width, src.height}, static_cast<uint16_t>(dst.bpp),
             static_cast<uint16_t>(src.bpp), dst.stride, src.stride, nullptr);
}

TEST(ScaleKernelTest, DownUpAndOddScalesFlipVertically) {
    std::mt19937 rng(81);
    struct Case {
        Size32 src;
        Size32 dst;
    };
    for (const Case& c :
         {Case{{1280, 16}, {640, 8}}, Case{{37, 9}, {101, 23}}, Case{{67, 11}, {67, 11}},
          Case{{101, 6}, {13, 5}}, Case{{5, 5}, {1, 1}}, Case{{3, 2}, {9000, 3}}}) {
        for (auto [dstBpp, srcBpp] : {std::pair{3, 3}, {4, 4}, {3, 4}, {1, 1}, {1, 3}}) {
            const ScaleKernel kernel = dstBpp == 1 ? ScaleMono8 : ScaleBgr24;
            Plane src(c.src.width, c.src.height, srcBpp);
            Plane dst(c.dst.width, c.dst.height, dstBpp);
            src.Randomize(rng);
            dst.Randomize(rng);
            const Plane expected =
                Expected(src, dst, src.Whole(), dst.Whole(), dstBpp == 1 ? 1 : 3);
            ASSERT_EQ(CallScale(kernel, dst, src, dst.Whole(), src.Whole()), 1);
            ASSERT_TRUE(test::SameBytes(dst, expected))
                << c.src.width << "x" << c.src.height << " -> " << c.dst.width << "x"
                << c.dst.height << " bpp " << dstBpp << " <- " << srcBpp;
        }
    }
}

TEST(ScaleKernelTest, SourceRectangleBottomAndDestinationRectangle) {
    std::mt19937 rng(82);
    Plane src(40, 30, 3);
    Plane dst(50, 40, 3);
    src.Randomize(rng);
    dst.Randomize(rng);
    const Rect s{0, 5, 33, 25};
    const Rect d{7, 3, 47, 31};
    const Plane expected = Expected(src, dst, s, d, 3);
    ASSERT_EQ(CallScale(ScaleBgr24, dst, src, d, s), 1);
    EXPECT_TRUE(test::SameBytes(dst, expected));
}

TEST(ScaleKernelTest, ThroughTheRunnerOnImages) {
    CDibImage src;
    CDibImage dst;
    ASSERT_EQ(src.Create(4, 4, 8), 1);
    ASSERT_EQ(dst.Create(2, 2, 8), 1);
    for (int32_t y = 0; y < 4; ++y) {
        for (int32_t x = 0; x < 4; ++x)
            src.Bits()[y * src.Stride() + x] = static_cast<uint8_t>(10 * y + x);
    }
    ASSERT_EQ(RunScaleKernel(dst, ScaleMono8, src, nullptr, nullptr, nullptr), 1);
    // Rows 3 and 1 (flipped), columns 0 and 2.
    EXPECT_EQ(dst.Bits()[0], 30);
    EXPECT_EQ(dst.Bits()[1], 32);
    EXPECT_EQ(dst.Bits()[dst.Stride()], 10);
    EXPECT_EQ(dst.Bits()[dst.Stride() + 1], 12);
}

}  // namespace
}  // namespace kelvra

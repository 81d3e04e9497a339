#include <gtest/gtest.h>

#include <cstdint>

#include "imaging/CDibImage.h"
#include "imaging/KernelRunner.h"

namespace kelvra {
namespace {

// Records what the runner passed.
struct Seen {
    int calls = 0;
    const uint8_t* dst = nullptr;
    const uint8_t* src = nullptr;
    Rect region{};
    int32_t dstX = 0;
    int32_t dstY = 0;
    uint16_t dstBpp = 0;
    uint16_t srcBpp = 0;
    int32_t dstStride = 0;
    int32_t srcStride = 0;
};

int RecordingKernel(uint8_t* dst, const uint8_t* src, const Rect& region, int32_t dstX,
                    int32_t dstY, uint16_t dstBpp, uint16_t srcBpp, int32_t dstStride,
                    int32_t srcStride, void* param) {
    auto* seen = static_cast<Seen*>(param);
    *seen =
        Seen{seen->calls + 1, dst, src, region, dstX, dstY, dstBpp, srcBpp, dstStride, srcStride};
    return 42;
}

bool SameRect(const Rect& a, const Rect& b) {
    return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
}

TEST(RunKernelTest, WholeImageStaysWholeAndPassesGeometry) {
    CDibImage dst;
    CDibImage src;
    ASSERT_EQ(dst.Create(7, 5, 24), 1);
    ASSERT_EQ(src.Create(7, 5, 16), 1);
    Seen seen;
    EXPECT_EQ(RunKernel(dst, &RecordingKernel, src, nullptr, 0, 0, &seen), 42);
    EXPECT_EQ(seen.calls, 1);
    EXPECT_TRUE(SameRect(seen.region, Rect{0, 0, 7, 5}));
    EXPECT_EQ(seen.dstX, 0);
    EXPECT_EQ(seen.dstY, 0);
    EXPECT_EQ(seen.dst, dst.Bits());
    EXPECT_EQ(seen.src, src.Bits());
    EXPECT_EQ(seen.dstBpp, 3);
    EXPECT_EQ(seen.srcBpp, 2);
    EXPECT_EQ(seen.dstStride, 24);
    EXPECT_EQ(seen.srcStride, 16);
}

TEST(RunKernelTest, RegionOutsideEitherImageDoesNotCallTheKernel) {
    CDibImage dst;
    CDibImage src;
    ASSERT_EQ(dst.Create(10, 10, 8), 1);
    ASSERT_EQ(src.Create(10, 10, 8), 1);
    Seen seen;
    const Rect outsideSource{20, 0, 30, 5};
    EXPECT_EQ(RunKernel(dst, &RecordingKernel, src, &outsideSource, 0, 0, &seen), 0);
    EXPECT_EQ(RunKernel(dst, &RecordingKernel, src, nullptr, 10, 0, &seen), 0);
    EXPECT_EQ(RunKernel(dst, &RecordingKernel, src, nullptr, 0, -10, &seen), 0);
    const Rect empty{3, 3, 3, 8};
    EXPECT_EQ(RunKernel(dst, &RecordingKernel, src, &empty, 0, 0, &seen), 0);
    const Rect inverted{5, 5, 2, 8};
    EXPECT_EQ(RunKernel(dst, &RecordingKernel, src, &inverted, 0, 0, &seen), 0);
    EXPECT_EQ(seen.calls, 0);
    EXPECT_EQ(RunKernel(dst, nullptr, src, nullptr, 0, 0, &seen), 0);
    CDibImage none;
    EXPECT_EQ(RunKernel(none, &RecordingKernel, src, nullptr, 0, 0, &seen), 0);
    EXPECT_EQ(seen.calls, 0);
}

TEST(ClipKernelRegionTest, FailureEmptiesRegionAndOrigin) {
    Rect region{0, 0, 4, 4};
    int32_t x = 50;
    int32_t y = 60;
    EXPECT_FALSE(ClipKernelRegion({10, 10}, {10, 10}, region, x, y));
    EXPECT_TRUE(SameRect(region, Rect{0, 0, 0, 0}));
    EXPECT_EQ(x, 0);
    EXPECT_EQ(y, 0);
}

TEST(ClipKernelRegionTest, RowsAreRenumberedFromTheBottom) {
    // Rows 2..5 of a 20-row source land at row 3 of a 30-row destination: in bottom-up terms
    // the source covers rows 14..17 and the destination block ends at row 7 from the top.
    Rect region{1, 2, 4, 6};
    int32_t x = 5;
    int32_t y = 3;
    ASSERT_TRUE(ClipKernelRegion({40, 30}, {10, 20}, region, x, y));
    EXPECT_TRUE(SameRect(region, Rect{1, 14, 4, 18}));
    EXPECT_EQ(x, 5);
    EXPECT_EQ(y, 30 - 7);
}

TEST(ClipKernelRegionTest, DestinationOverhangShrinksTheSource) {
    // 6 x 6 region at (-2, 7) on a 10 x 10 destination: 2 columns are cut on the left and
    // 3 rows at the bottom.
    Rect region{0, 0, 6, 6};
    int32_t x = -2;
    int32_t y = 7;
    ASSERT_TRUE(ClipKernelRegion({10, 10}, {20, 20}, region, x, y));
    // Source kept: columns 2..5, rows 0..2; bottom-up rows 17..19.
    EXPECT_TRUE(SameRect(region, Rect{2, 17, 6, 20}));
    EXPECT_EQ(x, 0);
    EXPECT_EQ(y, 10 - 10);
}

TEST(ClipKernelRegionTest, NegativeSourceOriginShiftsTheDestinationBack) {
    // Source rectangle from (-3, -1): the cut-off part moves the destination right and down.
    Rect region{-3, -1, 4, 5};
    int32_t x = 1;
    int32_t y = 2;
    ASSERT_TRUE(ClipKernelRegion({20, 20}, {10, 10}, region, x, y));
    // Source kept: columns 0..3, rows 0..4 (bottom-up rows 5..9); destination from (4, 3),
    // 5 rows, ending at row 8.
    EXPECT_TRUE(SameRect(region, Rect{0, 5, 4, 10}));
    EXPECT_EQ(x, 4);
    EXPECT_EQ(y, 20 - 8);
}

TEST(ClipKernelRegionTest, SourceOverhangOnTheRightShrinksBoth) {
    Rect region{6, 0, 14, 3};
    int32_t x = 0;
    int32_t y = 0;
    ASSERT_TRUE(ClipKernelRegion({20, 20}, {10, 10}, region, x, y));
    EXPECT_TRUE(SameRect(region, Rect{6, 7, 10, 10}));
    EXPECT_EQ(x, 0);
    EXPECT_EQ(y, 20 - 3);
}

TEST(ClipKernelRegionTest, ExtremeCoordinatesDoNotOverflow) {
    Rect region{INT32_MIN, INT32_MIN, INT32_MAX, INT32_MAX};
    int32_t x = INT32_MAX;
    int32_t y = INT32_MIN;
    EXPECT_FALSE(ClipKernelRegion({10, 10}, {10, 10}, region, x, y));
    Rect whole{INT32_MIN, INT32_MIN, INT32_MAX, INT32_MAX};
    int32_t x0 = INT32_MIN;
    int32_t y0 = INT32_MIN;
    ASSERT_TRUE(ClipKernelRegion({10, 10}, {10, 10}, whole, x0, y0));
    EXPECT_TRUE(SameRect(whole, Rect{0, 0, 10, 10}));
    EXPECT_EQ(x0, 0);
    EXPECT_EQ(y0, 0);
}

int ScaleRecorder(uint8_t*, const uint8_t*, const Rect& dstRect, const Rect& srcRect, Size32,
                  Size32, uint16_t, uint16_t, int32_t, int32_t, void* param) {
    auto* seen = static_cast<Seen*>(param);
    ++seen->calls;
    seen->region = srcRect;
    seen->dstX = dstRect.right;
    return 1;
}

TEST(RunScaleKernelTest, DefaultsToWholeImagesAndRefusesRectanglesOutside) {
    CDibImage dst;
    CDibImage src;
    ASSERT_EQ(dst.Create(8, 6, 24), 1);
    ASSERT_EQ(src.Create(16, 12, 24), 1);
    Seen seen;
    EXPECT_EQ(RunScaleKernel(dst, &ScaleRecorder, src, nullptr, nullptr, &seen), 1);
    EXPECT_TRUE(SameRect(seen.region, Rect{0, 0, 16, 12}));
    EXPECT_EQ(seen.dstX, 8);
    const Rect beyond{0, 0, 17, 12};
    const Rect empty{2, 2, 2, 5};
    EXPECT_EQ(RunScaleKernel(dst, &ScaleRecorder, src, &beyond, nullptr, &seen), 0);
    EXPECT_EQ(RunScaleKernel(dst, &ScaleRecorder, src, nullptr, &beyond, &seen), 0);
    EXPECT_EQ(RunScaleKernel(dst, &ScaleRecorder, src, &empty, nullptr, &seen), 0);
    EXPECT_EQ(RunScaleKernel(dst, nullptr, src, nullptr, nullptr, &seen), 0);
    EXPECT_EQ(seen.calls, 1);
}

}  // namespace
}  // namespace kelvra

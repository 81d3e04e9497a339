#include <gtest/gtest.h>

#include "ProcessingTestSupport.h"
#include "front/processing/SoftwareMirror.h"

namespace kelvra::processing::test {
namespace {

using MirrorTest = SimdTest;

// Each pixel holds a value made from its position, so any misplaced pixel shows.
uint32_t Tag(int32_t x, int32_t y, bool wide) {
    return wide ? static_cast<uint32_t>(y * 300 + x) : static_cast<uint32_t>((y * 37 + x) & 0xFF);
}

TEST_P(MirrorTest, HorizontalVerticalAndBothInEachDepth) {
    SoftwareMirror mirror;
    for (int32_t bits : {8, 16}) {
        const bool wide = bits == 16;
        for (int32_t width : {1, 37, 67}) {
            for (int32_t height : {1, 4, 5}) {  // a middle row, or none
                for (int flags = 1; flags <= 3; ++flags) {
                    const bool h = (flags & 1) != 0;
                    const bool v = (flags & 2) != 0;
                    auto im = MakeImage(width, height, bits);
                    for (int32_t y = 0; y < height; ++y) {
                        for (int32_t x = 0; x < width; ++x) Set(*im, x, y, Tag(x, y, wide));
                    }
                    ASSERT_TRUE(mirror.Apply(*im, h, v));
                    for (int32_t y = 0; y < height; ++y) {
                        for (int32_t x = 0; x < width; ++x) {
                            const int32_t sx = h ? width - 1 - x : x;
                            const int32_t sy = v ? height - 1 - y : y;
                            ASSERT_EQ(Get(*im, x, y), Tag(sx, sy, wide))
                                << bits << " bits, width " << width << ", h " << h << ", v " << v
                                << " at " << x << "," << y;
                        }
                    }
                }
            }
        }
    }
}

TEST_P(MirrorTest, NothingAskedOrUnsupportedDepthLeavesTheImage) {
    SoftwareMirror mirror;
    auto im = MakeImage(9, 4, 8);
    Set(*im, 0, 0, 42);
    EXPECT_FALSE(mirror.Apply(*im, false, false));
    EXPECT_EQ(Get(*im, 0, 0), 42u);
    auto colour = MakeImage(9, 4, 24);
    Set(*colour, 0, 0, 42);
    EXPECT_FALSE(mirror.Apply(*colour, true, true));
    EXPECT_EQ(Get(*colour, 0, 0), 42u);
    CDibImage empty;
    EXPECT_FALSE(mirror.Apply(empty, true, false));
}

// The spare row is kept between frames; a larger frame after a smaller one must still be whole.
TEST_P(MirrorTest, ReusedCopyFollowsAGrowingFrame) {
    SoftwareMirror mirror;
    auto small = MakeImage(4, 2, 8, 1);
    ASSERT_TRUE(mirror.Apply(*small, true, false));
    auto large = MakeImage(300, 200, 16);
    for (int32_t y = 0; y < 200; ++y) {
        for (int32_t x = 0; x < 300; ++x) Set(*large, x, y, Tag(x, y, true));
    }
    ASSERT_TRUE(mirror.Apply(*large, false, true));
    EXPECT_EQ(Get(*large, 0, 0), Tag(0, 199, true));
    EXPECT_EQ(Get(*large, 299, 199), Tag(299, 0, true));
}

KELVRA_PROCESSING_SIMD_SUITE(MirrorTest);

}  // namespace
}  // namespace kelvra::processing::test

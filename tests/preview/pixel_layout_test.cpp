#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "platform/preview/PixelLayout.h"

namespace kelvra::platform::preview {
namespace {

constexpr int kCount = 37;  // odd, so no loop can assume pairs
constexpr uint8_t kGuard = 0xA5;

// The stored bytes of one pixel, computed the plain way.
std::vector<uint8_t> Reference(const PixelLayout& layout, uint8_t r, uint8_t g, uint8_t b) {
    const uint32_t value = (uint32_t{r} << layout.redShift) | (uint32_t{g} << layout.greenShift) |
                           (uint32_t{b} << layout.blueShift);
    std::vector<uint8_t> bytes(layout.bytesPerPixel);
    for (int i = 0; i < layout.bytesPerPixel; ++i) {
        const int shift = 8 * (layout.msbFirst ? layout.bytesPerPixel - 1 - i : i);
        bytes[i] = static_cast<uint8_t>(value >> shift);
    }
    return bytes;
}

void ExpectPacksLikeReference(const PixelLayout& layout) {
    std::vector<uint8_t> gray(kCount), bgr(3 * kCount);
    for (int i = 0; i < kCount; ++i) {
        gray[i] = static_cast<uint8_t>(i * 7 + 3);
        bgr[3 * i] = static_cast<uint8_t>(i);
        bgr[3 * i + 1] = static_cast<uint8_t>(100 + i);
        bgr[3 * i + 2] = static_cast<uint8_t>(250 - i);
    }
    const size_t size = static_cast<size_t>(kCount) * layout.bytesPerPixel;
    std::vector<uint8_t> grayOut(size + 4, kGuard), bgrOut(size + 4, kGuard);
    PackGray8Row(layout, gray.data(), grayOut.data(), kCount);
    PackBgr24Row(layout, bgr.data(), bgrOut.data(), kCount);
    for (int i = 0; i < kCount; ++i) {
        const auto grayWant = Reference(layout, gray[i], gray[i], gray[i]);
        const auto bgrWant = Reference(layout, bgr[3 * i + 2], bgr[3 * i + 1], bgr[3 * i]);
        for (int k = 0; k < layout.bytesPerPixel; ++k) {
            ASSERT_EQ(grayOut[i * layout.bytesPerPixel + k], grayWant[k]) << "pixel " << i;
            ASSERT_EQ(bgrOut[i * layout.bytesPerPixel + k], bgrWant[k]) << "pixel " << i;
        }
    }
    for (size_t k = size; k < size + 4; ++k) {
        EXPECT_EQ(grayOut[k], kGuard) << "wrote past the row";
        EXPECT_EQ(bgrOut[k], kGuard) << "wrote past the row";
    }
}

TEST(PixelLayout, AcceptsTrueColourOf24And32BitsInBothByteOrders) {
    for (const int bits : {24, 32}) {
        for (const bool msb : {false, true}) {
            const auto rgb = PixelLayout::FromMasks(0xff0000, 0xff00, 0xff, bits, msb);
            ASSERT_TRUE(rgb.has_value());
            EXPECT_EQ(rgb->bytesPerPixel, bits / 8);
            EXPECT_EQ(rgb->redShift, 16);
            EXPECT_EQ(rgb->blueShift, 0);
            ExpectPacksLikeReference(*rgb);
            const auto bgr = PixelLayout::FromMasks(0xff, 0xff00, 0xff0000, bits, msb);
            ASSERT_TRUE(bgr.has_value());
            EXPECT_EQ(bgr->redShift, 0);
            ExpectPacksLikeReference(*bgr);
        }
    }
    const auto high = PixelLayout::FromMasks(0xff000000, 0xff0000, 0xff00, 32, false);
    ASSERT_TRUE(high.has_value());
    ExpectPacksLikeReference(*high);
}

TEST(PixelLayout, RefusesFormatsThePackersCannotServe) {
    EXPECT_FALSE(PixelLayout::FromMasks(0xf800, 0x07e0, 0x001f, 16, false));  // 5-6-5
    EXPECT_FALSE(PixelLayout::FromMasks(0xff0000, 0xff00, 0xff, 16, false));
    EXPECT_FALSE(PixelLayout::FromMasks(0x3ff00000, 0xffc00, 0x3ff, 32, false));  // 10 bits
    EXPECT_FALSE(PixelLayout::FromMasks(0xff000000, 0xff0000, 0xff00, 24, false));
    EXPECT_FALSE(PixelLayout::FromMasks(0, 0xff00, 0xff, 32, false));
}

}  // namespace
}  // namespace kelvra::platform::preview

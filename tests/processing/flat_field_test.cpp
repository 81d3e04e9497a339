#include <gtest/gtest.h>

#include <algorithm>
#include <numeric>

#include "ProcessingTestSupport.h"
#include "front/processing/FlatField.h"

namespace kelvra::processing::test {
namespace {

// The correction as written, in 64-bit integers (C++ division truncates toward zero).
uint32_t Expected8(int64_t p, int64_t d, int64_t w) {
    if (w == d) return static_cast<uint32_t>(p);
    return static_cast<uint32_t>(std::clamp<int64_t>((p - d) * 256 / (w - d), 0, 255));
}

uint32_t Expected16(int64_t p, int64_t d, int64_t w) {
    if (!(d < w)) return static_cast<uint32_t>(p);
    return static_cast<uint32_t>(std::clamp<int64_t>((p - d) * 4096 / (w - d), 0, 4095));
}

// A fresh corrector per call: every call meets references it has not seen before.
bool FlatField8(CDibImage& raw, const CDibImage& dark, const CDibImage& white,
                const FlatFieldWindow& window) {
    FlatField corrector;
    return corrector.Correct8(raw, dark, white, window);
}
bool FlatField16(CDibImage& raw, const CDibImage& dark, const CDibImage& white,
                 const FlatFieldWindow& window) {
    FlatField corrector;
    return corrector.Correct16(raw, dark, white, window);
}

using FlatField8Test = SimdTest;
using FlatField16Test = SimdTest;

// Every frame value against every white value for a spread of dark values, including W < D
// (negative divisors) and W == D.
TEST_P(FlatField8Test, MatchesIntegerArithmeticForAllValues) {
    auto raw = MakeImage(256, 256, 8);
    auto dark = MakeImage(256, 256, 8);
    auto white = MakeImage(256, 256, 8);
    for (int32_t y = 0; y < 256; ++y) {
        for (int32_t x = 0; x < 256; ++x) Set(*white, x, y, static_cast<uint32_t>(y));
    }
    for (uint32_t d : {0u, 1u, 2u, 3u, 17u, 100u, 127u, 128u, 129u, 200u, 253u, 254u, 255u}) {
        Fill(*dark, d);
        for (int32_t y = 0; y < 256; ++y) {
            for (int32_t x = 0; x < 256; ++x) Set(*raw, x, y, static_cast<uint32_t>(x));
        }
        ASSERT_TRUE(FlatField8(*raw, *dark, *white, {256, 256, 0, 0}));
        for (int32_t y = 0; y < 256; ++y) {
            for (int32_t x = 0; x < 256; ++x) {
                ASSERT_EQ(Get(*raw, x, y), Expected8(x, d, y))
                    << "P " << x << " D " << d << " W " << y;
            }
        }
    }
}

TEST_P(FlatField8Test, DefaultReferencesLeaveTheFrameUnchanged) {
    auto raw = MakeImage(1280, 1024, 8);
    std::mt19937 rng(1);
    FillRandom(*raw, rng, 255);
    const auto before = Bytes(*raw);
    auto dark = MakeImage(1280, 1024, 8);
    auto white = MakeImage(1280, 1024, 8, 255);
    ASSERT_TRUE(FlatField8(*raw, *dark, *white, {1280, 1024, 0, 0}));
    EXPECT_EQ(Bytes(*raw), before);
}

TEST_P(FlatField8Test, WindowOffsetReadsReferencesAtTheOffset) {
    auto raw = MakeImage(37, 21, 8, 100);
    auto dark = MakeImage(1280, 1024, 8);
    auto white = MakeImage(1280, 1024, 8, 255);
    // Only reference pixel (EHS + 5, EVS + 3) is different.
    Set(*dark, 300 + 5, 200 + 3, 50);
    Set(*white, 300 + 5, 200 + 3, 150);
    ASSERT_TRUE(FlatField8(*raw, *dark, *white, {37, 21, 300, 200}));
    for (int32_t y = 0; y < 21; ++y) {
        for (int32_t x = 0; x < 37; ++x) {
            const uint32_t expected = (x == 5 && y == 3) ? 128 : Expected8(100, 0, 255);
            ASSERT_EQ(Get(*raw, x, y), expected) << x << "," << y;
        }
    }
}

TEST_P(FlatField8Test, NegativeSpanTruncatesTowardZeroAndClamps) {
    auto raw = MakeImage(3, 1, 8);
    auto dark = MakeImage(3, 1, 8, 200);
    auto white = MakeImage(3, 1, 8, 100);
    Set(*raw, 0, 0, 150);  // -50 * 256 / -100 = 128
    Set(*raw, 1, 0, 250);  // 50 * 256 / -100 = -128 -> 0
    Set(*raw, 2, 0, 199);  // -256 / -100 = 2.56 -> 2
    ASSERT_TRUE(FlatField8(*raw, *dark, *white, {3, 1, 0, 0}));
    EXPECT_EQ(Get(*raw, 0, 0), 128u);
    EXPECT_EQ(Get(*raw, 1, 0), 0u);
    EXPECT_EQ(Get(*raw, 2, 0), 2u);
}

TEST_P(FlatField8Test, WindowIsClippedToFrameAndReferences) {
    auto raw = MakeImage(40, 30, 8, 100);
    auto dark = MakeImage(1280, 1024, 8, 50);
    auto white = MakeImage(1280, 1024, 8, 150);
    // The window asks for more than the frame, and runs off the references' right edge.
    ASSERT_TRUE(FlatField8(*raw, *dark, *white, {1280, 1024, 1260, 1000}));
    EXPECT_EQ(Get(*raw, 19, 23), 128u);
    EXPECT_EQ(Get(*raw, 20, 23), 100u);  // beyond reference column 1279: untouched
    EXPECT_EQ(Get(*raw, 19, 24), 100u);  // beyond reference row 1023
    EXPECT_FALSE(FlatField8(*raw, *dark, *white, {40, 30, -1, 0}));
    EXPECT_FALSE(FlatField8(*raw, *dark, *white, {40, 30, 1280, 0}));
}

TEST_P(FlatField8Test, RefusesImagesOfAnotherDepth) {
    auto raw = MakeImage(8, 8, 16, 100);
    auto dark = MakeImage(8, 8, 8);
    auto white = MakeImage(8, 8, 8, 255);
    EXPECT_FALSE(FlatField8(*raw, *dark, *white, {8, 8, 0, 0}));
    EXPECT_EQ(Get(*raw, 1, 1), 100u);
}

// k with k * s = 1 (mod 4096), for odd s.
uint32_t InverseMod4096(uint32_t s) {
    for (uint32_t k = 1; k < 4096; k += 2) {
        if ((k * s) % 4096 == 1) return k;
    }
    return 1;
}

// Random values over the whole 16-bit range in the lower half; in the upper half quotients
// k - 1/s just below a whole number, where a single-precision estimate of a 28-bit numerator
// rounds up to k and only the remainder check keeps the result exact.
TEST_P(FlatField16Test, MatchesIntegerArithmetic) {
    const int32_t w = 1021;
    const int32_t h = 64;
    auto raw = MakeImage(w, h, 16);
    auto dark = MakeImage(w, h, 16);
    auto white = MakeImage(w, h, 16);
    std::mt19937 rng(5);
    FillRandom(*raw, rng, 65535);
    FillRandom(*dark, rng, 65535);
    FillRandom(*white, rng, 65535);
    std::uniform_int_distribution<uint32_t> dark12(0, 4095);
    std::uniform_int_distribution<uint32_t> span(4097, 61439);
    for (int32_t y = h / 2; y < h; ++y) {
        for (int32_t x = 0; x < w; ++x) {
            const uint32_t d = dark12(rng);
            const uint32_t s = span(rng) | 1;
            const uint32_t k = InverseMod4096(s);
            Set(*dark, x, y, d);
            Set(*white, x, y, d + s);
            Set(*raw, x, y, d + (k * s - 1) / 4096);
        }
    }
    std::vector<uint32_t> p(static_cast<size_t>(w) * h);
    for (int32_t y = 0; y < h; ++y) {
        for (int32_t x = 0; x < w; ++x) p[static_cast<size_t>(y) * w + x] = Get(*raw, x, y);
    }
    ASSERT_TRUE(FlatField16(*raw, *dark, *white, {w, h, 0, 0}));
    for (int32_t y = 0; y < h; ++y) {
        for (int32_t x = 0; x < w; ++x) {
            const uint32_t pv = p[static_cast<size_t>(y) * w + x];
            ASSERT_EQ(Get(*raw, x, y), Expected16(pv, Get(*dark, x, y), Get(*white, x, y)))
                << "P " << pv << " D " << Get(*dark, x, y) << " W " << Get(*white, x, y);
        }
    }
}

TEST_P(FlatField16Test, ResultStaysTwelveBitAndEmptySpanUnchanged) {
    auto raw = MakeImage(5, 1, 16);
    auto dark = MakeImage(5, 1, 16, 100);
    auto white = MakeImage(5, 1, 16, 4095);
    Set(*white, 3, 0, 100);  // W == D
    Set(*white, 4, 0, 50);   // W < D
    const uint32_t values[5] = {2097, 4095, 50, 3000, 3000};
    for (int32_t x = 0; x < 5; ++x) Set(*raw, x, 0, values[x]);
    ASSERT_TRUE(FlatField16(*raw, *dark, *white, {5, 1, 0, 0}));
    EXPECT_EQ(Get(*raw, 0, 0), (2097u - 100) * 4096 / 3995);
    EXPECT_EQ(Get(*raw, 1, 0), 4095u);  // full white: clamped to the 12-bit maximum
    EXPECT_EQ(Get(*raw, 2, 0), 0u);     // below dark: negative, clamped to 0
    EXPECT_EQ(Get(*raw, 3, 0), 3000u);
    EXPECT_EQ(Get(*raw, 4, 0), 3000u);
}

TEST_P(FlatField16Test, WindowOffsetReadsReferencesAtTheOffset) {
    auto raw = MakeImage(9, 7, 16, 1000);
    auto dark = MakeImage(1280, 1024, 16);
    auto white = MakeImage(1280, 1024, 16, 4095);
    Set(*dark, 640 + 8, 512 + 6, 1000);
    Set(*white, 640 + 8, 512 + 6, 3000);
    ASSERT_TRUE(FlatField16(*raw, *dark, *white, {9, 7, 640, 512}));
    EXPECT_EQ(Get(*raw, 8, 6), 0u);
    EXPECT_EQ(Get(*raw, 0, 0), Expected16(1000, 0, 4095));
}

// Every 12-bit span (column s - 1 has W - D = s) with the numerators where a quotient is
// whole or just below a whole number, where an estimate is most easily one off, and frame
// values beyond both references.
TEST_P(FlatField16Test, EveryTwelveBitSpanMatchesIntegerArithmetic) {
    constexpr int32_t kSpans = 4095;
    constexpr int32_t kRows = 9;
    auto raw = MakeImage(kSpans, kRows, 16);
    auto dark = MakeImage(kSpans, kRows, 16);
    auto white = MakeImage(kSpans, kRows, 16);
    for (int32_t x = 0; x < kSpans; ++x) {
        const uint32_t s = static_cast<uint32_t>(x) + 1;
        const uint32_t d = (x * 7u) % (4096 - s);
        // a with 4096 a a multiple of s (gcd steps), the one before it, and the extremes.
        const uint32_t step = s / std::gcd(s, 4096u);
        const uint32_t whole = std::min(s, step * (1 + x % 5));
        const uint32_t as[kRows] = {0, 1, s - 1, s, whole, whole - 1, s / 2, s + 300, 0};
        for (int32_t y = 0; y < kRows; ++y) {
            Set(*dark, x, y, d);
            Set(*white, x, y, d + s);
            // The last row lies below the dark reference.
            Set(*raw, x, y, y == kRows - 1 ? d / 2 : std::min(d + as[y], 65535u));
        }
    }
    const auto before = Bytes(*raw);
    ASSERT_TRUE(FlatField16(*raw, *dark, *white, {kSpans, kRows, 0, 0}));
    for (int32_t y = 0; y < kRows; ++y) {
        for (int32_t x = 0; x < kSpans; ++x) {
            const size_t at = static_cast<size_t>(y) * raw->Stride() + 2 * static_cast<size_t>(x);
            const uint32_t p = before[at] | (before[at + 1] << 8);
            ASSERT_EQ(Get(*raw, x, y), Expected16(p, Get(*dark, x, y), Get(*white, x, y)))
                << "P " << p << " D " << Get(*dark, x, y) << " W " << Get(*white, x, y);
        }
    }
}

// One corrector kept over frames, as frame processing keeps it: replaced references, another
// pair of references, and references beyond 12 bits (divided instead) all take effect at once.
TEST_P(FlatField16Test, AKeptCorrectorFollowsReplacedReferences) {
    auto dark = MakeImage(64, 4, 16, 100);
    auto white = MakeImage(64, 4, 16, 2148);  // span 2048: 1124 -> 2048
    auto otherWhite = MakeImage(64, 4, 16, 1124);
    FlatField corrector;
    const auto frame = [&](const CDibImage& w) {
        auto raw = MakeImage(64, 4, 16, 1124);
        EXPECT_TRUE(corrector.Correct16(*raw, *dark, w, {64, 4, 0, 0}));
        return Get(*raw, 63, 3);
    };
    EXPECT_EQ(frame(*white), 2048u);
    Fill(*white, 612);  // span 512: 1124 - 100 = 1024 -> 8192, clamped
    white->MarkChanged();
    EXPECT_EQ(frame(*white), 4095u);
    EXPECT_EQ(frame(*otherWhite), 4095u);  // span 1024 exactly: 4096, clamped
    Fill(*otherWhite, 40000);              // a span beyond 12 bits
    otherWhite->MarkChanged();
    EXPECT_EQ(frame(*otherWhite), Expected16(1124, 100, 40000));
    Fill(*white, 3172);  // back to 12 bits: span 3072
    white->MarkChanged();
    EXPECT_EQ(frame(*white), Expected16(1124, 100, 3172));
}

KELVRA_PROCESSING_SIMD_SUITE(FlatField8Test);
KELVRA_PROCESSING_SIMD_SUITE(FlatField16Test);

}  // namespace
}  // namespace kelvra::processing::test

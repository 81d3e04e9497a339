#include <gtest/gtest.h>

#include "ProcessingTestSupport.h"
#include "front/processing/DotFilter.h"

namespace kelvra::processing::test {
namespace {

// The filter as written: detection over the whole range first, then correction judged by the
// dot map, one pixel at a time and without shortcuts.
struct Reference {
    std::vector<uint8_t> marks;

    void Run(CDibImage& frame, const CDibImage& darkMap, const CDibImage& whiteMap,
             int32_t threshold) {
        const int32_t w = frame.Width();
        const int32_t h = frame.Height();
        marks.assign(static_cast<size_t>(w) * h, 0);
        auto marked = [&](int32_t x, int32_t y) { return marks[static_cast<size_t>(y) * w + x]; };
        for (int32_t y = 4; y <= h - 5; ++y) {
            for (int32_t x = 4; x <= w - 5; ++x) {
                const int32_t sum =
                    static_cast<int32_t>(Get(frame, x - 1, y) + Get(frame, x + 1, y) +
                                         Get(frame, x, y - 1) + Get(frame, x, y + 1));
                const int32_t diff = static_cast<int32_t>(Get(frame, x, y)) - sum / 4;
                const bool known = Get(darkMap, x, y) != 0 || Get(whiteMap, x, y) != 0;
                if (known || std::abs(diff) >= threshold) marks[static_cast<size_t>(y) * w + x] = 1;
            }
        }
        for (int32_t y = 4; y <= h - 5; ++y) {
            for (int32_t x = 4; x <= w - 5; ++x) {
                if (!marked(x, y)) continue;
                uint32_t sum = 0, count = 0;
                const int32_t steps[4][2] = {{-1, 0}, {1, 0}, {0, -1}, {0, 1}};
                for (const auto& st : steps) {
                    for (int32_t cx = x + st[0], cy = y + st[1];
                         cx >= 0 && cx < w && cy >= 0 && cy < h; cx += st[0], cy += st[1]) {
                        if (!marked(cx, cy)) {
                            sum += Get(frame, cx, cy);
                            ++count;
                            break;
                        }
                    }
                }
                if (count != 0) Set(frame, x, y, sum / count);
            }
        }
    }
};

struct DotCase {
    int32_t bits;
    int32_t threshold;
    uint32_t level;  // flat background
    uint32_t hot;
};

class DotFilterTest : public SimdTest {
  protected:
    DotFilterTest() : bank(64, 48) {}

    void Use(int32_t bits) {
        wide = bits == 16;
        frame = wide ? bank.raw16.get() : bank.raw8.get();
    }
    DotFilterImages Images() {
        if (wide) {
            return {frame, bank.darkDefects16.get(), bank.whiteDefects16.get(),
                    bank.dotMap16.get()};
        }
        return {frame, bank.darkDefects8.get(), bank.whiteDefects8.get(), bank.dotMap8.get()};
    }
    CDibImage& DotMap() { return wide ? *bank.dotMap16 : *bank.dotMap8; }
    std::unique_ptr<CDibImage> CopyOfFrame() {
        auto copy = MakeImage(frame->Width(), frame->Height(), frame->BitCount());
        std::memcpy(copy->Bits(), frame->Bits(), frame->ImageBytes());
        return copy;
    }
    CDibImage& DarkMap() { return wide ? *bank.darkDefects16 : *bank.darkDefects8; }
    CDibImage& WhiteMap() { return wide ? *bank.whiteDefects16 : *bank.whiteDefects8; }
    int32_t Threshold() const { return wide ? kDotThreshold16 : kDotThreshold8; }
    uint32_t Max() const { return wide ? 4095 : 255; }

    ImageBank bank;
    bool wide = false;
    CDibImage* frame = nullptr;
    DotFilter filter;
};

TEST_P(DotFilterTest, RemovesHotAndDeadPixelsInBothDepths) {
    for (int32_t bits : {8, 16}) {
        Use(bits);
        Fill(*frame, wide ? 2000 : 100);
        Set(*frame, 10, 10, Max());
        Set(*frame, 30, 20, 0);
        // The hot pixel drags its four neighbours over the threshold too; the dead one only in
        // 16 bits (a neighbour's mean drops by 500 there, by 25 in 8 bits).
        EXPECT_EQ(filter.Apply(Images(), Threshold()), wide ? 10 : 6) << bits;
        for (int32_t y = 0; y < 48; ++y) {
            for (int32_t x = 0; x < 64; ++x) {
                ASSERT_EQ(Get(*frame, x, y), wide ? 2000u : 100u) << bits << ": " << x << "," << y;
            }
        }
    }
}

TEST_P(DotFilterTest, ThresholdIsInclusive) {
    for (int32_t bits : {8, 16}) {
        Use(bits);
        const uint32_t level = wide ? 2000 : 100;
        Fill(*frame, level);
        Set(*frame, 10, 10, level + Threshold());      // exactly at the threshold: marked
        Set(*frame, 30, 30, level + Threshold() - 1);  // one below: kept
        filter.Apply(Images(), Threshold());
        EXPECT_EQ(Get(DotMap(), 10, 10), 1u) << bits;
        EXPECT_EQ(Get(DotMap(), 30, 30), 0u) << bits;
        EXPECT_EQ(Get(*frame, 10, 10), level) << bits;
        EXPECT_EQ(Get(*frame, 30, 30), level + Threshold() - 1) << bits;
    }
}

TEST_P(DotFilterTest, PixelsWithinFourOfTheBorderAreNotExamined) {
    for (int32_t bits : {8, 16}) {
        Use(bits);
        Fill(*frame, 50);
        Set(*frame, 3, 20, Max());   // column 3: never examined
        Set(*frame, 60, 20, Max());  // column W - 4
        Set(*frame, 20, 43, Max());  // row H - 5: examined
        Set(WhiteMap(), 2, 2, 1);    // a known defect outside the range is ignored as well
        filter.Apply(Images(), Threshold());
        EXPECT_EQ(Get(*frame, 3, 20), Max()) << bits;
        EXPECT_EQ(Get(*frame, 60, 20), Max()) << bits;
        EXPECT_EQ(Get(*frame, 20, 43), 50u) << bits;
        EXPECT_EQ(Get(DotMap(), 2, 2), 0u) << bits;
        Set(WhiteMap(), 2, 2, 0);
    }
}

TEST_P(DotFilterTest, DefectMapsMarkPixelsThatLookNormal) {
    for (int32_t bits : {8, 16}) {
        Use(bits);
        Fill(*frame, 80);
        Set(*frame, 19, 12, 60);
        Set(*frame, 21, 12, 70);
        Set(*frame, 20, 11, 90);
        Set(*frame, 20, 13, 101);
        Set(*frame, 20, 12, 81);
        Set(DarkMap(), 20, 12, 1);
        Set(WhiteMap(), 40, 30, 7);  // any non-zero entry marks
        Set(*frame, 40, 30, 81);
        filter.Apply(Images(), Threshold());
        EXPECT_EQ(Get(*frame, 20, 12), (60u + 70 + 90 + 101) / 4) << bits;
        EXPECT_EQ(Get(DotMap(), 40, 30), 1u) << bits;
        EXPECT_EQ(Get(*frame, 40, 30), 80u) << bits;
        Set(DarkMap(), 20, 12, 0);
        Set(WhiteMap(), 40, 30, 0);
    }
}

// The filter keeps the union of the maps from frame to frame; a map rebuilt between frames (its
// writer marks it changed) takes effect at the next frame, in both directions.
TEST_P(DotFilterTest, DefectMapsRebuiltBetweenFramesTakeEffect) {
    for (int32_t bits : {8, 16}) {
        Use(bits);
        const auto frameWith = [&](uint32_t entry) {
            Set(DarkMap(), 20, 12, entry);
            DarkMap().MarkChanged();
            Fill(*frame, 80);
            filter.Apply(Images(), Threshold());
            return Get(DotMap(), 20, 12);
        };
        EXPECT_EQ(frameWith(0), 0u) << bits;
        EXPECT_EQ(frameWith(1), 1u) << bits;
        EXPECT_EQ(frameWith(0), 0u) << bits;
    }
}

// Marked neighbours are skipped, never averaged, even once they are corrected: a plus-shaped
// cluster takes the values of the good pixels around it.
TEST_P(DotFilterTest, MarkedNeighboursAreSkippedNotUsed) {
    Use(8);
    Fill(*frame, 100);
    for (auto [x, y] : {std::pair{20, 20}, {19, 20}, {21, 20}, {20, 19}, {20, 21}}) {
        Set(DarkMap(), x, y, 1);
        Set(*frame, x, y, 250);
    }
    Set(*frame, 18, 20, 40);
    Set(*frame, 22, 20, 60);
    Set(*frame, 20, 18, 80);
    Set(*frame, 20, 22, 120);
    filter.Apply(Images(), 1000);  // only the map marks
    EXPECT_EQ(Get(*frame, 20, 20), (40u + 60 + 80 + 120) / 4);
    EXPECT_EQ(Get(*frame, 19, 20), (40u + 60 + 100 + 100) / 4);
}

// A mark that has no unmarked pixel in any direction cannot occur inside the examined range
// (the margins are never marked), so every marked pixel is replaced; a stale mark left in the
// dot map by an earlier frame must not count.
TEST_P(DotFilterTest, DotMapIsClearedEveryFrame) {
    for (int32_t bits : {8, 16}) {
        Use(bits);
        Fill(DotMap(), 9);
        Fill(*frame, 77);
        EXPECT_EQ(filter.Apply(Images(), Threshold()), 0) << bits;
        for (int32_t y = 0; y < DotMap().Height(); y += 97) {
            for (int32_t x = 0; x < DotMap().Width(); x += 13) ASSERT_EQ(Get(DotMap(), x, y), 0u);
        }
        EXPECT_EQ(Get(DotMap(), 1279, 1023), 0u);
    }
}

// Few marks are corrected one by one, many (more than one pixel in 64) by sweeps over the
// frame; both must agree with the reference, in both depths.
struct NoiseCase {
    int32_t width;
    int32_t height;
    double noise;  // in thresholds
    int defects;
    bool dense;
};

void MakeNoisyFrame(CDibImage& frame, CDibImage& darkMap, CDibImage& whiteMap, const DotCase& c,
                    const NoiseCase& n, std::mt19937& rng) {
    std::normal_distribution<double> noise(0.0, c.threshold * n.noise);
    std::uniform_int_distribution<int32_t> col(0, n.width - 1), row(0, n.height - 1);
    for (int32_t y = 0; y < n.height; ++y) {
        for (int32_t x = 0; x < n.width; ++x) {
            const double v = c.level + noise(rng);
            Set(frame, x, y, static_cast<uint32_t>(std::clamp(v, 0.0, double(c.hot))));
        }
    }
    for (int k = 0; k < n.defects; ++k) Set(frame, col(rng), row(rng), k % 2 ? c.hot : 0);
    for (int k = 0; k < n.defects / 3; ++k) {
        Set(k % 2 ? darkMap : whiteMap, col(rng), row(rng), 1);
    }
}

TEST_P(DotFilterTest, MatchesReferenceForSparseAndDenseMarks) {
    const DotCase depths[] = {{8, kDotThreshold8, 120, 255}, {16, kDotThreshold16, 1900, 4095}};
    const NoiseCase noises[] = {{200, 150, 0.05, 60, false}, {64, 48, 0.8, 40, true}};
    std::mt19937 rng(11);
    for (const DotCase& c : depths) {
        for (const NoiseCase& n : noises) {
            Use(c.bits);
            auto darkMap = MakeImage(n.width, n.height, c.bits);
            auto whiteMap = MakeImage(n.width, n.height, c.bits);
            auto image = MakeImage(n.width, n.height, c.bits);
            frame = image.get();
            MakeNoisyFrame(*frame, *darkMap, *whiteMap, c, n, rng);
            auto expected = MakeImage(n.width, n.height, c.bits);
            std::memcpy(expected->Bits(), frame->Bits(), frame->ImageBytes());
            Reference ref;
            ref.Run(*expected, *darkMap, *whiteMap, c.threshold);
            const int64_t count =
                filter.Apply({frame, darkMap.get(), whiteMap.get(), &DotMap()}, c.threshold);
            EXPECT_TRUE(SamePixels(*frame, *expected)) << c.bits << " bits, dense " << n.dense;
            int64_t refCount = 0;
            for (int32_t y = 0; y < n.height; ++y) {
                for (int32_t x = 0; x < n.width; ++x) {
                    const uint32_t mark = ref.marks[static_cast<size_t>(y) * n.width + x];
                    ASSERT_EQ(Get(DotMap(), x, y), mark) << x << "," << y;
                    refCount += mark;
                }
            }
            EXPECT_EQ(count, refCount);
            EXPECT_EQ(count * 64 > int64_t{n.width} * n.height, n.dense) << count;
        }
    }
}

// Detection works in the samples' own width: over the whole sample range (sums of four 16-bit
// samples overflow 16 bits) and at thresholds down to 0 and beyond the largest deviation, the
// marks are the reference's.
TEST_P(DotFilterTest, DetectionMatchesTheReferenceOverTheWholeSampleRange) {
    std::mt19937 rng(12);
    for (int32_t bits : {8, 16}) {
        Use(bits);
        for (int32_t threshold : {-5, 0, 1, 30, 255, 256, 480, 40000, 65535, 65536, 1 << 30}) {
            FillRandom(*frame, rng, wide ? 65535 : 255);
            auto expected = CopyOfFrame();
            Reference ref;
            ref.Run(*expected, DarkMap(), WhiteMap(), threshold);
            filter.Apply(Images(), threshold);
            for (int32_t y = 0; y < frame->Height(); ++y) {
                for (int32_t x = 0; x < frame->Width(); ++x) {
                    ASSERT_EQ(Get(DotMap(), x, y), ref.marks[static_cast<size_t>(y) * 64 + x])
                        << bits << " bits, threshold " << threshold << " at " << x << "," << y;
                }
            }
        }
    }
}

// Every examined pixel known as defective: each is rebuilt from the unexamined margins only.
TEST_P(DotFilterTest, FullyMarkedInteriorTakesTheMargins) {
    for (int32_t bits : {8, 16}) {
        Use(bits);
        std::mt19937 rng(2);
        FillRandom(*frame, rng, wide ? 4095 : 255);
        Fill(DarkMap(), 1);
        auto expected = CopyOfFrame();
        Reference ref;
        ref.Run(*expected, DarkMap(), WhiteMap(), Threshold());
        EXPECT_EQ(filter.Apply(Images(), Threshold()), (64 - 8) * (48 - 8)) << bits;
        EXPECT_TRUE(SamePixels(*frame, *expected)) << bits;
        Fill(DarkMap(), 0);
    }
}

TEST_P(DotFilterTest, RefusesMissingOrMismatchedImages) {
    Use(8);
    Fill(*frame, 10);
    Set(*frame, 20, 20, 200);
    DotFilterImages images = Images();
    images.dotMap = bank.dotMap16.get();
    EXPECT_EQ(filter.Apply(images, kDotThreshold8), -1);
    images = Images();
    images.darkDefects = nullptr;
    EXPECT_EQ(filter.Apply(images, kDotThreshold8), -1);
    EXPECT_EQ(Get(*frame, 20, 20), 200u);
}

TEST_P(DotFilterTest, FramesTooSmallToExamineAreLeftAlone) {
    auto tiny = MakeImage(8, 8, 8, 10);
    Set(*tiny, 4, 4, 255);
    Fill(*bank.dotMap8, 1);
    DotFilterImages images{tiny.get(), bank.darkDefects8.get(), bank.whiteDefects8.get(),
                           bank.dotMap8.get()};
    EXPECT_EQ(filter.Apply(images, kDotThreshold8), 0);
    EXPECT_EQ(Get(*tiny, 4, 4), 255u);
    EXPECT_EQ(Get(*bank.dotMap8, 4, 4), 0u);
}

KELVRA_PROCESSING_SIMD_SUITE(DotFilterTest);

}  // namespace
}  // namespace kelvra::processing::test

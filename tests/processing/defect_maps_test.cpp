#include <gtest/gtest.h>

#include <mutex>

#include "ProcessingTestSupport.h"
#include "front/processing/DefectMaps.h"
#include "front/processing/FrameSettings.h"
#include "front/processing/MaskReference.h"

namespace kelvra::processing::test {
namespace {

struct Threshold {
    int32_t depth16;
    int32_t which;
    uint32_t limit;  // the last value that is still good
    bool above;      // defective above the limit (dark), else below it (white)
};

class DefectMapsTest : public ::testing::Test {
  protected:
    DefectMapsTest() : bank(16, 16) {}

    CDibImage& Reference(const Threshold& t) {
        if (t.depth16) return t.which ? *bank.whiteRef16 : *bank.darkRef16;
        return t.which ? *bank.whiteRef8 : *bank.darkRef8;
    }
    CDibImage& Map(const Threshold& t) {
        if (t.depth16) return t.which ? *bank.whiteDefects16 : *bank.darkDefects16;
        return t.which ? *bank.whiteDefects8 : *bank.darkDefects8;
    }

    ImageBank bank;
};

TEST_F(DefectMapsTest, ThresholdsOfEachReference) {
    const Threshold cases[] = {
        {0, 0, 192, true}, {1, 0, 3072, true}, {0, 1, 64, false}, {1, 1, 1024, false}};
    for (const Threshold& t : cases) {
        CDibImage& ref = Reference(t);
        Fill(ref, t.limit);
        Set(ref, 100, 100, t.above ? t.limit + 1 : t.limit - 1);
        Set(ref, 101, 100, t.above ? 0 : (t.depth16 ? 4095 : 255));
        Set(ref, 1277, 1021, t.above ? t.limit + 1 : t.limit - 1);  // last rebuilt pixel
        Fill(Map(t), 5);
        ASSERT_EQ(RebuildDefectMaps(bank.Views(), t.depth16, t.which), 1);
        EXPECT_EQ(Get(Map(t), 100, 100), 1u) << t.limit;
        EXPECT_EQ(Get(Map(t), 101, 100), 0u) << t.limit;
        EXPECT_EQ(Get(Map(t), 2, 2), 0u) << t.limit;  // at the limit: good
        EXPECT_EQ(Get(Map(t), 1277, 1021), 1u) << t.limit;
        // The two-pixel border keeps what it held.
        EXPECT_EQ(Get(Map(t), 1, 500), 5u);
        EXPECT_EQ(Get(Map(t), 1278, 500), 5u);
        EXPECT_EQ(Get(Map(t), 500, 1), 5u);
        EXPECT_EQ(Get(Map(t), 500, 1022), 5u);
    }
}

TEST_F(DefectMapsTest, OnlyTheNamedMapIsRebuilt) {
    Fill(*bank.darkRef8, 255);
    Fill(*bank.darkRef16, 4095);
    Fill(*bank.whiteRef8, 0);
    ASSERT_EQ(RebuildDefectMaps(bank.Views(), 1, 0), 1);
    EXPECT_EQ(Get(*bank.darkDefects16, 50, 50), 1u);
    EXPECT_EQ(Get(*bank.darkDefects8, 50, 50), 0u);
    EXPECT_EQ(Get(*bank.whiteDefects8, 50, 50), 0u);
}

TEST_F(DefectMapsTest, BadArgumentsAndMissingImagesFail) {
    EXPECT_EQ(RebuildDefectMaps(bank.Views(), 2, 0), 0);
    EXPECT_EQ(RebuildDefectMaps(bank.Views(), -1, 0), 0);
    EXPECT_EQ(RebuildDefectMaps(bank.Views(), 0, 2), 0);
    EXPECT_EQ(RebuildDefectMaps(bank.Views(), 1, -1), 0);
    FrameImages views = bank.Views();
    views.whiteDefects16 = nullptr;
    EXPECT_EQ(RebuildDefectMaps(views, 1, 1), 0);
    views.darkRef8 = bank.darkRef16.get();  // wrong depth
    EXPECT_EQ(RebuildDefectMaps(views, 0, 0), 0);
}

class MaskReferenceTest : public ::testing::Test {
  protected:
    std::recursive_mutex maskLock;
};

TEST_F(MaskReferenceTest, FullSensorFrameBecomesTheReferenceAndItsMap) {
    ImageBank bank(1280, 1024);
    std::mt19937 rng(3);
    FillRandom(*bank.raw8, rng, 150);
    Set(*bank.raw8, 600, 400, 250);
    ASSERT_EQ(CaptureMaskReference(bank.Views(), kMono8, kDarkMask, maskLock), 1);
    EXPECT_EQ(Bytes(*bank.darkRef8), Bytes(*bank.raw8));
    EXPECT_EQ(Get(*bank.darkDefects8, 600, 400), 1u);
    EXPECT_EQ(Get(*bank.whiteRef8, 600, 400), 255u);

    FillRandom(*bank.raw16, rng, 4095);
    ASSERT_EQ(CaptureMaskReference(bank.Views(), kColour48, kWhiteMask, maskLock), 1);
    EXPECT_EQ(Bytes(*bank.whiteRef16), Bytes(*bank.raw16));
    EXPECT_EQ(Get(*bank.whiteDefects16, 7, 9), Get(*bank.raw16, 7, 9) < 1024 ? 1u : 0u);
    EXPECT_EQ(Get(*bank.darkRef16, 7, 9), 0u);
}

TEST_F(MaskReferenceTest, OtherSizesAreNotCopiedButMapsAreRebuilt) {
    ImageBank bank(640, 480);
    Fill(*bank.raw8, 240);
    Set(*bank.darkRef8, 10, 10, 200);  // a hot pixel already in the reference
    ASSERT_EQ(CaptureMaskReference(bank.Views(), kColour24, kDarkMask, maskLock), 1);
    EXPECT_EQ(Get(*bank.darkRef8, 20, 20), 0u);
    EXPECT_EQ(Get(*bank.darkDefects8, 10, 10), 1u);
}

TEST_F(MaskReferenceTest, UnknownKindFailsAndCopiesNothing) {
    ImageBank bank(1280, 1024);
    Fill(*bank.raw8, 9);
    EXPECT_EQ(CaptureMaskReference(bank.Views(), kMono8, 2, maskLock), 0);
    EXPECT_EQ(CaptureMaskReference(bank.Views(), kMono8, -1, maskLock), 0);
    EXPECT_EQ(Get(*bank.darkRef8, 5, 5), 0u);
    EXPECT_EQ(Get(*bank.whiteRef8, 5, 5), 255u);
}

}  // namespace
}  // namespace kelvra::processing::test

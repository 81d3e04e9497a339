// Mask files: exact layout, round trip, and loads that must change nothing when refused.
#include <gtest/gtest.h>

#include <filesystem>

#include "OutputTestUtil.h"
#include "output/MaskFile.h"

namespace kelvra {
namespace {

using test::Le32;
using test::ReadAll;
using test::ScratchDir;
using test::WriteAll;

struct ReferenceSet {
    CDibImage dark8;
    CDibImage bright8;
    CDibImage dark16;
    CDibImage bright16;

    explicit ReferenceSet(int seed) {
        EXPECT_EQ(dark8.Create(kMaskWidth, kMaskHeight, 8), 1);
        EXPECT_EQ(bright8.Create(kMaskWidth, kMaskHeight, 8), 1);
        EXPECT_EQ(dark16.Create(kMaskWidth, kMaskHeight, 16), 1);
        EXPECT_EQ(bright16.Create(kMaskWidth, kMaskHeight, 16), 1);
        int k = seed;
        for (CDibImage* image : {&dark8, &bright8, &dark16, &bright16}) {
            for (size_t i = 0; i < image->ImageBytes(); ++i) {
                image->Bits()[i] = static_cast<uint8_t>(i * 131 + (i >> 11) + k);
            }
            k += 17;
        }
    }
    MaskReferences View() { return {&dark8, &bright8, &dark16, &bright16}; }
    bool SameAs(const ReferenceSet& other) const {
        const CDibImage* a[] = {&dark8, &bright8, &dark16, &bright16};
        const CDibImage* b[] = {&other.dark8, &other.bright8, &other.dark16, &other.bright16};
        for (int i = 0; i < 4; ++i) {
            if (std::memcmp(a[i]->Bits(), b[i]->Bits(), a[i]->ImageBytes()) != 0) return false;
        }
        return true;
    }
};

class MaskFileTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_EQ(SaveMaskFile(path_.c_str(), saved_.View()), 1);
        bytes_ = ReadAll(path_);
    }
    // Loads `bytes` into a fresh set and checks whether the set changed.
    int LoadVariant(const std::vector<uint8_t>& bytes, bool* unchanged) {
        const std::string variant = dir_.Path("variant.msk");
        EXPECT_TRUE(WriteAll(variant, bytes));
        ReferenceSet target(99);
        const ReferenceSet before(99);
        const int result = LoadMaskFile(variant.c_str(), target.View());
        *unchanged = target.SameAs(before);
        return result;
    }

    ScratchDir dir_;
    std::string path_ = dir_.Path("saved.msk");
    ReferenceSet saved_{1};
    std::vector<uint8_t> bytes_;
};

TEST_F(MaskFileTest, SavedFileHasTheExactLayout) {
    ASSERT_EQ(bytes_.size(), kMaskFileSize);
    EXPECT_EQ(0, std::memcmp(bytes_.data(), "NORLUX MASK1000", 16));  // with its zero byte
    EXPECT_EQ(Le32(bytes_, 16), 1280u);
    EXPECT_EQ(Le32(bytes_, 20), 1024u);
    EXPECT_EQ(Le32(bytes_, 24), 0x140000u);
    EXPECT_EQ(Le32(bytes_, 28), 0x140000u);
    EXPECT_EQ(Le32(bytes_, 32), 0x280000u);
    EXPECT_EQ(Le32(bytes_, 36), 0x280000u);
    EXPECT_EQ(0, std::memcmp(bytes_.data() + 40, saved_.dark8.Bits(), 1310720));
    EXPECT_EQ(0, std::memcmp(bytes_.data() + 1310760, saved_.bright8.Bits(), 1310720));
    EXPECT_EQ(0, std::memcmp(bytes_.data() + 2621480, saved_.dark16.Bits(), 2621440));
    EXPECT_EQ(0, std::memcmp(bytes_.data() + 5242920, saved_.bright16.Bits(), 2621440));
}

TEST_F(MaskFileTest, LoadsBackUnchangedAndIgnoresTrailingBytes) {
    ReferenceSet loaded(50);
    ASSERT_FALSE(loaded.SameAs(saved_));
    ASSERT_EQ(LoadMaskFile(path_.c_str(), loaded.View()), 1);
    EXPECT_TRUE(loaded.SameAs(saved_));

    auto longer = bytes_;
    longer.insert(longer.end(), 100, 0xEE);
    bool unchanged = false;
    EXPECT_EQ(LoadVariant(longer, &unchanged), 1);
    EXPECT_FALSE(unchanged);
}

TEST_F(MaskFileTest, AnyDifferenceInTheMagicIsRefusedAndChangesNothing) {
    for (size_t at = 0; at < 16; ++at) {
        auto bad = bytes_;
        bad[at] ^= 0x01;
        bool unchanged = false;
        EXPECT_EQ(LoadVariant(bad, &unchanged), 0) << "magic byte " << at;
        EXPECT_TRUE(unchanged) << "magic byte " << at;
    }
}

TEST_F(MaskFileTest, WrongGeometryOrSizesAreRefusedAndChangeNothing) {
    const std::pair<size_t, uint32_t> fields[] = {{16, 1279},     {20, 1023},     {24, 0x13FFFF},
                                                  {28, 0x280000}, {32, 0x140000}, {36, 0}};
    for (const auto& [at, value] : fields) {
        auto bad = bytes_;
        for (int i = 0; i < 4; ++i) bad[at + i] = static_cast<uint8_t>(value >> (8 * i));
        bool unchanged = false;
        EXPECT_EQ(LoadVariant(bad, &unchanged), 0) << "field at " << at;
        EXPECT_TRUE(unchanged) << "field at " << at;
    }
}

// The header is valid but the body is cut short: the references must not be half replaced.
TEST_F(MaskFileTest, TruncatedFileChangesNothing) {
    for (size_t size :
         {size_t{kMaskFileSize - 1}, size_t{3000000}, size_t{40}, size_t{39}, size_t{0}}) {
        const std::vector<uint8_t> cut(bytes_.begin(), bytes_.begin() + size);
        bool unchanged = false;
        EXPECT_EQ(LoadVariant(cut, &unchanged), 0) << size;
        EXPECT_TRUE(unchanged) << size;
    }
}

TEST_F(MaskFileTest, MissingFileOrUnfitReferencesFail) {
    ReferenceSet target(7);
    const std::string missing = dir_.Path("missing.msk");
    EXPECT_EQ(LoadMaskFile(missing.c_str(), target.View()), 0);
    EXPECT_EQ(LoadMaskFile(nullptr, target.View()), 0);

    // A reference of the wrong depth would be overrun: refused before reading.
    CDibImage wrongDepth;
    ASSERT_EQ(wrongDepth.Create(kMaskWidth, kMaskHeight, 8), 1);
    MaskReferences refs = target.View();
    refs.dark16 = &wrongDepth;
    const ReferenceSet before(7);
    EXPECT_EQ(LoadMaskFile(path_.c_str(), refs), 0);
    EXPECT_TRUE(target.SameAs(before));

    refs.dark16 = nullptr;
    EXPECT_EQ(SaveMaskFile(dir_.Path("null.msk").c_str(), refs), 0);
    EXPECT_FALSE(std::filesystem::exists(dir_.Path("null.msk")));
    EXPECT_EQ(SaveMaskFile(dir_.Path("no/dir.msk").c_str(), target.View()), 0);
}

}  // namespace
}  // namespace kelvra

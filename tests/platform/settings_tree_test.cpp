#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "CameraKey.h"
#include "platform/SettingsTree.h"

namespace kelvra::platform {
namespace {

using Names = std::vector<std::string>;

using test::kCamera;
const std::string kGain = kCamera + "\\Gain";

TEST(SettingsTree, DwordRoundTripAndCaseInsensitiveNames) {
    SettingsTree tree;
    tree.SetDword(kGain, "Exposure", 1234);
    uint32_t value = 0;
    ASSERT_TRUE(tree.GetDword(kGain, "Exposure", &value));
    EXPECT_EQ(value, 1234u);
    ASSERT_TRUE(tree.GetDword("SOFTWARE\\norlux\\kelvrak4swirtec3q6sdk\\CAMERA_00\\gain",
                              "EXPOSURE", &value));
    EXPECT_EQ(value, 1234u);
    // Writing under another case replaces the value and keeps the first spelling.
    tree.SetDword("software\\NORLUX\\KelvraK4SWIRTEC3Q6Sdk\\camera_00\\GAIN", "exposure", 99);
    ASSERT_TRUE(tree.GetDword(kGain, "Exposure", &value));
    EXPECT_EQ(value, 99u);
    EXPECT_EQ(tree.ValueNames(kGain), Names{"Exposure"});
    EXPECT_EQ(tree.SubKeys("software"), Names{"Norlux"});
    EXPECT_EQ(tree.SubKeys(kCamera), Names{"Gain"});
}

TEST(SettingsTree, MissingOrMistypedValuesLeaveTheOutputUntouched) {
    SettingsTree tree;
    tree.SetDword(kGain, "Global", 5);
    tree.SetBinary(kGain, "ExposureEx", "\x01\x02", 2);
    uint32_t dword = 0xDEADBEEF;
    EXPECT_FALSE(tree.GetDword(kGain, "Gamma", &dword));
    EXPECT_FALSE(tree.GetDword(kCamera + "\\Filter", "Gamma", &dword));
    EXPECT_FALSE(tree.GetDword(kGain, "ExposureEx", &dword));
    EXPECT_EQ(dword, 0xDEADBEEF);
    EXPECT_FALSE(tree.GetDword(kGain, "Global", nullptr));
    const std::vector<uint8_t> sentinel{9, 9, 9};
    std::vector<uint8_t> bytes = sentinel;
    EXPECT_FALSE(tree.GetBinary(kGain, "Global", &bytes));
    EXPECT_FALSE(tree.GetBinary(kGain, "Missing", &bytes));
    EXPECT_EQ(bytes, sentinel);
}

TEST(SettingsTree, BinaryHoldsTheRawBytesOfADouble) {
    SettingsTree tree;
    const double exposureSeconds = 0.0015;
    tree.SetBinary(kGain, "ExposureEx", &exposureSeconds, sizeof exposureSeconds);
    std::vector<uint8_t> bytes;
    ASSERT_TRUE(tree.GetBinary(kGain, "ExposureEx", &bytes));
    ASSERT_EQ(bytes.size(), 8u);
    double read = 0;
    std::memcpy(&read, bytes.data(), sizeof read);
    EXPECT_EQ(read, exposureSeconds);
    tree.SetBinary(kGain, "Empty", nullptr, 0);
    ASSERT_TRUE(tree.GetBinary(kGain, "Empty", &bytes));
    EXPECT_TRUE(bytes.empty());
}

TEST(SettingsTree, ASetReplacesAValueOfTheOtherType) {
    SettingsTree tree;
    tree.SetBinary(kGain, "Global", "\x01", 1);
    tree.SetDword(kGain, "Global", 3);
    uint32_t dword = 0;
    std::vector<uint8_t> bytes;
    EXPECT_TRUE(tree.GetDword(kGain, "Global", &dword));
    EXPECT_FALSE(tree.GetBinary(kGain, "Global", &bytes));
    tree.SetBinary(kGain, "Global", "\x02", 1);
    EXPECT_FALSE(tree.GetDword(kGain, "Global", &dword));
    EXPECT_EQ(tree.ValueNames(kGain).size(), 1u);
}

TEST(SettingsTree, KeysAreCreatedWithTheirParentsAndDeletedWithTheirChildren) {
    SettingsTree tree;
    EXPECT_TRUE(tree.HasKey(""));
    EXPECT_FALSE(tree.HasKey(kCamera));
    tree.CreateKey(kCamera + "\\Size_00");
    EXPECT_TRUE(tree.HasKey("Software"));
    EXPECT_TRUE(tree.HasKey("Software\\Norlux"));
    EXPECT_TRUE(tree.HasKey(kCamera));
    EXPECT_TRUE(tree.HasKey("\\" + kCamera + "\\"));  // stray separators add nothing
    tree.SetDword(kCamera + "\\Size_00", "TH", 1280);
    tree.SetDword(kCamera, "Size", 0);

    EXPECT_FALSE(tree.DeleteKey(kCamera + "\\Size_01"));
    EXPECT_FALSE(tree.DeleteKey(""));
    ASSERT_TRUE(tree.DeleteKey("software\\norlux\\KELVRAK4SWIRTEC3Q6SDK\\camera_00"));
    EXPECT_FALSE(tree.HasKey(kCamera));
    EXPECT_FALSE(tree.HasKey(kCamera + "\\Size_00"));
    EXPECT_TRUE(tree.HasKey("Software\\Norlux\\KelvraK4SWIRTEC3Q6Sdk"));
    uint32_t value = 7;
    EXPECT_FALSE(tree.GetDword(kCamera + "\\Size_00", "TH", &value));
    EXPECT_EQ(value, 7u);
}

TEST(SettingsTree, SubKeysComeInCaseInsensitiveOrder) {
    SettingsTree tree;
    for (const char* name : {"Size_02", "gray", "Size_00", "Filter", "Gain", "size_01"}) {
        tree.CreateKey(kCamera + "\\" + name);
    }
    EXPECT_EQ(tree.SubKeys(kCamera),
              (Names{"Filter", "Gain", "gray", "Size_00", "size_01", "Size_02"}));
    EXPECT_TRUE(tree.SubKeys("Nowhere").empty());
    EXPECT_TRUE(tree.ValueNames("Nowhere").empty());
}

TEST(SettingsTree, DeleteValueRemovesOnlyThatValue) {
    SettingsTree tree;
    tree.SetDword(kCamera + "\\Filter", "Gamma", 100);
    tree.SetDword(kCamera + "\\Filter", "Contrast", 0);
    EXPECT_TRUE(tree.DeleteValue(kCamera + "\\Filter", "GAMMA"));
    EXPECT_FALSE(tree.DeleteValue(kCamera + "\\Filter", "Gamma"));
    EXPECT_FALSE(tree.DeleteValue(kCamera + "\\Gray", "Mode"));
    EXPECT_EQ(tree.ValueNames(kCamera + "\\Filter"), Names{"Contrast"});
}

TEST(SettingsTree, CopiesAreIndependent) {
    SettingsTree original;
    original.SetDword(kGain, "Global", 1);
    SettingsTree copy = original;
    copy.SetDword(kGain, "Global", 2);
    uint32_t value = 0;
    ASSERT_TRUE(original.GetDword(kGain, "Global", &value));
    EXPECT_EQ(value, 1u);
}

}  // namespace
}  // namespace kelvra::platform

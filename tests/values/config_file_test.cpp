// The configuration entries loaded from a file of value pairs.
#include <gtest/gtest.h>

#include <fstream>
#include <string>
#include <utility>
#include <vector>

#include "values/ValuesFixture.h"

namespace kelvra::test {
namespace {

using Entries = std::vector<std::pair<int32_t, int32_t>>;

class ConfigFile : public ValuesTest {
  protected:
    std::string Write(const std::string& name, const std::vector<uint8_t>& bytes) {
        const std::string path = (home_.Dir() / name).string();
        std::ofstream out(path, std::ios::binary);
        out.write(reinterpret_cast<const char*>(bytes.data()),
                  static_cast<std::streamsize>(bytes.size()));
        return path;
    }
};

TEST_F(ConfigFile, PairsAreLittleEndianAndTrailingBytesIgnored) {
    const std::string path =
        Write("pairs.bin", {0x01, 0x02, 0x03, 0x04, 0xFF, 0xFF, 0xFF, 0xFF, 0x10, 0x00, 0x00, 0x80,
                            0x00, 0x00, 0x00, 0x00, 0xAA, 0xBB, 0xCC});
    EXPECT_EQ(front_->LoadConfigFile(path.c_str()), 1);
    EXPECT_EQ(front_->ConfigEntries(),
              (Entries{{0x04030201, -1}, {static_cast<int32_t>(0x80000010), 0}}));
    EXPECT_TRUE(Errors().empty());
}

TEST_F(ConfigFile, ShortFileEmptiesTheEntries) {
    ASSERT_EQ(front_->LoadConfigFile(Write("one.bin", {1, 0, 0, 0, 2, 0, 0, 0}).c_str()), 1);
    ASSERT_EQ(front_->ConfigEntries(), (Entries{{1, 2}}));
    EXPECT_EQ(front_->LoadConfigFile(Write("seven.bin", {1, 2, 3, 4, 5, 6, 7}).c_str()), 1);
    EXPECT_TRUE(front_->ConfigEntries().empty());
    ASSERT_EQ(front_->LoadConfigFile(Write("one.bin", {1, 0, 0, 0, 2, 0, 0, 0}).c_str()), 1);
    EXPECT_EQ(front_->LoadConfigFile(Write("empty.bin", {}).c_str()), 1);
    EXPECT_TRUE(front_->ConfigEntries().empty());
}

TEST_F(ConfigFile, UnopenableFileIsZeroWithoutACodeAndKeepsTheEntries) {
    ASSERT_EQ(front_->LoadConfigFile(Write("one.bin", {9, 0, 0, 0, 8, 0, 0, 0}).c_str()), 1);
    EXPECT_EQ(front_->LoadConfigFile((home_.Dir() / "missing.bin").string().c_str()), 0);
    EXPECT_EQ(front_->LoadConfigFile(home_.Dir().string().c_str()), 0);  // a directory
    EXPECT_EQ(front_->LoadConfigFile(nullptr), 0);
    EXPECT_EQ(front_->ConfigEntries(), (Entries{{9, 8}}));
    EXPECT_TRUE(Errors().empty());
    EXPECT_TRUE(Posted().empty());
}

TEST_F(ConfigFile, LoadsWithoutADeviceCore) {
    MakeWithoutDevice();
    EXPECT_EQ(front_->LoadConfigFile(Write("one.bin", {3, 0, 0, 0, 4, 0, 0, 0}).c_str()), 1);
    EXPECT_EQ(front_->ConfigEntries(), (Entries{{3, 4}}));
}

}  // namespace
}  // namespace kelvra::test

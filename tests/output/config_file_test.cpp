// The configuration file of consecutive little-endian 32-bit pairs.
#include <gtest/gtest.h>

#include "OutputTestUtil.h"
#include "output/ConfigFile.h"

namespace kelvra {
namespace {

using test::ScratchDir;
using test::WriteAll;

std::vector<ConfigPair> Previous() {
    return {{1, 2}, {3, 4}};
}

TEST(ConfigFile, ReadsConsecutivePairsAndIgnoresTrailingBytes) {
    ScratchDir dir;
    const std::string path = dir.Path("pairs.cfg");
    std::vector<uint8_t> bytes = {0x01, 0x00, 0x00, 0x00, 0x78, 0x56, 0x34, 0x12,
                                  0xFF, 0xFF, 0xFF, 0xFF, 0x00, 0x00, 0x00, 0x80,
                                  0xAA, 0xBB, 0xCC, 0xDD, 0xEE, 0xFF, 0x11};  // 7 trailing
    ASSERT_TRUE(WriteAll(path, bytes));
    std::vector<ConfigPair> pairs = Previous();
    ASSERT_TRUE(ReadConfigFile(path.c_str(), pairs));
    ASSERT_EQ(pairs.size(), 2u);
    EXPECT_EQ(pairs[0].first, 1u);
    EXPECT_EQ(pairs[0].second, 0x12345678u);
    EXPECT_EQ(pairs[1].first, 0xFFFFFFFFu);
    EXPECT_EQ(pairs[1].second, 0x80000000u);
}

TEST(ConfigFile, FileShorterThanOnePairEmptiesTheEntries) {
    ScratchDir dir;
    for (size_t size : {0, 1, 7}) {
        const std::string path = dir.Path(test::Numbered("short", size));
        ASSERT_TRUE(WriteAll(path, std::vector<uint8_t>(size, 0x42)));
        std::vector<ConfigPair> pairs = Previous();
        EXPECT_TRUE(ReadConfigFile(path.c_str(), pairs)) << size;
        EXPECT_TRUE(pairs.empty()) << size;
    }
}

TEST(ConfigFile, UnreadableFileLeavesTheEntriesAlone) {
    ScratchDir dir;
    std::vector<ConfigPair> pairs = Previous();
    EXPECT_FALSE(ReadConfigFile(dir.Path("missing.cfg").c_str(), pairs));
    EXPECT_FALSE(ReadConfigFile(nullptr, pairs));
    ASSERT_EQ(pairs.size(), 2u);
    EXPECT_EQ(pairs[1].second, 4u);
}

}  // namespace
}  // namespace kelvra

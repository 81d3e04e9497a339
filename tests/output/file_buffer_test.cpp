// CFileBuffer: opening modes, gathered and positioned writes, and failure bookkeeping.
#include <gtest/gtest.h>

#include <filesystem>

#include "OutputTestUtil.h"
#include "output/CFileBuffer.h"

namespace kelvra {
namespace {

using test::ReadAll;
using test::ScratchDir;

TEST(FileBuffer, OpenForWriteCreatesOrTruncates) {
    ScratchDir dir;
    const std::string path = dir.Path("f");
    CFileBuffer file;
    ASSERT_TRUE(file.OpenForWrite(path.c_str()));
    EXPECT_EQ(file.Size(), 0u);
    ASSERT_TRUE(file.Write("abcdef", 6));
    ASSERT_TRUE(file.CloseAll());
    ASSERT_TRUE(file.OpenForWrite(path.c_str()));
    ASSERT_TRUE(file.Write("xy", 2));
    ASSERT_TRUE(file.CloseAll());
    EXPECT_EQ(ReadAll(path), (std::vector<uint8_t>{'x', 'y'}));
    EXPECT_FALSE(file.OpenForWrite(dir.Path("no/dir").c_str()));
    EXPECT_FALSE(file.OpenForWrite(nullptr));
}

// More parts than one system call takes, some empty, all in order.
TEST(FileBuffer, GatheredWriteKeepsEveryPartInOrder) {
    ScratchDir dir;
    const std::string path = dir.Path("g");
    std::vector<uint8_t> expected;
    std::vector<std::vector<uint8_t>> storage;
    for (int i = 0; i < 2500; ++i) storage.emplace_back(i % 7, static_cast<uint8_t>(i));
    std::vector<ByteRange> parts;
    for (const auto& s : storage) {
        parts.push_back({s.data(), s.size()});
        expected.insert(expected.end(), s.begin(), s.end());
    }
    CFileBuffer file;
    ASSERT_TRUE(file.OpenForWrite(path.c_str()));
    ASSERT_TRUE(file.Write(parts));
    EXPECT_EQ(file.Position(), expected.size());
    ASSERT_TRUE(file.CloseAll());
    EXPECT_EQ(ReadAll(path), expected);
}

TEST(FileBuffer, WriteAtPatchesWithoutMovingTheAppendPosition) {
    ScratchDir dir;
    const std::string path = dir.Path("p");
    CFileBuffer file;
    ASSERT_TRUE(file.OpenForWrite(path.c_str()));
    ASSERT_TRUE(file.Write("0123456789", 10));
    ASSERT_TRUE(file.WriteAt(2, "AB", 2));
    ASSERT_TRUE(file.Write("Z", 1));
    ASSERT_TRUE(file.TruncateTo(5));
    ASSERT_TRUE(file.Write("!", 1));
    ASSERT_TRUE(file.CloseAll());
    EXPECT_EQ(ReadAll(path), (std::vector<uint8_t>{'0', '1', 'A', 'B', '4', '!'}));
}

TEST(FileBuffer, FailedWriteIsRememberedUntilClose) {
    ScratchDir dir;
    const std::string path = dir.Path("r");
    ASSERT_TRUE(test::WriteAll(path, {1, 2, 3}));
    CFileBuffer file;
    ASSERT_TRUE(file.OpenExisting(path.c_str()));  // read-only: writes fail
    EXPECT_FALSE(file.Write("x", 1));
    EXPECT_TRUE(file.WriteFailed());
    EXPECT_FALSE(file.CloseAll());
    EXPECT_TRUE(file.CloseAll());  // nothing open, nothing failed
    EXPECT_FALSE(file.Write("x", 1));
}

TEST(FileBuffer, OpenForReadHoldsTheWholeFile) {
    ScratchDir dir;
    const std::string path = dir.Path("whole");
    std::vector<uint8_t> bytes(100000);
    for (size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<uint8_t>(i * 7);
    ASSERT_TRUE(test::WriteAll(path, bytes));
    CFileBuffer file;
    const uint8_t* data = file.OpenForRead(path.c_str());
    ASSERT_NE(data, nullptr);
    EXPECT_EQ(file.Size(), bytes.size());
    EXPECT_EQ(file.End() - file.Data(), static_cast<ptrdiff_t>(bytes.size()));
    EXPECT_EQ(file.Current(), file.Data());
    EXPECT_EQ(0, std::memcmp(data, bytes.data(), bytes.size()));
    EXPECT_EQ(file.OpenForRead(dir.Path("missing").c_str()), nullptr);
    EXPECT_EQ(file.Data(), nullptr);  // the earlier buffer was released
}

TEST(FileBuffer, ReadExactStopsAtTheEnd) {
    ScratchDir dir;
    const std::string path = dir.Path("seq");
    ASSERT_TRUE(test::WriteAll(path, {1, 2, 3, 4, 5}));
    CFileBuffer file;
    ASSERT_TRUE(file.OpenExisting(path.c_str()));
    uint8_t head[3] = {};
    ASSERT_TRUE(file.ReadExact(head, 3));
    EXPECT_EQ(head[2], 3);
    uint8_t rest[3] = {};
    EXPECT_FALSE(file.ReadExact(rest, 3));
}

}  // namespace
}  // namespace kelvra

// A new version of a file named by an application replaces the old one whole or not at all.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "platform/SafeFile.h"

namespace kelvra::platform {
namespace {

namespace fs = std::filesystem;

class SafeFileTest : public ::testing::Test {
  protected:
    void SetUp() override {
        std::string pattern = (fs::temp_directory_path() / "kelvra-safe-XXXXXX").string();
        ASSERT_NE(mkdtemp(pattern.data()), nullptr);
        dir_ = pattern;
    }
    void TearDown() override {
        std::error_code ignored;
        fs::remove_all(dir_, ignored);
    }
    std::string Path(const char* name) const { return (dir_ / name).string(); }
    std::vector<std::string> Names() const {
        std::vector<std::string> names;
        for (const auto& entry : fs::directory_iterator(dir_)) {
            names.push_back(entry.path().filename().string());
        }
        std::sort(names.begin(), names.end());
        return names;
    }
    static std::string Read(const std::string& path) {
        std::ifstream in(path, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }
    static void Put(ReplacingFile& file, const std::string& text) {
        ASSERT_EQ(write(file.Descriptor(), text.data(), text.size()),
                  static_cast<ssize_t>(text.size()));
    }

    fs::path dir_;
};

// Through a link the link's target gets the new contents; the link, the old permissions and
// the folder stay as they were, and an abandoned version leaves no trace.
TEST_F(SafeFileTest, NewVersionReplacesTheTargetWholeOrNotAtAll) {
    const std::string target = Path("data.bin");
    const std::string link = Path("link.bin");
    std::ofstream(target) << "old";
    ASSERT_EQ(chmod(target.c_str(), 0640), 0);
    ASSERT_EQ(symlink("data.bin", link.c_str()), 0);

    ReplacingFile file;
    ASSERT_TRUE(file.Open(link.c_str()));
    Put(file, "new contents");
    EXPECT_EQ(Read(target), "old");  // readers see the old file until the commit
    EXPECT_EQ(Names().size(), 3u);
    ASSERT_TRUE(file.Commit());
    EXPECT_EQ(Read(target), "new contents");
    EXPECT_TRUE(fs::is_symlink(link));
    struct stat status {};
    ASSERT_EQ(stat(target.c_str(), &status), 0);
    EXPECT_EQ(status.st_mode & 07777, 0640u);
    EXPECT_EQ(Names(), (std::vector<std::string>{"data.bin", "link.bin"}));

    {
        ReplacingFile dropped;
        ASSERT_TRUE(dropped.Open(target.c_str()));
        Put(dropped, "never seen");
    }
    EXPECT_EQ(Read(target), "new contents");
    EXPECT_EQ(Names(), (std::vector<std::string>{"data.bin", "link.bin"}));
    // A file whose name leaves no room for the temporary suffix is still written.
    const std::string longName = Path(std::string(250, 'n').c_str());
    ASSERT_TRUE(file.Open(longName.c_str()));
    Put(file, "x");
    ASSERT_TRUE(file.Commit());
    EXPECT_EQ(Read(longName), "x");
}

}  // namespace
}  // namespace kelvra::platform

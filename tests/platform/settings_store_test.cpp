#include <gtest/gtest.h>

#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>
#include <nlohmann/json.hpp>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "CameraKey.h"
#include "ChildProcess.h"
#include "platform/SettingsStore.h"

namespace kelvra::platform {
namespace {

namespace fs = std::filesystem;
using test::kCamera;
using test::RunInChild;
using test::StartChild;
using test::WaitChild;

constexpr uid_t kNobody = 65534;

std::string ReadFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void WriteFile(const fs::path& path, const std::string& text) {
    std::ofstream(path, std::ios::binary) << text;
}

// Each test gets a fresh directory; the store lives one level below it so that Update has to
// create its directory.
class SettingsStoreTest : public ::testing::Test {
  protected:
    void SetUp() override {
        std::string pattern = (fs::temp_directory_path() / "kelvra-settings-XXXXXX").string();
        ASSERT_NE(mkdtemp(pattern.data()), nullptr);
        m_root = pattern;
        m_dir = m_root / "kelvra";
        m_file = m_dir / "registry.json";
    }
    void TearDown() override {
        std::error_code ignored;
        fs::permissions(m_dir, fs::perms::owner_all, ignored);
        fs::remove_all(m_root, ignored);
    }
    // Files in the store's directory other than the settings file and its lock.
    std::vector<std::string> StrayFiles() const {
        std::vector<std::string> stray;
        for (const auto& entry : fs::directory_iterator(m_dir)) {
            const std::string name = entry.path().filename().string();
            if (name != "registry.json" && name != "registry.json.lock") stray.push_back(name);
        }
        return stray;
    }
    std::vector<fs::path> BadFiles() const {
        std::vector<fs::path> bad;
        for (const auto& entry : fs::directory_iterator(m_dir)) {
            if (entry.path().filename().string().rfind("registry.json.bad-", 0) == 0) {
                bad.push_back(entry.path());
            }
        }
        return bad;
    }

    fs::path m_root;
    fs::path m_dir;
    fs::path m_file;
};

TEST_F(SettingsStoreTest, MissingFileLoadsAnEmptyTree) {
    const SettingsStore store(m_file.string());
    EXPECT_EQ(store.Path(), m_file.string());
    const SettingsTree tree = store.Load();
    EXPECT_TRUE(tree.SubKeys("").empty());
    EXPECT_FALSE(fs::exists(m_file));
}

TEST_F(SettingsStoreTest, UpdateCreatesTheDirectoryAndRoundTrips) {
    SettingsStore store(m_file.string());
    const double exposureSeconds = 0.0015;
    ASSERT_TRUE(store.Update([&](SettingsTree& tree) {
        tree.SetDword(kCamera + "\\Size_00", "TH", 1280);
        tree.SetDword(kCamera, "Color", 0xFFFFFFFF);
        tree.SetBinary(kCamera + "\\Gain", "ExposureEx", &exposureSeconds, 8);
        tree.CreateKey(kCamera + "\\Gray");
    }));
    const SettingsTree tree = SettingsStore(m_file.string()).Load();
    uint32_t value = 0;
    ASSERT_TRUE(
        tree.GetDword("software\\norlux\\kelvrak4swirtec3q6sdk\\camera_00\\size_00", "th", &value));
    EXPECT_EQ(value, 1280u);
    ASSERT_TRUE(tree.GetDword(kCamera, "Color", &value));
    EXPECT_EQ(value, 0xFFFFFFFFu);
    std::vector<uint8_t> bytes;
    ASSERT_TRUE(tree.GetBinary(kCamera + "\\Gain", "ExposureEx", &bytes));
    ASSERT_EQ(bytes.size(), 8u);
    double read = 0;
    std::memcpy(&read, bytes.data(), 8);
    EXPECT_EQ(read, exposureSeconds);
    EXPECT_TRUE(tree.HasKey(kCamera + "\\Gray"));  // empty keys persist too
    EXPECT_EQ(tree.SubKeys(kCamera), (std::vector<std::string>{"Gain", "Gray", "Size_00"}));
    EXPECT_TRUE(StrayFiles().empty());
}

// The file names each value's type, so a reader never guesses.
TEST_F(SettingsStoreTest, FileRecordsValueTypes) {
    SettingsStore store(m_file.string());
    ASSERT_TRUE(store.Update([](SettingsTree& tree) {
        tree.SetDword("A", "D", 7);
        tree.SetBinary("A", "B", "\x00\xff", 2);
    }));
    const nlohmann::json document = nlohmann::json::parse(ReadFile(m_file));
    const nlohmann::json& values = document["root"]["keys"]["A"]["values"];
    EXPECT_EQ(values["D"]["type"], "REG_DWORD");
    EXPECT_EQ(values["D"]["data"], 7);
    EXPECT_EQ(values["B"]["type"], "REG_BINARY");
    EXPECT_EQ(values["B"]["data"], "00ff");
}

TEST_F(SettingsStoreTest, UpdateKeepsWhatOthersWroteBefore) {
    SettingsStore first(m_file.string());
    SettingsStore second(m_file.string());
    ASSERT_TRUE(first.Update([](SettingsTree& tree) { tree.SetDword(kCamera, "Size", 1); }));
    ASSERT_TRUE(second.Update([](SettingsTree& tree) { tree.SetDword(kCamera, "Clock", 2); }));
    const SettingsTree tree = first.Load();
    uint32_t value = 0;
    EXPECT_TRUE(tree.GetDword(kCamera, "Size", &value));
    EXPECT_TRUE(tree.GetDword(kCamera, "Clock", &value));
}

TEST_F(SettingsStoreTest, CorruptFilesAreMovedAsideAndDefaultsUsed) {
    const std::string corrupt[] = {
        "{not json",
        "",
        "[1, 2, 3]",
        R"({"format": "other", "version": 1, "root": {"keys": {}, "values": {}}})",
        R"({"format": "kelvra-registry", "version": 2, "root": {"keys": {}, "values": {}}})",
        R"({"format": "kelvra-registry", "version": 1, "root": {"keys": {}}})",
        R"({"format": "kelvra-registry", "version": 1, "root": {"keys": {},
            "values": {"V": {"type": "REG_DWORD", "data": -1}}}})",
        R"({"format": "kelvra-registry", "version": 1, "root": {"keys": {},
            "values": {"V": {"type": "REG_DWORD", "data": 4294967296}}}})",
        R"({"format": "kelvra-registry", "version": 1, "root": {"keys": {},
            "values": {"V": {"type": "REG_BINARY", "data": "abc"}}}})",
        R"({"format": "kelvra-registry", "version": 1, "root": {"keys": {},
            "values": {"V": {"type": "REG_SZ", "data": "text"}}}})",
        R"({"format": "kelvra-registry", "version": 1, "root": {"keys": {"K": 5},
            "values": {}}})",
    };
    for (const std::string& text : corrupt) {
        fs::create_directories(m_dir);
        WriteFile(m_file, text);
        const SettingsTree tree = SettingsStore(m_file.string()).Load();
        EXPECT_TRUE(tree.SubKeys("").empty()) << text;
        EXPECT_TRUE(tree.ValueNames("").empty()) << text;
        EXPECT_FALSE(fs::exists(m_file)) << text;
        const std::vector<fs::path> bad = BadFiles();
        ASSERT_EQ(bad.size(), 1u) << text;
        EXPECT_EQ(ReadFile(bad[0]), text);  // kept for the user, unchanged
        fs::remove(bad[0]);
    }
}

TEST_F(SettingsStoreTest, UpdateOverACorruptFileStartsFresh) {
    fs::create_directories(m_dir);
    WriteFile(m_file, "garbage");
    SettingsStore store(m_file.string());
    ASSERT_TRUE(store.Update([](SettingsTree& tree) { tree.SetDword(kCamera, "Size", 3); }));
    uint32_t value = 0;
    EXPECT_TRUE(store.Load().GetDword(kCamera, "Size", &value));
    EXPECT_EQ(value, 3u);
    ASSERT_EQ(BadFiles().size(), 1u);
    EXPECT_EQ(ReadFile(BadFiles()[0]), "garbage");
}

TEST_F(SettingsStoreTest, ThrowingEditLeavesTheFileAlone) {
    SettingsStore store(m_file.string());
    ASSERT_TRUE(store.Update([](SettingsTree& tree) { tree.SetDword(kCamera, "Size", 1); }));
    const std::string before = ReadFile(m_file);
    EXPECT_FALSE(store.Update([](SettingsTree& tree) {
        tree.SetDword(kCamera, "Size", 2);
        throw std::runtime_error("edit failed");
    }));
    EXPECT_EQ(ReadFile(m_file), before);
    EXPECT_TRUE(StrayFiles().empty());
}

// Root ignores directory permissions, so the update runs in a child that gives up root.
TEST_F(SettingsStoreTest, UnwritableDirectoryFailsWithoutTouchingTheFile) {
    SettingsStore store(m_file.string());
    ASSERT_TRUE(store.Update([](SettingsTree& tree) { tree.SetDword(kCamera, "Size", 1); }));
    const std::string before = ReadFile(m_file);
    fs::permissions(m_root, fs::perms::owner_all | fs::perms::others_exec | fs::perms::group_exec);
    fs::permissions(m_file, fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read |
                                fs::perms::others_read);
    fs::permissions(m_file.string() + ".lock", fs::perms::all);
    fs::permissions(m_dir, fs::perms::owner_read | fs::perms::owner_exec | fs::perms::group_read |
                               fs::perms::group_exec | fs::perms::others_read |
                               fs::perms::others_exec);
    const int result = RunInChild([&] {
        if (geteuid() == 0 && (setgid(kNobody) != 0 || setuid(kNobody) != 0)) return 3;
        SettingsStore unprivileged(m_file.string());
        uint32_t value = 0;
        if (!unprivileged.Load().GetDword(kCamera, "Size", &value) || value != 1) return 2;
        return unprivileged.Update([](SettingsTree& tree) { tree.SetDword(kCamera, "Size", 2); })
                   ? 1
                   : 0;
    });
    EXPECT_EQ(result, 0);
    fs::permissions(m_dir, fs::perms::owner_all);
    EXPECT_EQ(ReadFile(m_file), before);
    EXPECT_TRUE(StrayFiles().empty());
}

// A write that fails half way (here: the file-size limit) must not reach the settings file.
TEST_F(SettingsStoreTest, FailedWriteLeavesNoTornFile) {
    SettingsStore store(m_file.string());
    ASSERT_TRUE(store.Update([](SettingsTree& tree) { tree.SetDword(kCamera, "Size", 1); }));
    const std::string before = ReadFile(m_file);
    constexpr rlim_t kLimit = 4096;
    const int result = RunInChild([&] {
        signal(SIGXFSZ, SIG_IGN);
        const rlimit limit{kLimit, kLimit};
        if (setrlimit(RLIMIT_FSIZE, &limit) != 0) return 3;
        const std::vector<uint8_t> large(64 * 1024, 0xAB);
        return store.Update([&](SettingsTree& tree) {
            tree.SetBinary(kCamera, "Large", large.data(), large.size());
        })
                   ? 1
                   : 0;
    });
    EXPECT_EQ(result, 0);
    EXPECT_EQ(ReadFile(m_file), before);
    EXPECT_TRUE(StrayFiles().empty());
}

TEST_F(SettingsStoreTest, TwoProcessesUpdatingAtOnceLoseNothing) {
    constexpr int kUpdates = 25;
    const auto writer = [this](const std::string& owner) {
        SettingsStore store(m_file.string());
        for (int i = 0; i < kUpdates; ++i) {
            const bool ok = store.Update([&](SettingsTree& tree) {
                tree.SetDword(kCamera + "\\" + owner, "Key_" + std::to_string(i),
                              static_cast<uint32_t>(i));
            });
            if (!ok) return 1;
        }
        return 0;
    };
    const pid_t child = StartChild([&] { return writer("Child"); });
    ASSERT_GT(child, 0);
    EXPECT_EQ(writer("Parent"), 0);
    EXPECT_EQ(WaitChild(child), 0);
    const SettingsTree tree = SettingsStore(m_file.string()).Load();
    EXPECT_EQ(tree.ValueNames(kCamera + "\\Child").size(), static_cast<size_t>(kUpdates));
    EXPECT_EQ(tree.ValueNames(kCamera + "\\Parent").size(), static_cast<size_t>(kUpdates));
    EXPECT_TRUE(StrayFiles().empty());
}

TEST_F(SettingsStoreTest, TwoThreadsUpdatingAtOnceLoseNothing) {
    constexpr int kUpdates = 25;
    const auto writer = [this](const std::string& owner) {
        SettingsStore store(m_file.string());
        for (int i = 0; i < kUpdates; ++i) {
            store.Update([&](SettingsTree& tree) {
                tree.SetDword(kCamera + "\\" + owner, "Key_" + std::to_string(i), 1);
            });
        }
    };
    std::thread other(writer, "Other");
    writer("Main");
    other.join();
    const SettingsTree tree = SettingsStore(m_file.string()).Load();
    EXPECT_EQ(tree.ValueNames(kCamera + "\\Other").size(), static_cast<size_t>(kUpdates));
    EXPECT_EQ(tree.ValueNames(kCamera + "\\Main").size(), static_cast<size_t>(kUpdates));
}

TEST(SettingsStore, EmptyPathLoadsNothingAndRefusesUpdates) {
    SettingsStore store("");
    EXPECT_TRUE(store.Load().SubKeys("").empty());
    EXPECT_FALSE(store.Update([](SettingsTree& tree) { tree.SetDword("A", "B", 1); }));
}

// Restores an environment variable when the test ends.
class ScopedEnv {
  public:
    explicit ScopedEnv(const char* name) : m_name(name) {
        const char* value = std::getenv(name);
        m_had = value != nullptr;
        if (m_had) m_value = value;
    }
    ~ScopedEnv() {
        if (m_had) {
            setenv(m_name, m_value.c_str(), 1);
        } else {
            unsetenv(m_name);
        }
    }

  private:
    const char* m_name;
    bool m_had = false;
    std::string m_value;
};

TEST(SettingsStore, DefaultPathFollowsXdgThenHome) {
    const ScopedEnv xdg("XDG_CONFIG_HOME");
    const ScopedEnv home("HOME");
    setenv("XDG_CONFIG_HOME", "/xdg/config", 1);
    setenv("HOME", "/home/user", 1);
    EXPECT_EQ(SettingsStore::DefaultPath(), "/xdg/config/kelvra/registry.json");
    setenv("XDG_CONFIG_HOME", "relative/config", 1);  // not absolute: ignored
    EXPECT_EQ(SettingsStore::DefaultPath(), "/home/user/.config/kelvra/registry.json");
    unsetenv("XDG_CONFIG_HOME");
    EXPECT_EQ(SettingsStore::DefaultPath(), "/home/user/.config/kelvra/registry.json");
}

}  // namespace
}  // namespace kelvra::platform

namespace kelvra::platform {
namespace {

// Loading an unchanged file parses nothing again, whatever wrote it; a change is seen.
TEST_F(SettingsStoreTest, UnchangedFileIsParsedOnlyOnce) {
    SettingsStore writer(m_file.string());
    ASSERT_TRUE(writer.Update([](SettingsTree& tree) { tree.SetDword(kCamera, "Size", 1); }));
    SettingsStore reader(m_file.string());
    for (int i = 0; i < 5; ++i) reader.Load();
    ASSERT_TRUE(reader.Update([](SettingsTree& tree) { tree.SetDword(kCamera, "Clock", 2); }));
    for (int i = 0; i < 5; ++i) reader.Load();
    EXPECT_EQ(reader.ParseCount(), 1u);
    EXPECT_EQ(writer.ParseCount(), 0u);  // it wrote every version it has seen

    ASSERT_TRUE(writer.Update([](SettingsTree& tree) { tree.SetDword(kCamera, "Size", 7); }));
    uint32_t size = 0;
    EXPECT_TRUE(reader.Load().GetDword(kCamera, "Size", &size));
    EXPECT_EQ(size, 7u);
    EXPECT_EQ(reader.ParseCount(), 2u);
    EXPECT_EQ(writer.ParseCount(), 1u);  // re-read under the lock before its edit
}

// The file is written compactly, and never larger than the store reads back: a store that
// wrote a file must read it again, or every other key in it would be moved aside and lost.
TEST_F(SettingsStoreTest, OwnOutputIsCompactAndNeverRejected) {
    constexpr int64_t kCap = 48 * 1024;
    SettingsStore store(m_file.string(), kCap);
    const auto fill = [](SettingsTree& tree, int keys) {
        for (int key = 0; key < keys; ++key) {
            std::string path = kCamera;
            path += "\\K";
            path += std::to_string(key);
            for (int value = 0; value < 20; ++value) {
                std::string name = "V";
                name += std::to_string(value);
                tree.SetDword(path, name, static_cast<uint32_t>(value));
            }
        }
    };
    // About 40 KiB written compactly; indented it would be more than twice that.
    ASSERT_TRUE(store.Update([&](SettingsTree& tree) { fill(tree, 55); }));
    const std::string text = ReadFile(m_file);
    EXPECT_EQ(text.find("\n "), std::string::npos);
    EXPECT_GT(text.size(), static_cast<size_t>(kCap) * 3 / 4);

    SettingsStore fresh(m_file.string(), kCap);
    EXPECT_EQ(fresh.Load().ValueNames(kCamera + "\\K54").size(), 20u);
    EXPECT_TRUE(BadFiles().empty());

    // A tree the store would refuse to read is not written; the old file stays.
    EXPECT_FALSE(store.Update([&](SettingsTree& tree) { fill(tree, 80); }));
    EXPECT_TRUE(ReadFile(m_file) == text);
    EXPECT_TRUE(StrayFiles().empty());
}

}  // namespace
}  // namespace kelvra::platform

#pragma once

#include <cstdlib>
#include <filesystem>
#include <string>

#include <unistd.h>

namespace kelvra::test {

// Points XDG_CONFIG_HOME at a fresh directory for the life of the object, so each test starts
// with an empty settings store and leaves nothing behind. Every CTest case runs in its own
// process, so changing the environment here races with nothing.
class TempConfigHome {
  public:
    TempConfigHome() {
        std::string pattern =
            (std::filesystem::temp_directory_path() / "kelvra-test-XXXXXX").string();
        dir_ = mkdtemp(pattern.data());
        setenv("XDG_CONFIG_HOME", dir_.c_str(), 1);
        unsetenv("KELVRA_SIMULATED_CAMERAS");
    }
    ~TempConfigHome() {
        std::error_code ignored;
        std::filesystem::remove_all(dir_, ignored);
    }
    TempConfigHome(const TempConfigHome&) = delete;
    TempConfigHome& operator=(const TempConfigHome&) = delete;

    const std::filesystem::path& Dir() const { return dir_; }
    std::filesystem::path RegistryFile() const { return dir_ / "kelvra" / "registry.json"; }

  private:
    std::filesystem::path dir_;
};

}  // namespace kelvra::test

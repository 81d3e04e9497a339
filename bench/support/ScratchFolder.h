// A folder of its own for the files a benchmark writes, removed with everything in it at the
// end. KELVRA_BENCH_DIR chooses where it is made (a disk or a tmpfs), else `base`.
#pragma once

#include <stdlib.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <system_error>

namespace kelvra::bench {

class ScratchFolder {
  public:
    explicit ScratchFolder(const char* prefix,
                           const std::filesystem::path& base = std::filesystem::path(".")) {
        const char* chosen = std::getenv("KELVRA_BENCH_DIR");
        std::string pattern = ((chosen != nullptr ? std::filesystem::path(chosen) : base) /
                               (std::string(prefix) + "-XXXXXX"))
                                  .string();
        if (mkdtemp(pattern.data()) != nullptr) dir_ = pattern;
    }
    ~ScratchFolder() {
        std::error_code ignored;
        std::filesystem::remove_all(dir_, ignored);
    }
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;

    std::string Path(const char* name) const { return (dir_ / name).string(); }

  private:
    std::filesystem::path dir_;
};

}  // namespace kelvra::bench

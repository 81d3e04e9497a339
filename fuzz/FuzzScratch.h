// A private folder for the files a fuzz target hands to a loader, on tmpfs where there is one
// (the loaders read files, and the settings store also writes them).
#pragma once

#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

namespace kelvra::fuzz {

class Scratch {
  public:
    Scratch() {
        const std::filesystem::path base = std::filesystem::exists("/dev/shm")
                                               ? "/dev/shm"
                                               : std::filesystem::temp_directory_path();
        std::string pattern = (base / "kelvra-fuzz-XXXXXX").string();
        if (mkdtemp(pattern.data()) == nullptr) std::abort();
        dir_ = pattern;
    }
    ~Scratch() {
        std::error_code ignored;
        std::filesystem::remove_all(dir_, ignored);
    }

    std::string Path(const char* name) const { return (dir_ / name).string(); }

    // Empties the folder (loaders may have moved files aside or left new ones).
    void Clear() const {
        std::error_code ignored;
        for (const auto& entry : std::filesystem::directory_iterator(dir_, ignored)) {
            std::filesystem::remove_all(entry.path(), ignored);
        }
    }

    void Write(const std::string& path, const uint8_t* data, size_t size) const {
        FILE* f = std::fopen(path.c_str(), "wb");
        if (f == nullptr) std::abort();
        if (size > 0 && std::fwrite(data, 1, size, f) != size) std::abort();
        if (std::fclose(f) != 0) std::abort();
    }

  private:
    std::filesystem::path dir_;
};

}  // namespace kelvra::fuzz

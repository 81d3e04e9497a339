// A settings store of its own for one benchmark. The library loads its settings from
// $XDG_CONFIG_HOME/kelvra/registry.json when a handle is initialised and saves them when it is
// released, so without this a benchmark would run with the steps the one before it left behind,
// and a run on a user's machine would rewrite the user's own settings.
#pragma once

#include <cstdlib>
#include <filesystem>
#include <optional>
#include <string>
#include <system_error>

#include <unistd.h>

namespace kelvra::bench {

// Points XDG_CONFIG_HOME at a fresh temporary folder for the life of the object and puts the
// previous value back afterwards. Create it before Kelvra_Initialize and destroy it after
// Kelvra_Release, while no other thread reads the environment.
class ScratchSettingsStore {
  public:
    ScratchSettingsStore() {
        if (const char* old = std::getenv(kVariable)) previous_ = old;
        std::string pattern =
            (std::filesystem::temp_directory_path() / "kelvra-bench-XXXXXX").string();
        if (mkdtemp(pattern.data()) != nullptr) {
            dir_ = pattern;
            setenv(kVariable, dir_.c_str(), 1);
        } else {
            // Never fall back to the user's own store.
            setenv(kVariable, "/nonexistent/kelvra-bench", 1);
        }
    }
    ~ScratchSettingsStore() {
        if (previous_) {
            setenv(kVariable, previous_->c_str(), 1);
        } else {
            unsetenv(kVariable);
        }
        std::error_code ignored;
        if (!dir_.empty()) std::filesystem::remove_all(dir_, ignored);
    }
    ScratchSettingsStore(const ScratchSettingsStore&) = delete;
    ScratchSettingsStore& operator=(const ScratchSettingsStore&) = delete;

  private:
    static constexpr const char* kVariable = "XDG_CONFIG_HOME";
    std::optional<std::string> previous_;
    std::filesystem::path dir_;
};

}  // namespace kelvra::bench

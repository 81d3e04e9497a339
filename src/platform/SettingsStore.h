// The registry stand-in on disk: one JSON file holding the whole settings tree, shared safely
// between threads and processes.
#pragma once

#include <functional>
#include <string>

#include "platform/SettingsTree.h"

namespace kelvra::platform {

class SettingsStore {
  public:
    explicit SettingsStore(std::string filePath);

    static std::string DefaultPath();

    const std::string& Path() const { return m_path; }
    SettingsTree Load() const;
    bool Update(const std::function<void(SettingsTree&)>& edit);

  private:
    std::string m_path;
};

}  // namespace kelvra::platform

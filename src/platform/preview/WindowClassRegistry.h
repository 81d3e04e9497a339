// The process-wide table of window class names: the stand-in for RegisterClassExA and
// UnregisterClassA. A preview window is created only from a registered class, and a class
// cannot be unregistered while windows made from it exist.
#pragma once

#include <cstddef>
#include <mutex>
#include <string>
#include <unordered_map>

namespace kelvra::platform::preview {

class WindowClassRegistry {
  public:
    // Class names longer than this are refused, as the Windows API refuses them.
    static constexpr size_t kMaxNameLength = 255;

    static WindowClassRegistry& Instance();

    WindowClassRegistry(const WindowClassRegistry&) = delete;
    WindowClassRegistry& operator=(const WindowClassRegistry&) = delete;

    bool Register(const std::string& name);
    bool Unregister(const std::string& name);
    bool IsRegistered(const std::string& name) const;
    size_t Count() const;

    bool AddWindow(const std::string& name);
    void RemoveWindow(const std::string& name);

  private:
    WindowClassRegistry() = default;

    mutable std::mutex m_mutex;
    // Class name → number of live windows made from it.
    std::unordered_map<std::string, size_t> m_classes;
};

}  // namespace kelvra::platform::preview

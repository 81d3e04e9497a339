// The process-wide table from HWND values to window objects. An HWND is an id, never a
// pointer, so a destroyed or invented handle is simply not found.
#pragma once

#include <cstdint>
#include <memory>
#include <mutex>
#include <unordered_map>

#include "KelvraSdk.h"
#include "platform/WindowObject.h"

namespace kelvra::platform {

class WindowRegistry {
  public:
    static WindowRegistry& Instance();

    WindowRegistry(const WindowRegistry&) = delete;
    WindowRegistry& operator=(const WindowRegistry&) = delete;

    HWND Add(std::shared_ptr<WindowObject> window);
    std::shared_ptr<WindowObject> Find(HWND handle) const;
    std::shared_ptr<WindowObject> Remove(HWND handle);

  private:
    WindowRegistry() = default;

    mutable std::mutex m_mutex;
    std::unordered_map<uintptr_t, std::shared_ptr<WindowObject>> m_windows;
    uintptr_t m_lastId = 0;
};

}  // namespace kelvra::platform

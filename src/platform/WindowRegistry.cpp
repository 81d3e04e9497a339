#include "platform/WindowRegistry.h"

#include <utility>

namespace kelvra::platform {

namespace {

// Ids count up from here and are never reused within a process (2^64 of them), so a stale
// handle cannot reach a newer window. Starting high keeps them unlike small integers.
constexpr uintptr_t kFirstWindowId = 0x10000;

uintptr_t IdOf(HWND handle) {
    return reinterpret_cast<uintptr_t>(handle);
}

}  // namespace

// The one registry of the process. Deliberately never destroyed: windows may still be looked
// up from other static destructors or detached threads while the process exits.
WindowRegistry& WindowRegistry::Instance() {
    static WindowRegistry* const registry = new WindowRegistry();
    return *registry;
}

// Issues a fresh handle for `window`, records it in the window and makes it findable. Returns
// null for a null window. May throw std::bad_alloc.
HWND WindowRegistry::Add(std::shared_ptr<WindowObject> window) {
    if (!window) return nullptr;
    std::lock_guard<std::mutex> lock(m_mutex);
    const uintptr_t id = m_lastId == 0 ? kFirstWindowId : m_lastId + 1;
    const HWND handle = reinterpret_cast<HWND>(id);
    window->m_handle = handle;
    m_windows.emplace(id, std::move(window));
    m_lastId = id;
    return handle;
}

// The window of `handle`, or null when it was never issued or has been removed. The caller's
// reference keeps the object alive while it works with it, even if it is removed meanwhile.
std::shared_ptr<WindowObject> WindowRegistry::Find(HWND handle) const {
    std::lock_guard<std::mutex> lock(m_mutex);
    const auto it = m_windows.find(IdOf(handle));
    return it == m_windows.end() ? nullptr : it->second;
}

// Takes the window of `handle` out of the table and returns it (null if unknown); from now on
// the handle is unknown. The caller closes the window.
std::shared_ptr<WindowObject> WindowRegistry::Remove(HWND handle) {
    std::lock_guard<std::mutex> lock(m_mutex);
    const auto it = m_windows.find(IdOf(handle));
    if (it == m_windows.end()) return nullptr;
    std::shared_ptr<WindowObject> window = std::move(it->second);
    m_windows.erase(it);
    return window;
}

}  // namespace kelvra::platform

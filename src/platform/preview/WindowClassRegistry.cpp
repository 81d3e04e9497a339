#include "platform/preview/WindowClassRegistry.h"

#include <new>

namespace kelvra::platform::preview {

// The one table of the process; never destroyed, so windows torn down by static destructors
// can still release their class.
WindowClassRegistry& WindowClassRegistry::Instance() {
    static WindowClassRegistry* const registry = new WindowClassRegistry();
    return *registry;
}

// Adds a class. False for an empty name, a name longer than kMaxNameLength, a name already
// registered, or when memory runs out. Any thread.
bool WindowClassRegistry::Register(const std::string& name) {
    if (name.empty() || name.size() > kMaxNameLength) return false;
    try {
        std::lock_guard<std::mutex> lock(m_mutex);
        return m_classes.emplace(name, 0).second;
    } catch (const std::bad_alloc&) {
        return false;
    }
}

// Removes a class. False for an unknown name and while a window of the class still exists
// (the window must be destroyed first). Any thread.
bool WindowClassRegistry::Unregister(const std::string& name) {
    std::lock_guard<std::mutex> lock(m_mutex);
    const auto it = m_classes.find(name);
    if (it == m_classes.end() || it->second != 0) return false;
    m_classes.erase(it);
    return true;
}

bool WindowClassRegistry::IsRegistered(const std::string& name) const {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_classes.count(name) != 0;
}

// How many classes are registered: lets tests prove that nothing leaks.
size_t WindowClassRegistry::Count() const {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_classes.size();
}

// Counts a new window of class `name`. False when the class is not registered.
bool WindowClassRegistry::AddWindow(const std::string& name) {
    std::lock_guard<std::mutex> lock(m_mutex);
    const auto it = m_classes.find(name);
    if (it == m_classes.end()) return false;
    ++it->second;
    return true;
}

// Forgets one window of class `name`, counted before by a successful AddWindow.
void WindowClassRegistry::RemoveWindow(const std::string& name) {
    std::lock_guard<std::mutex> lock(m_mutex);
    const auto it = m_classes.find(name);
    if (it != m_classes.end() && it->second != 0) --it->second;
}

}  // namespace kelvra::platform::preview

#pragma once
// Camera settings changed for one command and put back before the handle is released, because
// the library saves the current settings as the camera's own when it is released.

#include <functional>
#include <string>
#include <vector>

#include "CommandLine.h"
#include "Session.h"

namespace kelvra::tool {

class SettingsScope {
  public:
    explicit SettingsScope(Session& session) : session_(session) {}
    // Restores, newest change first.
    ~SettingsScope();
    SettingsScope(const SettingsScope&) = delete;
    SettingsScope& operator=(const SettingsScope&) = delete;

    void colorMode(const std::string& command, const std::string& value);
    void exposure(double seconds);
    void gain(int value);
    void window(const WindowGeometry& window);
    void mirror(const Mirror& mirror);
    // Loads the references of `path` and switches the flat-field correction on.
    void mask(const std::string& path);

  private:
    Session& session_;
    std::vector<std::function<void()>> restore_;
};

}  // namespace kelvra::tool

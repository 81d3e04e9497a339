#pragma once
// Camera settings changed for one command and put back before the handle is released, because
// the library saves the current settings as the camera's own when it is released.

#include <functional>
#include <string>
#include <vector>

#include "Session.h"
#include "SettingsOptions.h"

namespace kelvra::tool {

class SettingsScope {
  public:
    // Checks `request` against the camera (ranges, window rules) before anything changes, then
    // applies it. Throws ToolFailure when a value is refused; what was applied by then is put
    // back first.
    SettingsScope(Session& session, const SettingsRequest& request);
    // Restores, newest change first, unless keep() was called.
    ~SettingsScope();
    SettingsScope(const SettingsScope&) = delete;
    SettingsScope& operator=(const SettingsScope&) = delete;

    // The changes stay (kelvra set): the library saves them as the camera's settings.
    void keep() { restore_.clear(); }

  private:
    void check(const SettingsRequest& request);
    void apply(const SettingsRequest& request);
    void restoreAll();

    void colorMode(int bits);
    void window(const WindowGeometry& window);
    void exposure(double seconds);
    void gain(int value);
    void blackLevel(int value);
    void mirror(const Mirror& mirror);
    void autoExposure(AutoExposure mode);
    void cooler(bool on);
    // Loads the references of `path` and switches the flat-field correction on.
    void mask(const std::string& path);
    // A filter value switched on or off (flat-field, dot filter).
    void filterSwitch(int index, const char* name, bool on);

    Session& session_;
    std::vector<std::function<void()>> restore_;
};

}  // namespace kelvra::tool

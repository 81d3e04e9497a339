#pragma once
// The open camera's settings as get, info and the settings options see them: current values,
// the camera's ranges, and what readout windows it accepts.

#include <string>
#include <string_view>
#include <vector>

#include "Json.h"
#include "KelvraSdk.h"
#include "Session.h"
#include "SettingsOptions.h"

namespace kelvra::tool {

// Throws ToolFailure when the library cannot say.
KELVRA_CAMERA_INFO readCameraInfo(Session& session);
WindowGeometry currentWindow(Session& session);

// One setting's current value: as text for people and as a JSON value (null when the camera
// cannot say).
struct SettingReading {
    std::string name;
    std::string text;
    Json json;
};
// Reads `names` (settingNames() order when empty). Throws UsageError for an unknown name.
std::vector<SettingReading> readSettings(Session& session, const std::string& command,
                                         const std::vector<std::string>& names);

// Checks `window` against what the camera takes, before anything changes. Throws ToolFailure
// with the camera's rules in words.
void checkWindow(Session& session, const WindowGeometry& window, std::string_view what);
// The camera's rules, e.g. "camera 0 reads whole rows only: 1280xH+0+Y, H from 8 to 1024 in
// steps of 8, Y a multiple of 8, Y + H at most 1024".
std::string windowRules(Session& session);

}  // namespace kelvra::tool

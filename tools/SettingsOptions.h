#pragma once
// The camera settings as the user names them: in "kelvra get/set NAME[=VALUE]" and as options
// of stream, snap and record ("--exposure 10ms --gain 100 --window 1280x512+0+256 ...").
// Parsing only (no library calls): a typo is found before the camera is touched.

#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "CommandLine.h"

namespace kelvra::tool {

// Automatic exposure modes of the library (0 off, 1 exposure, 2 gain).
enum class AutoExposure { Off = 0, Exposure = 1, Gain = 2 };

// Settings asked for, each checked for its form; ranges are the camera's and checked later.
struct SettingsRequest {
    std::optional<int> colorMode;  // bits per pixel, 8 or 16
    std::optional<WindowGeometry> window;
    std::optional<double> exposure;  // seconds
    std::optional<int> gain;
    std::optional<int> blackLevel;
    std::optional<Mirror> mirror;
    std::optional<AutoExposure> autoExposure;
    std::optional<bool> cooler;
    std::optional<std::string> mask;  // a mask file whose references the flat-field uses
    std::optional<bool> flatField;
    std::optional<bool> dotFilter;

    bool empty() const;
};

// The names get prints, in its order. "temperature" is read-only.
const std::vector<std::string>& settingNames();
// Names the library keeps between runs (it saves them when the camera is released); the others
// last for one run only.
bool settingPersists(std::string_view name);

// Parses the value of setting `name` into `request`. `what` names it in messages ("gain" for
// set, "--gain" for an option). Throws UsageError (with a "did you mean" for a misspelt name).
void parseSetting(SettingsRequest& request, const std::string& command, std::string_view name,
                  std::string_view what, std::string_view text);

// The value options every camera-using run command accepts: the settings and --mask.
const std::set<std::string>& settingsOptionNames();
// The settings given as options on `line`.
SettingsRequest settingsFromOptions(const CommandLine& line);
// Help lines for the options, for the commands' usage texts.
extern const std::string_view kSettingsOptionsHelp;

// "on"/"off" and friends.
std::string_view onOff(bool on);
std::string_view autoExposureName(AutoExposure mode);
std::string mirrorName(const Mirror& mirror);
std::string windowText(const WindowGeometry& window);

}  // namespace kelvra::tool

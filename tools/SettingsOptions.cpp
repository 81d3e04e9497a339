#include "SettingsOptions.h"

#include <algorithm>

namespace kelvra::tool {
namespace {

// The black level register of the family holds 12 bits.
constexpr long long kBlackLevelMax = 4095;
constexpr long long kGainMax = 0x7FFFFFFF;  // the camera's own range is checked once it is open

const std::vector<std::string> kNames = {"exposure",   "gain",       "black-level", "mirror",
                                         "window",     "color-mode", "cooler",      "auto-exposure",
                                         "flat-field", "dot-filter", "temperature"};
const std::set<std::string_view> kPersisting = {"exposure", "gain", "black-level", "mirror",
                                                "auto-exposure"};

bool parseSwitch(const std::string& command, std::string_view what, std::string_view text) {
    if (text == "on") return true;
    if (text == "off") return false;
    throw UsageError(command, std::string(what) + ": '" + std::string(text) + "' is not on or off");
}

AutoExposure parseAutoExposure(const std::string& command, std::string_view what,
                               std::string_view text) {
    if (text == "off") return AutoExposure::Off;
    if (text == "exposure") return AutoExposure::Exposure;
    if (text == "gain") return AutoExposure::Gain;
    throw UsageError(
        command, std::string(what) + ": '" + std::string(text) + "' is not off, exposure or gain");
}

}  // namespace

bool SettingsRequest::empty() const {
    return !colorMode && !window && !exposure && !gain && !blackLevel && !mirror && !autoExposure &&
           !cooler && !mask && !flatField && !dotFilter;
}

const std::vector<std::string>& settingNames() {
    return kNames;
}

bool settingPersists(std::string_view name) {
    return kPersisting.count(name) != 0;
}

void parseSetting(SettingsRequest& request, const std::string& command, std::string_view name,
                  std::string_view what, std::string_view text) {
    if (name == "exposure") {
        request.exposure = parseExposure(command, text, what);
    } else if (name == "gain") {
        request.gain = static_cast<int>(parseInteger(command, what, text, 0, kGainMax));
    } else if (name == "black-level") {
        request.blackLevel = static_cast<int>(parseInteger(command, what, text, 0, kBlackLevelMax));
    } else if (name == "mirror") {
        request.mirror = parseMirror(command, text, what);
    } else if (name == "window") {
        request.window = parseWindow(command, text, what);
    } else if (name == "color-mode") {
        request.colorMode = parseColorMode(command, text, what);
    } else if (name == "cooler") {
        request.cooler = parseSwitch(command, what, text);
    } else if (name == "auto-exposure") {
        request.autoExposure = parseAutoExposure(command, what, text);
    } else if (name == "flat-field") {
        request.flatField = parseSwitch(command, what, text);
    } else if (name == "dot-filter") {
        request.dotFilter = parseSwitch(command, what, text);
    } else if (name == "mask") {
        if (text.empty()) throw UsageError(command, std::string(what) + " needs a file name");
        request.mask = std::string(text);
    } else {
        throw UsageError(command, "unknown setting '" + std::string(name) + "'" +
                                      didYouMean(name, settingNames()));
    }
}

const std::set<std::string>& settingsOptionNames() {
    static const std::set<std::string> names = [] {
        std::set<std::string> options(kNames.begin(), kNames.end());
        options.erase("temperature");
        options.insert("mask");
        return options;
    }();
    return names;
}

SettingsRequest settingsFromOptions(const CommandLine& line) {
    SettingsRequest request;
    for (const auto& [name, value] : line.options) {
        if (settingsOptionNames().count(name) != 0) {
            parseSetting(request, line.command, name, "--" + name, value);
        }
    }
    if (request.mask && request.flatField == false) {
        throw UsageError(line.command, "--mask switches the flat-field on; drop --flat-field off");
    }
    return request;
}

const std::string_view kSettingsOptionsHelp =
    "  --exposure TIME        exposure such as 10ms, 0.5s or 250us (a bare number is ms)\n"
    "  --gain N               global gain (see 'kelvra info' for the camera's range)\n"
    "  --black-level N        black level, 0 to 4095, where the camera has one\n"
    "  --window WxH+X+Y       readout window (WxH alone starts at 0,0)\n"
    "  --mirror h|v|hv|none   mirror horizontally, vertically or both\n"
    "  --color-mode 8|16      bits per pixel\n"
    "  --auto-exposure off|exposure|gain\n"
    "                         automatic exposure or automatic gain\n"
    "  --cooler on|off        the sensor cooler (opening the camera switches it on)\n"
    "  --mask FILE            flat-field correction with the references of a mask file\n"
    "  --flat-field on|off    flat-field correction with the references loaded\n"
    "  --dot-filter on|off    the defect-pixel filter\n"
    "These settings apply to this run only; the camera's saved settings are restored.\n";

std::string_view onOff(bool on) {
    return on ? "on" : "off";
}

std::string_view autoExposureName(AutoExposure mode) {
    switch (mode) {
        case AutoExposure::Exposure:
            return "exposure";
        case AutoExposure::Gain:
            return "gain";
        default:
            return "off";
    }
}

std::string mirrorName(const Mirror& mirror) {
    if (mirror.horizontal && mirror.vertical) return "hv";
    if (mirror.horizontal) return "h";
    if (mirror.vertical) return "v";
    return "none";
}

std::string windowText(const WindowGeometry& window) {
    return std::to_string(window.width) + "x" + std::to_string(window.height) + "+" +
           std::to_string(window.x) + "+" + std::to_string(window.y);
}

}  // namespace kelvra::tool

#pragma once
// Read-outs of the open camera shared by list, info, stream and demo.

#include <cstdio>
#include <optional>

#include "Session.h"

namespace kelvra::tool {

// Prints one line per attached camera (number, name, serial, product id, link speed), or
// "No camera was found."; a camera on a link slower than USB 3 is warned about on stderr. Opens
// each camera in turn to read its serial number; afterwards the camera of --camera (default 0) is
// open again. Returns the number of cameras. With `json`, one line {"cameras": [...]} instead (the
// warning still goes to stderr).
int printCameraList(Session& session, std::FILE* out, bool json = false);
// Prints the open camera's properties, one "name: value" per line (current values beside the
// camera's ranges), or one line of JSON.
void printCameraInfo(Session& session, std::FILE* out, bool json = false);
// Sensor temperature in degrees Celsius; nullopt when the camera cannot report it.
std::optional<double> readTemperature(Session& session);
// Cooler on (true) or off; nullopt when the camera has none or it cannot be read.
std::optional<bool> readCooler(Session& session);
// Output width and height of the current readout window, after subsampling.
struct FrameSize {
    int width = 0;
    int height = 0;
};
FrameSize outputFrameSize(Session& session);
// Applies --color-mode 8|16 (throws UsageError for other values, ToolFailure on refusal).
void applyColorMode(Session& session, const std::string& command, const std::string& value);

}  // namespace kelvra::tool

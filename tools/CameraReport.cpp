#include "CameraReport.h"

#include <string>

#include "CameraSettings.h"
#include "CommandLine.h"
#include "ErrorWords.h"
#include "Formatting.h"
#include "Json.h"

namespace kelvra::tool {
namespace {

// The library serves one product; every camera it lists has this USB product id (the build's).
constexpr int kProductId = KELVRA_TOOL_PRODUCT_ID;
// Kelvra_ReadSerialNumberA needs at least this many bytes.
constexpr int kSerialBufferBytes = 64;
// Subsample mode 1 halves both sides.
constexpr int kHalfSizeSubsample = 1;

std::string readSerial(Session& session) {
    char serial[kSerialBufferBytes] = {};
    if (Kelvra_ReadSerialNumberA(session.handle(), serial, sizeof serial) == 0 || serial[0] == 0) {
        return "unknown";
    }
    return serial;
}

}  // namespace

int printCameraList(Session& session, std::FILE* out, bool json) {
    char names[KELVRA_MAX_LISTED_DEVICES][KELVRA_DEVICE_NAME_LENGTH];
    const int count = Kelvra_EnumDevice(session.handle(), names);
    Json cameras = Json::array();
    if (count == 0 && !json) {
        std::fprintf(out, "No camera was found.\n");
        return 0;
    }
    const int previous = session.camera();
    for (int i = 0; i < count; ++i) {
        std::string serial = "unknown";
        int link = 0;
        if (Kelvra_SetDeviceNumber(session.handle(), i) != 0) {
            serial = readSerial(session);
            link = Kelvra_GetLinkSpeed(session.handle());
        }
        char productId[8];
        std::snprintf(productId, sizeof productId, "0x%04X", kProductId);
        if (json) {
            cameras.push_back({{"index", i},
                               {"name", names[i]},
                               {"serial", serial},
                               {"productId", productId},
                               {"linkMbps", link}});
        } else {
            std::fprintf(out, "%d: %s  serial %s  product %s  %s\n", i, names[i], serial.c_str(),
                         productId, formatLinkSpeed(link).c_str());
        }
        if (link > 0 && link < KELVRA_LINK_SUPER_SPEED) {
            std::fprintf(stderr,
                         "kelvra: warning: camera %d is on a %s link and delivers only a fraction "
                         "of its frame rate; plug it into a USB 3 port\n",
                         i, formatLinkSpeed(link).c_str());
        }
    }
    if (previous >= 0) session.selectCamera(previous);
    if (json) printJson(Json{{"cameras", cameras}}, out);
    return count;
}

std::optional<double> readTemperature(Session& session) {
    int ok = 0;
    const double celsius = Kelvra_GetTemperatureEx(session.handle(), &ok);
    if (ok == 0) return std::nullopt;
    return celsius;
}

std::optional<bool> readCooler(Session& session) {
    int ok = 0;
    const int state = Kelvra_GetPeltier(session.handle(), &ok);
    if (ok == 0 || state < 0) return std::nullopt;
    return state != 0;
}

FrameSize outputFrameSize(Session& session) {
    FrameSize size{Kelvra_Width(session.handle()), Kelvra_Height(session.handle())};
    if (Kelvra_GetSubSample(session.handle()) == kHalfSizeSubsample) {
        size.width /= 2;
        size.height /= 2;
    }
    return size;
}

void printCameraInfo(Session& session, std::FILE* out, bool json) {
    const int handle = session.handle();
    const KELVRA_CAMERA_INFO info = readCameraInfo(session);
    char name[KELVRA_DEVICE_NAME_LENGTH] = {};
    Kelvra_GetDeviceName(handle, session.camera(), name, sizeof name);
    const WindowGeometry window = currentWindow(session);
    const std::optional<bool> cooler = readCooler(session);
    const std::optional<double> temperature = readTemperature(session);
    // The current values as get reads them.
    const std::vector<SettingReading> current = readSettings(session, "info", {"gain", "exposure"});
    const SettingReading& gain = current[0];
    const SettingReading& exposure = current[1];
    const std::string serial = readSerial(session);

    if (json) {
        printJson(
            Json{{"camera", session.camera()},
                 {"name", name},
                 {"serial", serial},
                 {"sensor", {{"width", info.maxWidth}, {"height", info.maxHeight}}},
                 {"window",
                  {{"width", window.width},
                   {"height", window.height},
                   {"x", window.x},
                   {"y", window.y}}},
                 {"colorMode", Kelvra_GetColorMode(handle)},
                 {"gain", {{"value", gain.json}, {"min", info.gainMin}, {"max", info.gainMax}}},
                 {"exposure",
                  {{"seconds", exposure.json},
                   {"min", info.exposureSecondsMin},
                   {"max", info.exposureSecondsMax}}},
                 {"temperature", jsonOrNull(temperature)},
                 {"cooler", jsonOrNull(cooler)}},
            out);
        return;
    }
    std::fprintf(out, "camera:          %d (%s)\n", session.camera(), name);
    std::fprintf(out, "serial number:   %s\n", serial.c_str());
    std::fprintf(out, "sensor:          %d x %d pixels\n", info.maxWidth, info.maxHeight);
    std::fprintf(out, "readout window:  %s\n", windowText(window).c_str());
    std::fprintf(out, "colour mode:     %d bits per pixel\n", Kelvra_GetColorMode(handle));
    std::fprintf(out, "gain:            %s (camera range %d .. %d)\n", gain.text.c_str(),
                 info.gainMin, info.gainMax);
    std::fprintf(out, "exposure:        %s (camera range %s .. %s)\n", exposure.text.c_str(),
                 formatDuration(info.exposureSecondsMin).c_str(),
                 formatDuration(info.exposureSecondsMax).c_str());
    std::fprintf(out, "temperature:     %s\n", formatTemperature(temperature).c_str());
    std::fprintf(out, "cooler:          %s\n", cooler ? (*cooler ? "on" : "off") : "n/a");
}

void applyColorMode(Session& session, const std::string& command, const std::string& value) {
    const int bits = parseColorMode(command, value);
    session.call("setting the colour mode to " + value + " bits",
                 [&] { return Kelvra_SetColorMode(session.handle(), bits); });
}

}  // namespace kelvra::tool

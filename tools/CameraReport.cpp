#include "CameraReport.h"

#include <string>

#include "CommandLine.h"
#include "ErrorWords.h"
#include "Formatting.h"

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

int printCameraList(Session& session, std::FILE* out) {
    char names[KELVRA_MAX_LISTED_DEVICES][KELVRA_DEVICE_NAME_LENGTH];
    const int count = Kelvra_EnumDevice(session.handle(), names);
    if (count == 0) {
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
        std::fprintf(out, "%d: %s  serial %s  product 0x%04X  %s\n", i, names[i], serial.c_str(),
                     kProductId, formatLinkSpeed(link).c_str());
        if (link > 0 && link < KELVRA_LINK_SUPER_SPEED) {
            std::fprintf(stderr,
                         "kelvra: warning: camera %d is on a %s link and delivers only a fraction "
                         "of its frame rate; plug it into a USB 3 port\n",
                         i, formatLinkSpeed(link).c_str());
        }
    }
    if (previous >= 0) session.selectCamera(previous);
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

void printCameraInfo(Session& session, std::FILE* out) {
    const int handle = session.handle();
    KELVRA_CAMERA_INFO info{};
    info.size = sizeof info;
    session.call("reading the camera information",
                 [&] { return Kelvra_GetCameraInfo(handle, &info); });
    char name[KELVRA_DEVICE_NAME_LENGTH] = {};
    Kelvra_GetDeviceName(handle, session.camera(), name, sizeof name);
    int th = 0, ehs = 0, eh = 0, tv = 0, evs = 0, ev = 0;
    Kelvra_GetCaptureWindowEx(handle, &th, &ehs, &eh, &tv, &evs, &ev);
    const std::optional<bool> cooler = readCooler(session);

    std::fprintf(out, "camera:          %d (%s)\n", session.camera(), name);
    std::fprintf(out, "serial number:   %s\n", readSerial(session).c_str());
    std::fprintf(out, "sensor:          %d x %d pixels\n", info.maxWidth, info.maxHeight);
    std::fprintf(out, "readout window:  %dx%d+%d+%d\n", eh, ev, ehs, evs);
    std::fprintf(out, "colour mode:     %d bits per pixel\n", Kelvra_GetColorMode(handle));
    std::fprintf(out, "gain:            %d .. %d\n", info.gainMin, info.gainMax);
    std::fprintf(out, "colour gain:     %d .. %d\n", info.colorGainMin, info.colorGainMax);
    std::fprintf(out, "exposure:        %d .. %d (0.1 ms units), %g .. %g s\n", info.exposureMin,
                 info.exposureMax, info.exposureSecondsMin, info.exposureSecondsMax);
    std::fprintf(out, "temperature:     %s\n", formatTemperature(readTemperature(session)).c_str());
    std::fprintf(out, "cooler:          %s\n", cooler ? (*cooler ? "on" : "off") : "n/a");
}

void applyColorMode(Session& session, const std::string& command, const std::string& value) {
    const int bits = parseColorMode(command, value);
    session.call("setting the colour mode to " + value + " bits",
                 [&] { return Kelvra_SetColorMode(session.handle(), bits); });
}

}  // namespace kelvra::tool

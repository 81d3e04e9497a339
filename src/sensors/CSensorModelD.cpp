// CSensorModelD: the driver operations; the console itself is in CSensorModelDConsole.cpp.
#include "sensors/CSensorModelD.h"

#include <cmath>
#include <cstdio>

namespace kelvra {
namespace {

constexpr FamilyFacts kFacts{
    // Init Window Trigger Bits ExpLines Gain ColourGains Channels BlackLevel ExpTime Mirror
    // Flip SafeRegs Cooler Temp Seconds GainMode 8-bit 16-bit ColourModes
    .marks = "YYYYYY...Y.......0.0",
    .modelCode = 100,
    .bus = SensorBus::I2c8,
    .pauseBeforeWrite = false,
    .maxWidth = 1280,
    .maxHeight = 1024,
    .defaultHeight = 0,
    .lineLength = 126,  // 1.75 us at 72 MHz
    .frameLength = 1048,
    .sensorClockKHz = 72000,
    .gainMax = 255,
    .gainDefault = 128,
    .exposureLinesMin = 1,
    .exposureLinesMax = 1000000,
    .exposureTimeDefault = 100,
    .blackLevelMax = 0,
    .blackLevelDefault = 0,
    .blackLevelSupported = false,
    .outputBits = 16,
    .orientation = 2,
    .fpgaLineOffset = 0,
    .fpgaColumnOffset = 0,
};
static_assert(MarksWellFormed(kFacts.marks));

constexpr int32_t kExposureLinesDefault = 10000;
constexpr int32_t kExposureTimeMax = 10000;

// Camera FPGA registers of the module's boot.
constexpr uint8_t kModuleReady = 0xFF;
constexpr uint8_t kModuleReadyValue = 4;
constexpr uint8_t kModuleStart = 0x3C;
constexpr uint8_t kModuleStartValue = 2;
constexpr uint32_t kBootPauseMs = 10;
constexpr int kBootAttempts = 10;

// Module FPGA registers of the trigger.
constexpr int32_t kModuleTriggerMode = 48;
constexpr int32_t kModuleTriggerRestart = 60;

// Exposure lines of 1.75 us: t (0.1 ms) x 40 x 100 / 70.
constexpr double kLinesPerTimeUnit = 40.0 * 100.0 / 70.0;

}  // namespace

CSensorModelD::CSensorModelD(CControllerBase* controller, uint8_t busAddress)
    : CSensorFamily(controller, busAddress, kFacts) {
    UpdateDescriptor([](SensorDescriptor& d) {
        d.exposureLines.current = d.exposureLines.defaultValue = kExposureLinesDefault;
        d.exposureTime.max = kExposureTimeMax;
    });
}

int32_t CSensorModelD::ProbeSensor() {
    uint8_t value = 0;
    return ReadFpga(kModuleReady, &value) && value == kModuleReadyValue ? 1 : 0;
}

// Writes `value` to a camera FPGA register until it reads back, up to `attempts` times.
bool CSensorModelD::BootHandshake(uint8_t reg, uint8_t value, int attempts) {
    for (int attempt = 0; attempt < attempts; ++attempt) {
        WriteFpga(reg, value);
        Sleep(kBootPauseMs);
        uint8_t readBack = 0;
        if (ReadFpga(reg, &readBack) && readBack == value) return true;
    }
    return false;
}

int32_t CSensorModelD::RecoverSensor() {
    if (Controller() == nullptr) return 0;
    for (int attempt = 0; attempt < kBootAttempts; ++attempt) {
        if (!BootHandshake(kModuleReady, kModuleReadyValue, 1)) continue;
        if (!SendCommand(kBootRetries, "n\r\n", "KELVRA-T9QMODULEX\r\n")) return 0;
        BootHandshake(kModuleStart, kModuleStartValue, kBootAttempts);
        return SendCommand(kRetries, "x -c\r\n");
    }
    return 0;
}

// Stores the array as the window and sends nothing. (The window the module reads is the whole
// 1280 x 1024 array; a 2048-pixel-wide window would not fit it and would size every frame
// buffer for pixels that never come.)
int32_t CSensorModelD::ProgramInit() {
    const SensorDescriptor d = Descriptor();
    return SetReadoutWindow(0, d.maxWidth, 0, d.maxHeight, 0);
}

// The module reads its whole array; the window is only kept, within the array.
int32_t CSensorModelD::ProgramWindow(Window& w) {
    const SensorDescriptor d = Descriptor();
    return int64_t{w.x} + w.width <= d.maxWidth && int64_t{w.y} + w.height <= d.maxHeight;
}

// 16 or 8 is only kept; the window stays as stored.
int32_t CSensorModelD::ProgramOutputBits(int32_t) {
    return 1;
}

int32_t CSensorModelD::ProgramExposureLines(int32_t lines) {
    char command[32];
    std::snprintf(command, sizeof command, "i -v %d\n", lines);
    return SendCommand(kRetries, command);
}

int32_t CSensorModelD::ProgramGain(int32_t gain) {
    char command[32];
    std::snprintf(command, sizeof command, "g -v %d\n", gain);
    return SendCommand(kRetries, command);
}

int32_t CSensorModelD::SetExposureTime(int32_t time) {
    const double lines = std::trunc(double(time) * kLinesPerTimeUnit);
    if (!SetExposureLines(lines > double(INT32_MAX) ? INT32_MAX : int32_t(lines))) return 0;
    UpdateDescriptor([time](SensorDescriptor& d) {
        d.exposureTime.current = time;
        d.exposureSecondsCurrent = double(time) / 10000.0;
    });
    return 1;
}

// Trigger input of the module's FPGA (48 = 1 for mode 1), then a pulse on 60 restarts its
// readout. The console's answers do not matter: the mode is stored either way.
int32_t CSensorModelD::ProgramTrigger(int32_t mode) {
    ConsoleWriteFpga(kModuleTriggerMode, mode == 1 ? 1 : 0);
    ConsoleWriteFpga(kModuleTriggerRestart, 0);
    ConsoleWriteFpga(kModuleTriggerRestart, 1);
    return 1;
}

}  // namespace kelvra

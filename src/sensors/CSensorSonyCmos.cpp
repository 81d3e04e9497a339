#include "sensors/CSensorSonyCmos.h"

#include "sensors/FamilyRegisterMap.h"

namespace kelvra {
namespace {

constexpr int32_t kVmaxMax = 0xFFFFF;  // 20-bit frame length
constexpr int kVmaxBytes = 3;
constexpr int kPairBytes = 2;
constexpr int32_t kBlackLevelMask = 0xFFF;

// External trigger: the FPGA waits 9 lines past exposure and window, as with the IMX990.
constexpr CSensorFamily::TriggerTiming kSonyTriggerTiming{195, 2, 9};

int32_t AlignDown(int32_t value, int32_t step) {
    return value - value % step;
}

}  // namespace

CSensorSonyCmos::CSensorSonyCmos(CControllerBase* controller, uint8_t busAddress,
                                 const FamilyFacts& facts)
    : CSensorFamily(controller, busAddress, facts) {}

// Out of standby, line length, then the defaults under register hold, then the master starts.
int32_t CSensorSonyCmos::ProgramInit() {
    const SensorDescriptor d = Descriptor();
    if (!WriteArbitrated(sony_reg::kStandby, 0) ||
        !WriteBytes(sony_reg::kHmax, uint32_t(d.lineLength), kPairBytes) ||
        !WriteArbitrated(sony_reg::kRegHold, 1)) {
        return 0;
    }
    const int32_t defaults = ApplyDefaults();
    const int32_t released = WriteArbitrated(sony_reg::kRegHold, 0);
    return defaults && released && WriteArbitrated(sony_reg::kMasterStart, 0);
}

// Start rounded down to 4, width to 8, height to 2; the window must lie in the array. A sensor
// mounted upside down (orientation 3 or 4) counts the vertical start from the bottom. The
// registers take the sensor-side start; the descriptor keeps the caller's.
int32_t CSensorSonyCmos::ProgramWindow(Window& w) {
    const SensorDescriptor d = Descriptor();
    w.x = AlignDown(w.x, kStartStep);
    w.y = AlignDown(w.y, kStartStep);
    w.width = AlignDown(w.width, kWidthStep);
    w.height = AlignDown(w.height, kHeightStep);
    if (w.width <= 0 || w.height <= 0 || int64_t{w.x} + w.width > d.maxWidth ||
        int64_t{w.y} + w.height > d.maxHeight) {
        return 0;
    }
    const bool upsideDown = d.orientation == 3 || d.orientation == 4;
    const int32_t sensorY = upsideDown ? d.maxHeight - w.y - w.height : w.y;
    const bool ok = WriteBytes(sony_reg::kWindowX, uint32_t(w.x), kPairBytes) &&
                    WriteBytes(sony_reg::kWindowY, uint32_t(sensorY), kPairBytes) &&
                    WriteBytes(sony_reg::kWindowWidth, uint32_t(w.width), kPairBytes) &&
                    WriteBytes(sony_reg::kWindowHeight, uint32_t(w.height), kPairBytes);
    return ok && WriteExposure(w.height, d.exposureLines.current);
}

int32_t CSensorSonyCmos::WriteExposure(int32_t height, int32_t lines) {
    const int32_t base = height + kFrameBlank;
    int32_t vmax = base;
    int32_t shutter = base - lines;
    if (shutter < kShutterMin) {
        vmax = lines + kShutterMin > kVmaxMax ? kVmaxMax : lines + kShutterMin;
        shutter = vmax - lines < kShutterMin ? kShutterMin : vmax - lines;
    }
    if (!WriteBytes(sony_reg::kVmax, uint32_t(vmax), kVmaxBytes) ||
        !WriteBytes(sony_reg::kShutter, uint32_t(shutter), kVmaxBytes)) {
        return 0;
    }
    UpdateDescriptor([vmax](SensorDescriptor& d) { d.frameLength = vmax; });
    return 1;
}

int32_t CSensorSonyCmos::ProgramExposureLines(int32_t lines) {
    return WriteExposure(Descriptor().height, lines);
}

// 1: 12-bit conversion for 16-bit output; 0: 10-bit for 8-bit output.
int32_t CSensorSonyCmos::ProgramOutputBits(int32_t bits) {
    return WriteArbitrated(sony_reg::kAdBits, bits == 16 ? 1 : 0);
}

int32_t CSensorSonyCmos::ProgramGain(int32_t gain) {
    return WriteBytes(sony_reg::kGain, uint32_t(gain), kPairBytes);
}

int32_t CSensorSonyCmos::ProgramBlackLevel(int32_t level, int32_t* stored) {
    *stored = level & kBlackLevelMask;
    return WriteBytes(sony_reg::kBlackLevel, uint32_t(*stored), kPairBytes);
}

int32_t CSensorSonyCmos::WriteReverse(bool vertical, bool horizontal) {
    return WriteArbitrated(sony_reg::kReverse,
                           uint16_t((vertical ? sony_reg::kVerticalBit : 0) |
                                    (horizontal ? sony_reg::kHorizontalBit : 0)));
}

int32_t CSensorSonyCmos::ProgramMirror(bool on) {
    return WriteReverse(on, Descriptor().flip.current != 0);
}

int32_t CSensorSonyCmos::ProgramFlip(bool on) {
    return WriteReverse(Descriptor().mirror.current != 0, on);
}

int32_t CSensorSonyCmos::ProgramTrigger(int32_t mode) {
    return SwitchTriggerPattern(mode, kSonyTriggerTiming);
}

int32_t CSensorSonyCmos::SetStandby(bool on) {
    return WriteArbitrated(sony_reg::kStandby, on ? 1 : 0);
}

int32_t CSensorSonyCmos::SetSensorTriggerInput(bool external) {
    return WriteArbitrated(sony_reg::kTriggerEnable, external ? 1 : 0);
}

}  // namespace kelvra

// CSensorImxFirstGen: initialisation, readout window and exposure of the IMX990 and IMX991.
#include "sensors/CSensorImxFirstGen.h"

#include <cmath>

#include "sensors/ImxRegisterMap.h"

namespace kelvra {
namespace {

constexpr uint16_t kInfoFastReadout = 0x4000;  // information word bit 14

// Black level written at init: the high-speed readout variant needs less offset.
constexpr uint8_t kBlackLevelFast = 15;
constexpr uint8_t kBlackLevelStandard = 60;
constexpr double kExposureSecondsMinFast = 1.4252e-05;
constexpr double kExposureSecondsMinStandard = 2.0333e-05;

// Window arithmetic.
constexpr int32_t kLineLengthFast = 516;
constexpr int32_t kLineLengthStandard = 972;
constexpr uint8_t kCropVertical = 2;
constexpr int32_t kCropFrameExtra = 36;  // frame base of a cropped window: height + 36
constexpr int32_t kCropStartOffset = 4;  // a cropped window skips 4 optical-black rows
constexpr int32_t kStartStep = 8;        // x and y are multiples of 8
constexpr int32_t kWidthStep = 4;
constexpr int32_t kHeightStep = 8;
constexpr int32_t kWindowHighMask = 0x07;  // window registers take bits 8-10 in their high byte
constexpr double kFrameScaleNumerator = 1.30925e-5;
constexpr double kFrameScaleDenominator = 1.29599e-5;

// Exposure arithmetic.
constexpr int32_t kShutterMin = 15;
constexpr int64_t kFrameLengthLimit = 0xFFFFFF;  // 24-bit frame length register
constexpr uint8_t kShutterMiddleNibble = 0x0F;
constexpr double kFrameTimeMsPerLine = 0.012961774681455677;
constexpr double kNsPerTimeUnit = 100000.0;  // 0.1 ms
constexpr double kNsPerSecond = 1e9;
constexpr double kTimeUnitsPerSecond = 10000.0;

int32_t AlignDown(int64_t value, int32_t step) {
    return static_cast<int32_t>(value - (((value % step) + step) % step));
}

}  // namespace

CSensorImxFirstGen::CSensorImxFirstGen(CControllerBase* controller, uint8_t busAddress,
                                       const ImxFacts& facts, const ImxFirstGenFacts& generation)
    : CSensorImxFamily(controller, busAddress, facts), m_generation(generation) {}

bool CSensorImxFirstGen::FastReadout() {
    return (GetHardwareInfo() & kInfoFastReadout) != 0;
}

// Every write of the exposure sequence is followed by 1 ms, which the sensor needs between
// frame-length and shutter updates.
int32_t CSensorImxFirstGen::WriteTimingRegister(uint16_t address, uint8_t value) {
    constexpr uint32_t kTimingWritePauseMs = 1;
    const int32_t result = WriteSafe(address, value);
    Sleep(kTimingWritePauseMs);
    return result;
}

// Power-up setup: start-up register, black level, gain, flip, mirror, default window and
// exposure; no other register table is needed. Returns 1, or 0 without a controller.
int32_t CSensorImxFirstGen::InitSensor() {
    if (Controller() == nullptr) return 0;
    const bool fast = FastReadout();
    WriteSafe(imx_reg::kStartup, 0);
    WriteSafe(imx_reg::kBlackLevelLow, fast ? kBlackLevelFast : kBlackLevelStandard);
    WriteSafe(imx_reg::kBlackLevelHigh, 0);
    const SensorDescriptor d = Descriptor();
    SetGain(d.gain.defaultValue);
    SetFlip(d.flip.defaultValue);
    SetMirror(d.mirror.defaultValue);
    SetReadoutWindow(d.defaultX, d.defaultWidth, d.defaultY, d.defaultHeight, 0);
    SetExposureLines(d.exposureLines.defaultValue);
    const double secondsMin = fast ? kExposureSecondsMinFast : kExposureSecondsMinStandard;
    UpdateDescriptor([secondsMin](SensorDescriptor& w) { w.exposureSecondsMin = secondsMin; });
    return 1;
}

// What one window request programs, in sensor-side values.
struct CSensorImxFirstGen::WindowPlan {
    int32_t x, y, width, height;
    int32_t frameLength, lineLength;
    uint8_t binning, crop;
};

// x and y round up to multiples of 8, the binned width down to 4 and the binned height down to
// 8; orientation 3/4 counts y from the bottom and a cropped height skips 4 rows. False for a
// window outside the array or of no size.
bool CSensorImxFirstGen::PlanWindow(int32_t x, int32_t width, int32_t y, int32_t height,
                                    int32_t mode, WindowPlan* plan) {
    const SensorDescriptor d = Descriptor();
    const bool cropped = mode == 0 && height != d.defaultHeight;
    const bool binned = mode == 1;
    const int32_t divisor = binned ? 2 : 1;
    WindowPlan p{};
    p.x = AlignDown(int64_t{x} + kStartStep - 1, kStartStep);
    p.y = AlignDown(int64_t{y} + kStartStep - 1, kStartStep);
    p.width = AlignDown(width / divisor, kWidthStep);
    p.height = AlignDown(height / divisor, kHeightStep);
    if (p.x < 0 || p.y < 0 || p.width <= 0 || p.height <= 0 ||
        int64_t{p.x} + p.width > d.maxWidth || int64_t{p.y} + p.height > d.maxHeight) {
        return false;
    }
    if (d.orientation == 3 || d.orientation == 4) p.y = d.maxHeight - p.height - p.y;
    if (cropped) p.y += kCropStartOffset;
    const int32_t frameBase = cropped  ? height + kCropFrameExtra
                              : binned ? m_generation.binnedFrameBase
                                       : m_generation.frameBase;
    p.frameLength = static_cast<int32_t>(frameBase * kFrameScaleNumerator / kFrameScaleDenominator);
    p.lineLength = FastReadout() ? kLineLengthFast : kLineLengthStandard;
    p.binning = binned ? imx_reg::kBinning2x2 : 0;
    p.crop = cropped ? kCropVertical : 0;
    *plan = p;
    return true;
}

// Every register is written even when one fails, so the sensor never keeps a half-old window.
// Returns 1 when all writes succeeded.
int32_t CSensorImxFirstGen::WriteWindow(const WindowPlan& p) {
    bool ok = true;
    auto put = [&](uint16_t address, int32_t value) {
        ok = WriteSafe(address, static_cast<uint8_t>(value)) && ok;
    };
    put(imx_reg::kBinning, p.binning);
    put(imx_reg::kCrop, p.crop);
    const int32_t fields[4] = {p.x, p.y, p.width, p.height};
    const uint16_t registers[4] = {imx_reg::kWindowX, imx_reg::kWindowY, imx_reg::kWindowWidth,
                                   imx_reg::kWindowHeight};
    for (int i = 0; i < 4; ++i) {
        put(registers[i], fields[i] & 0xFF);
        put(static_cast<uint16_t>(registers[i] + 1), (fields[i] >> 8) & kWindowHighMask);
    }
    put(imx_reg::kFrameLength0, p.frameLength & 0xFF);
    put(imx_reg::kFrameLength1, (p.frameLength >> 8) & 0xFF);
    put(imx_reg::kLineLength0, p.lineLength & 0xFF);
    put(imx_reg::kLineLength1, (p.lineLength >> 8) & 0xFF);
    return ok ? 1 : 0;
}

// Programs window and readout mode (0 normal, 1 2x2 binning; other modes keep the normal
// constants). Returns 1 and stores the sensor-side window, line and frame length; 0 without a
// controller, 0 with nothing written for a window outside the array or of no size, and 0
// without storing anything when a write failed (the device core must not size its buffers for
// a window the sensor did not take).
int32_t CSensorImxFirstGen::SetReadoutWindow(int32_t x, int32_t width, int32_t y, int32_t height,
                                             int32_t mode) {
    if (Controller() == nullptr) return 0;
    WindowPlan p{};
    if (!PlanWindow(x, width, y, height, mode, &p) || !WriteWindow(p)) return 0;
    UpdateDescriptor([&p](SensorDescriptor& d) {
        d.lineLength = p.lineLength;
        d.frameLength = p.frameLength;
    });
    StoreWindow(p.x, p.y, p.width, p.height, mode);
    RememberRequest(x, width, y, height, mode);
    return 1;
}

// 16-bit output when `sixteen` is nonzero, else 8-bit; the window (and on the IMX990 the
// exposure) is programmed again for it. Returns 1 when that succeeded.
int32_t CSensorImxFirstGen::SetOutputBits(int32_t sixteen) {
    if (Controller() == nullptr) return 0;
    const int32_t bits = sixteen ? 16 : 8;
    UpdateDescriptor([bits](SensorDescriptor& d) { d.outputBits = bits; });
    int32_t result = ReapplyRequestedWindow();
    if (m_generation.exposureFollowsOutputBits) {
        result = SetExposureLines(Descriptor().exposureLines.current) && result;
    }
    return result;
}

// Exposure in lines: the frame length V and shutter S with exposure = V - S. An exposure that
// does not fit the window's frame stretches the frame to E + 15 with S = 15. Not clamped to the
// descriptor's range, but an exposure the 24-bit frame length cannot hold is refused. Stops at
// the first failed write (returns 0, nothing stored); on success stores E, reprograms the
// trigger timing in trigger mode, and keeps the frame time. Returns 1 or 0.
int32_t CSensorImxFirstGen::SetExposureLines(int32_t lines) {
    if (Controller() == nullptr) return 0;
    if (lines < 0 || int64_t{lines} + kShutterMin > kFrameLengthLimit) return 0;
    const int64_t v0 = Descriptor().frameLength;
    int64_t n = v0;
    bool ok = false;
    if (lines > v0 - kShutterMin) {
        n = lines + kShutterMin;
        ok = WriteFrameLengthOrdered(static_cast<uint32_t>(n), static_cast<uint32_t>(v0)) &&
             WriteTimingRegister(imx_reg::kShutter0, kShutterMin) &&
             WriteTimingRegister(imx_reg::kShutter1, 0) &&
             WriteTimingRegister(imx_reg::kShutter2, 0);
    } else {
        const auto s = static_cast<uint32_t>(v0 - lines);
        const auto middle = static_cast<uint8_t>(
            m_generation.shutterMiddleNibbleOnly ? (s >> 8) & kShutterMiddleNibble : s >> 8);
        const auto high = static_cast<uint8_t>(m_generation.shutterMiddleNibbleOnly ? 0 : s >> 16);
        ok = WriteHighFirst(imx_reg::kFrameLength0, static_cast<uint32_t>(n)) &&
             WriteTimingRegister(imx_reg::kShutter0, static_cast<uint8_t>(s)) &&
             WriteTimingRegister(imx_reg::kShutter1, middle) &&
             WriteTimingRegister(imx_reg::kShutter2, high);
    }
    if (!ok) return 0;
    UpdateDescriptor([lines](SensorDescriptor& d) { d.exposureLines.current = lines; });
    if (m_triggerMode.load() == 1) ProgramTrigger();
    m_frameTimeMs.store(static_cast<int32_t>(static_cast<double>(n) * kFrameTimeMsPerLine));
    return 1;
}

int32_t CSensorImxFirstGen::ConvertNanoseconds(double ns) {
    return m_generation.heightDependentLinePeriod ? SetExposureNanoseconds(ns)
                                                  : SetExposureNanosecondsFixed(ns);
}

// Exposure in 0.1 ms, clamped to the exposure-time range. On success stores t and t / 10000
// seconds. Returns 1 or 0.
int32_t CSensorImxFirstGen::SetExposureTime(int32_t time) {
    if (Controller() == nullptr) return 0;
    const SensorRange range = Descriptor().exposureTime;
    const int32_t t = time < range.min ? range.min : (time > range.max ? range.max : time);
    if (!ConvertNanoseconds(t * kNsPerTimeUnit)) return 0;
    UpdateDescriptor([t](SensorDescriptor& d) {
        d.exposureTime.current = t;
        d.exposureSecondsCurrent = t / kTimeUnitsPerSecond;
    });
    return 1;
}

// Exposure in seconds, clamped to the seconds range (not a number is refused). On success
// stores s and trunc(s x 10000) as the exposure time. Returns 1 or 0.
int32_t CSensorImxFirstGen::SetExposureSeconds(double seconds) {
    if (Controller() == nullptr || std::isnan(seconds)) return 0;
    const SensorDescriptor d = Descriptor();
    double s = seconds < d.exposureSecondsMin ? d.exposureSecondsMin : seconds;
    if (s > d.exposureSecondsMax) s = d.exposureSecondsMax;
    if (!ConvertNanoseconds(s * kNsPerSecond)) return 0;
    UpdateDescriptor([s](SensorDescriptor& w) {
        w.exposureSecondsCurrent = s;
        w.exposureTime.current = static_cast<int32_t>(s * kTimeUnitsPerSecond);
    });
    return 1;
}

}  // namespace kelvra

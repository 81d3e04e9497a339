// CSensorImxSecondGen: exposure in even lines, microseconds and seconds; the trigger-mode entry
// and the conversion-gain mode.
#include <algorithm>
#include <cmath>

#include "sensors/CSensorImxSecondGen.h"
#include "sensors/FpgaRegisterMap.h"
#include "sensors/ImxRegisterMap.h"

namespace kelvra {
namespace {

constexpr int32_t kShutterMin = 52;
constexpr int32_t kStretchExtra = 53;  // a stretched frame is (E + 53) rounded down to even
// The 24-bit frame length register must hold the stretched frame: E + 53 <= 0xFFFFFF.
constexpr int32_t kProgrammableLinesMax = 0xFFFFFF - kStretchExtra;
constexpr double kUsPerTimeUnit = 100.0;  // 0.1 ms
constexpr double kUsPerSecond = 1e6;
constexpr double kTimeUnitsPerSecond = 10000.0;
constexpr double kUsPerMs = 1000.0;

// FPGA trigger timing by output depth.
constexpr uint8_t kTriggerTiming0Wide = 200, kTriggerTiming0Narrow = 100;
constexpr uint8_t kTriggerTiming1Wide = 2, kTriggerTiming1Narrow = 1;
constexpr uint8_t kTriggerCode = 2;

constexpr uint8_t kHighConversionGain = 0x01;  // bit 0 of 0x710
constexpr int32_t kGainModeHigh = 0;
constexpr int32_t kGainModeLow = 1;

int32_t Even(int64_t value) {
    return static_cast<int32_t>(value & ~int64_t{1});
}

}  // namespace

// Exposure in even lines. Clamped to the descriptor's range (and to what the frame length
// register holds). An exposure beyond the window's frame stretches the frame to (E + 53) even
// with the 52-line shutter; otherwise the frame is the window's and the shutter is rounded to
// even, so the effective exposure D may differ from E. Stops at the first failed write; D is
// stored only on success. Whatever the result, the FPGA trigger timing is reprogrammed with the
// current exposure. Returns 1 or 0.
int32_t CSensorImxSecondGen::SetExposureLines(int32_t lines) {
    if (Controller() == nullptr) return 0;
    const SensorRange range = Descriptor().exposureLines;
    const int32_t e = std::clamp(lines, range.min, std::min(range.max, kProgrammableLinesMax));
    const int32_t base = m_frameBase.load();
    int32_t n = 0;
    int32_t effective = 0;
    bool ok = false;
    if (e > base - kShutterMin) {
        n = Even(int64_t{e} + kStretchExtra);
        ok = WriteFrameLengthOrdered(static_cast<uint32_t>(n),
                                     static_cast<uint32_t>(m_lastFrameLength.load()));
        if (ok) m_lastFrameLength.store(n);
        ok = ok && WriteTimingRegister(imx_reg::kShutter0, kShutterMin) &&
             WriteTimingRegister(imx_reg::kShutter1, 0) &&
             WriteTimingRegister(imx_reg::kShutter2, 0);
        effective = n - kShutterMin;
    } else {
        n = Even(int64_t{base} + 1);
        const int32_t s = Even(int64_t{n} - e + 1);
        ok = WriteHighFirst(imx_reg::kFrameLength0, static_cast<uint32_t>(n));
        if (ok) m_lastFrameLength.store(n);
        ok = ok && WriteTimingRegister(imx_reg::kShutter0, static_cast<uint8_t>(s)) &&
             WriteTimingRegister(imx_reg::kShutter1, static_cast<uint8_t>(s >> 8)) &&
             WriteTimingRegister(imx_reg::kShutter2, static_cast<uint8_t>(s >> 16));
        effective = n - s;
    }
    if (ok) {
        UpdateDescriptor([effective](SensorDescriptor& d) { d.exposureLines.current = effective; });
        m_frameTimeMs.store(static_cast<int32_t>(LineTimeUs() * n / kUsPerMs));
    }
    ProgramTrigger(false);
    return ok ? 1 : 0;
}

// The FPGA trigger timing with the current exposure: by output depth 0x54 = 200 or 100 and
// 0x55 = 2 or 1, and the class's fixed delay. `switchTrigger` wraps it in 0x58 = 0 ... 2.
int32_t CSensorImxSecondGen::ProgramTrigger(bool switchTrigger) {
    const SensorDescriptor d = Descriptor();
    const bool wide = d.outputBits == 16;
    TriggerTimingProgram program;
    program.exposureLines = static_cast<uint32_t>(d.exposureLines.current);
    program.timing0 = wide ? kTriggerTiming0Wide : kTriggerTiming0Narrow;
    program.timing1 = wide ? kTriggerTiming1Wide : kTriggerTiming1Narrow;
    program.delay = m_generation.triggerDelay;
    program.switchTrigger = switchTrigger;
    program.triggerCode = kTriggerCode;
    return ProgramTriggerTiming(program);
}

// Lines = trunc((us - offset) / line time), at least 1, handed to SetExposureLines. Returns its
// result; 0 when the line time is 0 or the value is not a finite number of lines.
int32_t CSensorImxSecondGen::ConvertMicroseconds(double us) {
    const double lineUs = LineTimeUs();
    if (lineUs == 0.0) return 0;
    const double lines = std::trunc((us - m_generation.exposureOffsetUs) / lineUs);
    if (!std::isfinite(lines) || lines > INT32_MAX) return 0;
    return SetExposureLines(lines < 1.0 ? 1 : static_cast<int32_t>(lines));
}

// Exposure in 0.1 ms, clamped to its range. On success stores t and t / 10000 seconds.
int32_t CSensorImxSecondGen::SetExposureTime(int32_t time) {
    if (Controller() == nullptr) return 0;
    const SensorRange range = Descriptor().exposureTime;
    const int32_t t = std::clamp(time, range.min, range.max);
    if (!ConvertMicroseconds(t * kUsPerTimeUnit)) return 0;
    UpdateDescriptor([t](SensorDescriptor& d) {
        d.exposureTime.current = t;
        d.exposureSecondsCurrent = t / kTimeUnitsPerSecond;
    });
    return 1;
}

// Exposure in seconds, clamped to its range (not a number is refused). On success stores s and
// trunc(s x 10000) as the exposure time.
int32_t CSensorImxSecondGen::SetExposureSeconds(double seconds) {
    if (Controller() == nullptr || std::isnan(seconds)) return 0;
    const SensorDescriptor d = Descriptor();
    const double s = std::clamp(seconds, d.exposureSecondsMin, d.exposureSecondsMax);
    if (!ConvertMicroseconds(s * kUsPerSecond)) return 0;
    UpdateDescriptor([s](SensorDescriptor& w) {
        w.exposureSecondsCurrent = s;
        w.exposureTime.current = static_cast<int32_t>(s * kTimeUnitsPerSecond);
    });
    return 1;
}

// 0 free-running, 1 external trigger. As on the first generation the trigger state is always
// reprogrammed after a window change, and a request for free-running with the FPGA already
// free-running changes nothing. The class switches the sensor, with standby only when the mode
// differs from the stored one. Returns 1, 0 without a controller.
int32_t CSensorImxSecondGen::SetTriggerMode(int32_t mode) {
    if (Controller() == nullptr) return 0;
    const bool unchanged = mode == m_triggerMode.load();
    if (TriggerAlreadyFreeRunning(mode)) return 1;
    m_restartPulse.store(1);
    if (mode == 1) {
        EnterTrigger(unchanged);
    } else {
        LeaveTrigger(unchanged);
    }
    m_triggerMode.store(mode);
    return 1;
}

// ---- conversion-gain mode (0x710 bit 0) --------------------------------------------------

int32_t CSensorImxSecondGen::IsGainModeSupported() {
    return 1;
}

int32_t CSensorImxSecondGen::ReadGainMode(uint8_t* value) {
    if (!m_generation.gainModeDirect) return ReadSafe(imx_reg::kGainMode, value);
    int32_t word = 0;
    if (!ReadRegister(imx_reg::kGainMode, &word)) return 0;
    *value = static_cast<uint8_t>(word);
    return 1;
}

int32_t CSensorImxSecondGen::WriteGainMode(uint8_t value) {
    return m_generation.gainModeDirect ? WriteRegister(imx_reg::kGainMode, value)
                                       : WriteSafe(imx_reg::kGainMode, value);
}

// 0 "High Gain" when bit 0 is set, 1 "Low Gain" when clear, -1 when unreadable.
int32_t CSensorImxSecondGen::GetGainMode() {
    if (Controller() == nullptr) return -1;
    uint8_t value = 0;
    if (!ReadGainMode(&value)) return -1;
    return (value & kHighConversionGain) ? kGainModeHigh : kGainModeLow;
}

// Mode 0 sets bit 0, mode 1 clears it (the other bits kept); any other mode writes 0x710 = 0.
// Returns 1, or 0 when the register cannot be read or written.
int32_t CSensorImxSecondGen::SetGainMode(int32_t mode) {
    if (Controller() == nullptr) return 0;
    if (mode != kGainModeHigh && mode != kGainModeLow) return WriteGainMode(0);
    uint8_t value = 0;
    if (!ReadGainMode(&value)) return 0;
    value = static_cast<uint8_t>(mode == kGainModeHigh ? (value | kHighConversionGain)
                                                       : (value & ~kHighConversionGain));
    return WriteGainMode(value);
}

}  // namespace kelvra

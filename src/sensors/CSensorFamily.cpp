// CSensorFamily: the descriptor from the class's facts, and the lifecycle, window, trigger,
// output bits, exposure and gain setters as the family table marks them.
#include "sensors/CSensorFamily.h"

#include <cmath>

namespace kelvra {
namespace {

// Values every class of the line shares; the IMX990 family uses the same.
constexpr int32_t kExposureTimeMin = 1;  // 0.1 ms
constexpr int32_t kExposureTimeMax = 20000;
constexpr double kExposureSecondsMax = 2.0;
// Window flags A and B say whether the window's width and height can be chosen (the front
// holds them to the whole sensor area otherwise): both for the classes that program a window of
// their own, neither for the rest. C and D as in the IMX990 family.
constexpr int32_t kWindowFlagC = 0, kWindowFlagD = 1;

constexpr double kNsPerTimeUnit = 100000.0;  // 0.1 ms
constexpr double kNsPerSecond = 1e9;
constexpr double kTimeUnitsPerSecond = 10000.0;
constexpr double kNsPerMs = 1e6;
constexpr double kKHzToNs = 1e6;  // clocks at `kHz` last 1e6 / kHz ns

double PeriodNs(int32_t lineLength, int32_t clockKHz) {
    return clockKHz > 0 ? double(lineLength) * kKHzToNs / double(clockKHz) : 0.0;
}

SensorDescriptor DescriptorOf(const FamilyFacts& f) {
    SensorDescriptor d{};
    auto own = [&f](Setter column) { return MarkOf(f, column) == Mark::Own; };
    d.maxWidth = d.defaultWidth = d.width = f.maxWidth;
    d.maxHeight = f.maxHeight;
    d.defaultHeight = d.height = f.defaultHeight > 0 ? f.defaultHeight : f.maxHeight;
    d.windowFlagA = d.windowFlagB = own(Setter::Window) ? 1 : 0;
    d.windowFlagC = kWindowFlagC;
    d.windowFlagD = kWindowFlagD;
    d.lineLength = f.lineLength;
    d.frameLength = f.frameLength;
    if (f.gainMax > 0) d.gain = {0, f.gainMax, f.gainDefault, f.gainDefault, 1};
    if (own(Setter::ColorGains)) {
        for (SensorRange& block : d.colorGain)
            block = {0, f.gainMax, f.gainDefault, f.gainDefault, 1};
    }
    const double period = PeriodNs(f.lineLength, f.sensorClockKHz);
    if (f.exposureTimeDefault > 0 && period > 0.0) {
        const auto lines = int32_t(double(f.exposureTimeDefault) * kNsPerTimeUnit / period);
        const int32_t linesDefault =
            lines < f.exposureLinesMin ? f.exposureLinesMin
                                       : (lines > f.exposureLinesMax ? f.exposureLinesMax : lines);
        d.exposureLines = {f.exposureLinesMin, f.exposureLinesMax, linesDefault, linesDefault, 1};
        d.exposureTime = {kExposureTimeMin, kExposureTimeMax, f.exposureTimeDefault,
                          f.exposureTimeDefault, 1};
        d.exposureSecondsMin = double(f.exposureLinesMin) * period / kNsPerSecond;
        d.exposureSecondsMax = kExposureSecondsMax;
        d.exposureSecondsCurrent = d.exposureSecondsDefault =
            double(f.exposureTimeDefault) / kTimeUnitsPerSecond;
        d.exposureSecondsSupported = own(Setter::Seconds) ? 1 : 0;
    }
    d.blackLevel = {0, f.blackLevelMax, f.blackLevelDefault, f.blackLevelDefault,
                    f.blackLevelSupported ? 1 : 0};
    d.mirror = {0, 0, own(Setter::Mirror) ? 1 : 0};
    d.flip = {0, 0, own(Setter::Flip) ? 1 : 0};
    d.outputBits = f.outputBits;
    d.sensorClockKHz = f.sensorClockKHz;
    d.orientation = f.orientation;
    return d;
}

}  // namespace

CSensorFamily::CSensorFamily(CControllerBase* controller, uint8_t busAddress,
                             const FamilyFacts& facts)
    : CSensorBase(controller, busAddress), m_facts(facts) {
    const SensorDescriptor d = DescriptorOf(facts);
    UpdateDescriptor([&d](SensorDescriptor& w) { w = d; });
    if (facts.modelCode != 0) m_modelCode.store(facts.modelCode);
    SetFpgaReadoutOffsets(facts.fpgaLineOffset, facts.fpgaColumnOffset);
    for (auto& gain : m_channelGain) gain.store(kChannelGainDefault);
}

int32_t CSensorFamily::Clamp(int32_t value, int32_t min, int32_t max) {
    return value < min ? min : (value > max ? max : value);
}

double CSensorFamily::LinePeriodNs() const {
    const SensorDescriptor d = Descriptor();
    return PeriodNs(d.lineLength, d.sensorClockKHz);
}

uint32_t CSensorFamily::FrameTimeMs(int64_t frameLength) const {
    return uint32_t(double(frameLength) * LinePeriodNs() / kNsPerMs);
}

// ---- lifecycle ---------------------------------------------------------------------------

// Every sensor of the line answers once the FPGA is ready; the module camera checks its own.
int32_t CSensorFamily::ProbeSensor() {
    return 1;
}

int32_t CSensorFamily::InitSensor() {
    switch (MarkFor(Setter::Init)) {
        case Mark::Own:
            return Controller() ? ProgramInit() : 0;
        case Mark::Accepts:
            return 1;
        default:
            return CSensorBase::InitSensor();
    }
}

int32_t CSensorFamily::ApplyDefaults() {
    auto own = [this](Setter column) { return MarkFor(column) == Mark::Own; };
    const SensorDescriptor d = Descriptor();
    int32_t ok = 1;
    if (own(Setter::Window)) {
        ok &= SetReadoutWindow(d.defaultX, d.defaultWidth, d.defaultY, d.defaultHeight, 0) != 0;
    }
    if (own(Setter::Gain)) ok &= SetGain(d.gain.defaultValue) != 0;
    if (own(Setter::Mirror)) ok &= SetMirror(d.mirror.defaultValue) != 0;
    if (own(Setter::Flip)) ok &= SetFlip(d.flip.defaultValue) != 0;
    if (own(Setter::BlackLevel) && d.blackLevel.supported) {
        ok &= SetBlackLevel(d.blackLevel.defaultValue) != 0;
    }
    if (own(Setter::ExposureTime)) {
        ok &= SetExposureTime(d.exposureTime.defaultValue) != 0;
    } else if (own(Setter::ExposureLines)) {
        ok &= SetExposureLines(d.exposureLines.defaultValue) != 0;
    }
    return ok;
}

// ---- window, trigger, output bits --------------------------------------------------------

// The window in sensor units; only the normal readout (mode 0) is offered by these classes.
// Stored as the class rounded it when its program succeeded.
int32_t CSensorFamily::SetReadoutWindow(int32_t x, int32_t width, int32_t y, int32_t height,
                                        int32_t mode) {
    switch (MarkFor(Setter::Window)) {
        case Mark::Own:
            break;
        case Mark::Accepts:
            return 1;
        default:
            return CSensorBase::SetReadoutWindow(x, width, y, height, mode);
    }
    if (Controller() == nullptr || mode != 0 || x < 0 || y < 0 || width <= 0 || height <= 0) {
        return 0;
    }
    Window w{x, width, y, height, mode};
    if (!ProgramWindow(w)) return 0;
    UpdateDescriptor([&w](SensorDescriptor& d) {
        d.x = w.x;
        d.y = w.y;
        d.width = w.width;
        d.height = w.height;
        d.readoutMode = w.mode;
    });
    return 1;
}

int32_t CSensorFamily::SetTriggerMode(int32_t mode) {
    switch (MarkFor(Setter::Trigger)) {
        case Mark::Own:
            if (Controller() == nullptr || !ProgramTrigger(mode)) return 0;
            m_triggerMode.store(mode);
            return 1;
        case Mark::Accepts:
            return 1;
        default:
            return CSensorBase::SetTriggerMode(mode);
    }
}

int32_t CSensorFamily::SetOutputBits(int32_t sixteen) {
    switch (MarkFor(Setter::Bits)) {
        case Mark::Own: {
            const int32_t bits = sixteen ? 16 : 8;
            if (Controller() == nullptr || !ProgramOutputBits(bits)) return 0;
            UpdateDescriptor([bits](SensorDescriptor& d) { d.outputBits = bits; });
            return 1;
        }
        case Mark::Accepts:
            return 1;
        default:
            return CSensorBase::SetOutputBits(sixteen);
    }
}

// ---- exposure and gain -------------------------------------------------------------------

int32_t CSensorFamily::SetExposureLines(int32_t lines) {
    if (MarkFor(Setter::ExposureLines) != Mark::Own) return CSensorBase::SetExposureLines(lines);
    if (Controller() == nullptr) return 0;
    const SensorRange r = Descriptor().exposureLines;
    const int32_t n = Clamp(lines, r.min, r.max);
    if (!ProgramExposureLines(n)) return 0;
    UpdateDescriptor([n](SensorDescriptor& d) { d.exposureLines.current = n; });
    return 1;
}

// Exposure in 0.1 ms, clamped; converted at 100000 ns per unit.
int32_t CSensorFamily::SetExposureTime(int32_t time) {
    if (MarkFor(Setter::ExposureTime) != Mark::Own) return CSensorBase::SetExposureTime(time);
    if (Controller() == nullptr) return 0;
    const SensorRange r = Descriptor().exposureTime;
    const int32_t t = Clamp(time, r.min, r.max);
    if (!ProgramExposureNs(double(t) * kNsPerTimeUnit)) return 0;
    UpdateDescriptor([t](SensorDescriptor& d) {
        d.exposureTime.current = t;
        d.exposureSecondsCurrent = double(t) / kTimeUnitsPerSecond;
    });
    return 1;
}

// Exposure in seconds, clamped; a value that is not a number is refused.
int32_t CSensorFamily::SetExposureSeconds(double seconds) {
    if (MarkFor(Setter::Seconds) != Mark::Own) return CSensorBase::SetExposureSeconds(seconds);
    if (Controller() == nullptr || std::isnan(seconds)) return 0;
    const SensorDescriptor d = Descriptor();
    double s = seconds < d.exposureSecondsMin ? d.exposureSecondsMin : seconds;
    s = s > d.exposureSecondsMax ? d.exposureSecondsMax : s;
    if (!ProgramExposureNs(s * kNsPerSecond)) return 0;
    UpdateDescriptor([s](SensorDescriptor& w) {
        w.exposureSecondsCurrent = s;
        w.exposureTime.current = int32_t(std::trunc(s * kTimeUnitsPerSecond));
    });
    return 1;
}

// Lines = trunc(ns / line period), at least 1, through SetExposureLines.
int32_t CSensorFamily::ProgramExposureNs(double ns) {
    const double period = LinePeriodNs();
    if (period <= 0.0) return 0;
    const double lines = std::trunc(ns / period);
    if (!std::isfinite(lines) || lines > double(INT32_MAX)) return 0;
    return SetExposureLines(lines < 1.0 ? 1 : int32_t(lines));
}

int32_t CSensorFamily::SetGain(int32_t gain) {
    switch (MarkFor(Setter::Gain)) {
        case Mark::Own:
            break;
        case Mark::Accepts:
            return 1;
        default:
            return CSensorBase::SetGain(gain);
    }
    if (Controller() == nullptr) return 0;
    const SensorRange r = Descriptor().gain;
    const int32_t g = Clamp(gain, r.min, r.max);
    if (!ProgramGain(g)) return 0;
    UpdateDescriptor([g](SensorDescriptor& d) { d.gain.current = g; });
    return 1;
}

}  // namespace kelvra

#include "sensors/CSensorLineSensor.h"

#include "sensors/FamilyRegisterMap.h"

namespace kelvra {
namespace {

constexpr int kPairBytes = 2;
constexpr int kExposureBytes = 3;
constexpr uint8_t kRunning = 0x01;
constexpr uint8_t kTrigger = 0x02;
constexpr uint8_t kLinesReversed = 0x01;
constexpr uint8_t kPixelsReversed = 0x02;

// A triggered line sensor starts each frame on the trigger; the FPGA waits 9 lines extra.
constexpr CSensorFamily::TriggerTiming kLineTriggerTiming{195, 2, 9};

int64_t AlignUp(int64_t value, int32_t step) {
    return (value + step - 1) / step * step;
}

}  // namespace

CSensorLineSensor::CSensorLineSensor(CControllerBase* controller, uint8_t busAddress,
                                     const FamilyFacts& facts, const LineFacts& line)
    : CSensorFamily(controller, busAddress, facts), m_line(line) {}

int32_t CSensorLineSensor::WriteControl(bool running, bool trigger) {
    return Write(line_reg::kControl, uint16_t((running ? kRunning : 0) | (trigger ? kTrigger : 0)));
}

int32_t CSensorLineSensor::ProgramInit() {
    m_trigger.store(false);
    if (!WriteControl(true, false)) return 0;
    return ApplyDefaults();
}

// Rounded up to the steps, then it must fit the line and the 32768 lines.
int32_t CSensorLineSensor::ProgramWindow(Window& w) {
    const SensorDescriptor d = Descriptor();
    const int64_t x = AlignUp(w.x, m_line.xStep);
    const int64_t width = AlignUp(w.width, m_line.xStep);
    const int64_t y = AlignUp(w.y, m_line.lineStep);
    const int64_t count = AlignUp(w.height, m_line.lineStep);
    if (x + width > d.maxWidth || y + count > d.maxHeight) return 0;
    w = {int32_t(x), int32_t(width), int32_t(y), int32_t(count), w.mode};
    const bool ok = WriteBytes(line_reg::kStart, uint32_t(x), kPairBytes) &&
                    WriteBytes(line_reg::kWidth, uint32_t(width), kPairBytes) &&
                    Write(line_reg::kLineCountLow, uint16_t(count & 0xFF)) &&
                    Write(line_reg::kLineCountHigh, uint16_t(count >> 8));
    if (!ok) return 0;
    UpdateDescriptor([count](SensorDescriptor& s) { s.frameLength = int32_t(count); });
    return 1;
}

int32_t CSensorLineSensor::ProgramExposureLines(int32_t lines) {
    return WriteBytes(line_reg::kExposure, uint32_t(lines), kExposureBytes);
}

int32_t CSensorLineSensor::ProgramGain(int32_t gain) {
    return Write(line_reg::kGain, uint16_t(gain));
}

int32_t CSensorLineSensor::WriteReverse(bool lines, bool pixels) {
    return Write(line_reg::kReverse,
                 uint16_t((lines ? kLinesReversed : 0) | (pixels ? kPixelsReversed : 0)));
}

// Mirror reverses the order of the lines in the frame, flip the pixels in a line.
int32_t CSensorLineSensor::ProgramMirror(bool on) {
    return WriteReverse(on, Descriptor().flip.current != 0);
}

int32_t CSensorLineSensor::ProgramFlip(bool on) {
    return WriteReverse(Descriptor().mirror.current != 0, on);
}

int32_t CSensorLineSensor::ProgramTrigger(int32_t mode) {
    return SwitchTriggerPattern(mode, kLineTriggerTiming);
}

int32_t CSensorLineSensor::SetStandby(bool on) {
    return WriteControl(!on, m_trigger.load());
}

int32_t CSensorLineSensor::SetSensorTriggerInput(bool external) {
    m_trigger.store(external);
    return WriteControl(false, external);
}

}  // namespace kelvra

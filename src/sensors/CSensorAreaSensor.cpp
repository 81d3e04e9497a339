#include "sensors/CSensorAreaSensor.h"

#include "sensors/CSensorImxFamily.h"
#include "sensors/FamilyRegisterMap.h"

namespace kelvra {
namespace {

constexpr int kPairBytes = 2;
constexpr int kExposureBytes = 3;
constexpr int32_t kBlackLevelMask = 0x3FF;
constexpr uint16_t kHighGainBit = 0x01;
constexpr uint16_t kRawHighMask = 0x0F;

constexpr CSensorFamily::TriggerTiming kAreaTriggerTiming{195, 2, 9};

int32_t AlignDown(int32_t value, int32_t step) {
    return value - value % step;
}

}  // namespace

CSensorAreaSensor::CSensorAreaSensor(CControllerBase* controller, uint8_t busAddress,
                                     const FamilyFacts& facts, const AreaFacts& area)
    : CSensorFamily(controller, busAddress, facts), m_area(area) {}

int32_t CSensorAreaSensor::WriteControl(uint8_t set, uint8_t clear) {
    const auto value = uint8_t((m_control.load() | set) & ~clear);
    if (!WriteArbitrated(area_reg::kControl, value)) return 0;
    m_control.store(value);
    return 1;
}

int32_t CSensorAreaSensor::ProgramInit() {
    m_control.store(0);
    if (!WriteControl(area_reg::kRunning, area_reg::kTrigger | area_reg::kSixteenBit) ||
        !WriteLineLength(Descriptor().lineLength)) {
        return 0;
    }
    return ApplyDefaults();
}

int32_t CSensorAreaSensor::ProgramWindow(Window& w) {
    const SensorDescriptor d = Descriptor();
    w.x = AlignDown(w.x, m_area.xStep);
    w.width = AlignDown(w.width, m_area.xStep);
    w.y = AlignDown(w.y, m_area.yStep);
    w.height = AlignDown(w.height, m_area.yStep);
    if (w.width <= 0 || w.height <= 0 || int64_t{w.x} + w.width > d.maxWidth ||
        int64_t{w.y} + w.height > d.maxHeight) {
        return 0;
    }
    const bool ok = WriteBytes(area_reg::kWindowX, uint32_t(w.x), kPairBytes) &&
                    WriteBytes(area_reg::kWindowY, uint32_t(w.y), kPairBytes) &&
                    WriteBytes(area_reg::kWindowWidth, uint32_t(w.width), kPairBytes) &&
                    WriteBytes(area_reg::kWindowHeight, uint32_t(w.height), kPairBytes);
    return ok && WriteFrameLength(w.height, d.exposureLines.current);
}

int32_t CSensorAreaSensor::WriteFrameLength(int32_t height, int32_t lines) {
    int32_t frame = height + m_area.frameBlank;
    if (m_frameFloor.load() > frame) frame = m_frameFloor.load();
    if (lines + 1 > frame) frame = lines + 1;
    if (frame > kFrameLengthMax) frame = kFrameLengthMax;
    if (!WriteBytes(area_reg::kFrameLength, uint32_t(frame), kPairBytes)) return 0;
    UpdateDescriptor([frame](SensorDescriptor& d) { d.frameLength = frame; });
    return 1;
}

int32_t CSensorAreaSensor::WriteLineLength(int32_t length) {
    if (!WriteBytes(area_reg::kLineLength, uint32_t(length), kPairBytes)) return 0;
    UpdateDescriptor([length](SensorDescriptor& d) { d.lineLength = length; });
    return 1;
}

int32_t CSensorAreaSensor::ProgramOutputBits(int32_t bits) {
    return bits == 16 ? WriteControl(area_reg::kSixteenBit, 0)
                      : WriteControl(0, area_reg::kSixteenBit);
}

int32_t CSensorAreaSensor::ProgramExposureLines(int32_t lines) {
    if (!WriteFrameLength(Descriptor().height, lines)) return 0;
    return WriteBytes(area_reg::kExposure, uint32_t(lines), kExposureBytes);
}

int32_t CSensorAreaSensor::ProgramGain(int32_t gain) {
    return WriteArbitrated(area_reg::kGain, uint16_t(gain));
}

int32_t CSensorAreaSensor::ProgramBlackLevel(int32_t level, int32_t* stored) {
    *stored = level & kBlackLevelMask;
    return WriteBytes(area_reg::kBlackLevel, uint32_t(*stored), kPairBytes);
}

int32_t CSensorAreaSensor::WriteReverse(bool vertical, bool horizontal) {
    return WriteArbitrated(area_reg::kReverse,
                           uint16_t((vertical ? area_reg::kVerticalBit : 0) |
                                    (horizontal ? area_reg::kHorizontalBit : 0)));
}

int32_t CSensorAreaSensor::ProgramMirror(bool on) {
    return WriteReverse(on, Descriptor().flip.current != 0);
}

int32_t CSensorAreaSensor::ProgramFlip(bool on) {
    return WriteReverse(Descriptor().mirror.current != 0, on);
}

int32_t CSensorAreaSensor::ProgramTrigger(int32_t mode) {
    return SwitchTriggerPattern(mode, kAreaTriggerTiming);
}

int32_t CSensorAreaSensor::SetStandby(bool on) {
    return on ? WriteControl(0, area_reg::kRunning) : WriteControl(area_reg::kRunning, 0);
}

int32_t CSensorAreaSensor::SetSensorTriggerInput(bool external) {
    return external ? WriteControl(area_reg::kTrigger, 0) : WriteControl(0, area_reg::kTrigger);
}

int32_t CSensorAreaSensor::ReadTemperature(double* celsius) {
    uint16_t low = 0;
    uint16_t high = 0;
    if (!Read(area_reg::kTemperatureRaw, &low) || !Read(area_reg::kTemperatureRaw + 1, &high)) {
        return 0;
    }
    *celsius =
        CSensorImxFamily::TemperatureFromRaw(uint16_t((high & kRawHighMask) << 8 | (low & 0xFF)));
    return 1;
}

int32_t CSensorAreaSensor::ReadGainMode() {
    uint16_t value = 0;
    if (!Read(area_reg::kGainMode, &value)) return -1;
    return (value & kHighGainBit) ? 0 : 1;
}

// 0 sets the bit, 1 clears it, any other mode clears the register.
int32_t CSensorAreaSensor::ProgramGainMode(int32_t mode) {
    return Write(area_reg::kGainMode, mode == 0 ? kHighGainBit : 0);
}

}  // namespace kelvra

#include "sensors/CSensorLiCmos.h"

#include "sensors/FamilyRegisterMap.h"

namespace kelvra {
namespace {

constexpr int kPairBytes = 2;
constexpr int kExposureBytes = 3;
constexpr uint8_t kRunning = 0x01;
constexpr uint8_t kTrigger = 0x02;
constexpr uint8_t kSixteenBit = 0x04;
constexpr int32_t kFrameLengthMax = 0xFFFF;

constexpr CSensorFamily::TriggerTiming kLiTriggerTiming{195, 2, 9};

int32_t AlignDown(int32_t value, int32_t step) {
    return value - value % step;
}

}  // namespace

CSensorLiCmos::CSensorLiCmos(CControllerBase* controller, uint8_t busAddress,
                             const FamilyFacts& facts)
    : CSensorFamily(controller, busAddress, facts) {}

// Any readout mode is read out as mode 0.
int32_t CSensorLiCmos::SetReadoutWindow(int32_t x, int32_t width, int32_t y, int32_t height,
                                        int32_t) {
    return CSensorFamily::SetReadoutWindow(x, width, y, height, 0);
}

int32_t CSensorLiCmos::WriteControl(uint8_t set, uint8_t clear) {
    const auto value = uint8_t((m_control.load() | set) & ~clear);
    if (!Write(li_reg::kControl, value)) return 0;
    m_control.store(value);
    return 1;
}

int32_t CSensorLiCmos::ProgramInit() {
    m_control.store(0);
    if (!WriteControl(kRunning, kTrigger | kSixteenBit)) return 0;
    return ApplyDefaults();
}

int32_t CSensorLiCmos::ProgramWindow(Window& w) {
    const SensorDescriptor d = Descriptor();
    w.x = AlignDown(w.x, kStep);
    w.y = AlignDown(w.y, kStep);
    w.width = AlignDown(w.width, kStep);
    w.height = AlignDown(w.height, kStep);
    if (w.width <= 0 || w.height <= 0 || int64_t{w.x} + w.width > d.maxWidth ||
        int64_t{w.y} + w.height > d.maxHeight) {
        return 0;
    }
    const bool ok = WriteBytes(li_reg::kWindowX, uint32_t(w.x), kPairBytes) &&
                    WriteBytes(li_reg::kWindowY, uint32_t(w.y), kPairBytes) &&
                    WriteBytes(li_reg::kWindowWidth, uint32_t(w.width), kPairBytes) &&
                    WriteBytes(li_reg::kWindowHeight, uint32_t(w.height), kPairBytes);
    return ok && WriteFrameLength(w.height, d.exposureLines.current);
}

int32_t CSensorLiCmos::WriteFrameLength(int32_t height, int32_t lines) {
    int32_t frame = height + kFrameBlank;
    if (lines + 1 > frame) frame = lines + 1;
    if (frame > kFrameLengthMax) frame = kFrameLengthMax;
    if (!WriteBytes(li_reg::kFrameLength, uint32_t(frame), kPairBytes)) return 0;
    UpdateDescriptor([frame](SensorDescriptor& d) { d.frameLength = frame; });
    return 1;
}

int32_t CSensorLiCmos::ProgramOutputBits(int32_t bits) {
    return bits == 16 ? WriteControl(kSixteenBit, 0) : WriteControl(0, kSixteenBit);
}

int32_t CSensorLiCmos::ProgramExposureLines(int32_t lines) {
    if (!WriteFrameLength(Descriptor().height, lines)) return 0;
    return WriteBytes(li_reg::kExposure, uint32_t(lines), kExposureBytes);
}

int32_t CSensorLiCmos::ProgramGain(int32_t gain) {
    return Write(li_reg::kGain, uint16_t(gain));
}

int32_t CSensorLiCmos::ProgramTrigger(int32_t mode) {
    return SwitchTriggerPattern(mode, kLiTriggerTiming);
}

int32_t CSensorLiCmos::SetStandby(bool on) {
    return on ? WriteControl(0, kRunning) : WriteControl(kRunning, 0);
}

int32_t CSensorLiCmos::SetSensorTriggerInput(bool external) {
    return external ? WriteControl(kTrigger, 0) : WriteControl(0, kTrigger);
}

}  // namespace kelvra

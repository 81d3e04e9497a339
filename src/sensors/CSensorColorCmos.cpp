#include "sensors/CSensorColorCmos.h"

#include "sensors/FamilyRegisterMap.h"

namespace kelvra {
namespace {

// Bayer sensors keep the colour phase: windows start and extend in steps of 2.
constexpr int32_t kBayerStep = 2;
constexpr int32_t kFrameLengthMax = 0xFFFF;

int32_t AlignDown(int32_t value, int32_t step) {
    return value - value % step;
}

// The MT9P001's trigger timing: its snapshot mode needs the FPGA to wait 9 lines past the
// exposure and the window.
constexpr CSensorFamily::TriggerTiming kSnapshotTiming{195, 2, 9};

}  // namespace

const ColorCmosMap kMt9LargeMap{
    .startEndWindow = true,
    .xStart = mt9_reg::kXAddrStart,
    .yStart = mt9_reg::kYAddrStart,
    .xEndOrSize = mt9_reg::kXAddrEnd,
    .yEndOrSize = mt9_reg::kYAddrEnd,
    .frameLength = mt9_reg::kFrameLengthLines,
    .exposure = mt9_reg::kCoarseIntegration,
    .exposureHigh = 0,
    .globalGain = mt9_reg::kGlobalGain,
    .colorGain = {mt9_reg::kRedGain, mt9_reg::kGreen1Gain, mt9_reg::kGreen2Gain,
                  mt9_reg::kBlueGain},
    .readMode = mt9_reg::kReadMode,
    .mirrorBit = mt9_reg::kReadModeMirror,
    .flipBit = mt9_reg::kReadModeFlip,
    .run = mt9_reg::kResetRegister,
    .runValue = mt9_reg::kResetIdle | mt9_reg::kResetStream,
    .triggerRegister = 0,
    .triggerBit = 0,
};

const ColorCmosMap kMt9pMap{
    .startEndWindow = false,
    .xStart = mt9p_reg::kColumnStart,
    .yStart = mt9p_reg::kRowStart,
    .xEndOrSize = mt9p_reg::kColumnSize,
    .yEndOrSize = mt9p_reg::kRowSize,
    .frameLength = mt9p_reg::kVerticalBlank,
    .exposure = mt9p_reg::kShutterLower,
    .exposureHigh = mt9p_reg::kShutterUpper,
    .globalGain = mt9p_reg::kGlobalGain,
    .colorGain = {mt9p_reg::kRedGain, mt9p_reg::kGreen1Gain, mt9p_reg::kGreen2Gain,
                  mt9p_reg::kBlueGain},
    .readMode = mt9p_reg::kReadMode2,
    .mirrorBit = mt9p_reg::kRowMirror,
    .flipBit = mt9p_reg::kColumnMirror,
    .run = mt9p_reg::kOutputControl,
    .runValue = mt9p_reg::kChipEnable,
    .triggerRegister = mt9p_reg::kReadMode1,
    .triggerBit = mt9p_reg::kSnapshot,
};

CSensorColorCmos::CSensorColorCmos(CControllerBase* controller, uint8_t busAddress,
                                   const FamilyFacts& facts, const ColorCmosMap& map)
    : CSensorFamily(controller, busAddress, facts), m_map(map) {}

// The sensor runs, then takes the descriptor defaults.
int32_t CSensorColorCmos::ProgramInit() {
    if (!Write(m_map.run, m_map.runValue)) return 0;
    return ApplyDefaults();
}

// x, y, width and height rounded down to the Bayer step; the window must lie in the array.
int32_t CSensorColorCmos::ProgramWindow(Window& w) {
    const SensorDescriptor d = Descriptor();
    w.x = AlignDown(w.x, kBayerStep);
    w.y = AlignDown(w.y, kBayerStep);
    w.width = AlignDown(w.width, kBayerStep);
    w.height = AlignDown(w.height, kBayerStep);
    if (w.width <= 0 || w.height <= 0 || int64_t{w.x} + w.width > d.maxWidth ||
        int64_t{w.y} + w.height > d.maxHeight) {
        return 0;
    }
    const uint16_t xLast = uint16_t(m_map.startEndWindow ? w.x + w.width - 1 : w.width - 1);
    const uint16_t yLast = uint16_t(m_map.startEndWindow ? w.y + w.height - 1 : w.height - 1);
    const bool ok = Write(m_map.xStart, uint16_t(w.x)) && Write(m_map.yStart, uint16_t(w.y)) &&
                    Write(m_map.xEndOrSize, xLast) && Write(m_map.yEndOrSize, yLast);
    return ok && WriteFrameLength(w.height, d.exposureLines.current);
}

// The frame is the window plus its blank lines, stretched when the exposure is longer.
int32_t CSensorColorCmos::WriteFrameLength(int32_t height, int32_t lines) {
    int32_t frame = height + kVerticalBlank;
    if (lines + 1 > frame) frame = lines + 1;
    if (frame > kFrameLengthMax) frame = kFrameLengthMax;
    const int32_t value = m_map.startEndWindow ? frame : frame - height;
    if (!Write(m_map.frameLength, uint16_t(value))) return 0;
    UpdateDescriptor([frame](SensorDescriptor& d) { d.frameLength = frame; });
    return 1;
}

int32_t CSensorColorCmos::ProgramExposureLines(int32_t lines) {
    if (!WriteFrameLength(Descriptor().height, lines)) return 0;
    if (m_map.exposureHigh != 0 && !Write(m_map.exposureHigh, uint16_t(lines >> 16))) return 0;
    return Write(m_map.exposure, uint16_t(lines));
}

int32_t CSensorColorCmos::ProgramGain(int32_t gain) {
    return Write(m_map.globalGain, uint16_t(gain));
}

int32_t CSensorColorCmos::ProgramColorGain(SensorColorChannel channel, int32_t gain) {
    return Write(m_map.colorGain[channel], uint16_t(gain));
}

int32_t CSensorColorCmos::WriteReadMode(bool mirror, bool flip) {
    return Write(m_map.readMode,
                 uint16_t((mirror ? m_map.mirrorBit : 0) | (flip ? m_map.flipBit : 0)));
}

int32_t CSensorColorCmos::ProgramMirror(bool on) {
    return WriteReadMode(on, Descriptor().flip.current != 0);
}

int32_t CSensorColorCmos::ProgramFlip(bool on) {
    return WriteReadMode(Descriptor().mirror.current != 0, on);
}

int32_t CSensorColorCmos::ProgramTrigger(int32_t mode) {
    if (m_map.triggerRegister == 0) return 0;
    return SwitchTriggerPattern(mode, kSnapshotTiming);
}

// Standby by clearing the run register; the sensor keeps its settings.
int32_t CSensorColorCmos::SetStandby(bool on) {
    return Write(m_map.run, on ? 0 : m_map.runValue);
}

int32_t CSensorColorCmos::SetSensorTriggerInput(bool external) {
    return Write(m_map.triggerRegister, external ? m_map.triggerBit : 0);
}

}  // namespace kelvra

// CSensorImxSecondGen: initialisation, readout window, line length and output depth of the
// IMX992 and IMX993.
#include "sensors/CSensorImxSecondGen.h"

#include "sensors/FpgaRegisterMap.h"
#include "sensors/ImxRegisterMap.h"

namespace kelvra {
namespace {

// Line lengths: 8-bit output runs the short line, 16-bit the long one.
constexpr int32_t kLineLength8 = 489;
constexpr int32_t kLineLength16 = 978;
constexpr uint32_t kStandbyStepMs = 50;

// Readout modes and what they program.
constexpr int32_t kModeNormal = 0;
constexpr int32_t kModeBinned = 1;
constexpr int32_t kModeBinnedFurther = 17;
constexpr int32_t kCropFrameExtra = 84;  // frame base of a cropped window: height + 84
constexpr uint8_t kCropWidth = 1;
constexpr uint8_t kCropHeight = 2;
constexpr uint8_t kReadoutNormal = 36;  // register 0x400
constexpr uint8_t kReadoutFurther = 172;
constexpr uint8_t kFpgaReadoutNormal = 0;
constexpr uint8_t kFpgaReadoutBinned = 1;
constexpr uint8_t kFpgaReadoutFurther = 2;
constexpr int32_t kBinnedStartY = 4;
constexpr int32_t kWindowHighMask = 0x1F;  // window registers take bits 8-12 in their high byte
constexpr int32_t kStartStepX = 8, kStartStepY = 4, kWidthStep = 8, kHeightStep = 4;
constexpr int32_t kMinWidth = 8, kMinHeight = 4;
constexpr int32_t kFurtherStep = 32;        // mode 17 takes multiples of 32
constexpr uint8_t kTriggerFieldValue = 40;  // field value 10 in bits 2-7 of 0x430
constexpr uint8_t kTriggerFieldKeep = 0x03;

// Column offsets, flip off / flip on.
constexpr int32_t kColumnNormal[2] = {112, 16};
constexpr int32_t kColumnBinned[2] = {52, 8};

bool Multiple(int32_t value, int32_t step) {
    return value % step == 0;
}

}  // namespace

// What one window request programs: register values, the values stored as the current window,
// and the timing the window needs.
struct CSensorImxSecondGen::WindowPlan {
    int32_t x, y, width, height;                 // sensor registers
    int32_t storedX, storedY, storedW, storedH;  // current window after the change
    int32_t mode;
    int32_t frameBase;
    int32_t lineLength;
    uint8_t binning, crop, readout, fpgaReadout;
};

CSensorImxSecondGen::CSensorImxSecondGen(CControllerBase* controller, uint8_t busAddress,
                                         const ImxFacts& facts, const ImxSecondGenFacts& generation)
    : CSensorImxFamily(controller, busAddress, facts),
      m_generation(generation),
      m_frameBase(facts.frameLength),
      m_lastFrameLength(facts.frameLength),
      m_lineLengthInUse(kLineLength8) {}

// The exposure registers need no pause between writes on this generation.
int32_t CSensorImxSecondGen::WriteTimingRegister(uint16_t address, uint8_t value) {
    return WriteSafe(address, value);
}

int32_t CSensorImxSecondGen::ColumnOffset(bool flip, int32_t mode) {
    if (mode == kModeNormal) return kColumnNormal[flip ? 1 : 0];
    if (mode == kModeBinned || mode == kModeBinnedFurther) return kColumnBinned[flip ? 1 : 0];
    return 0;
}

// Power-up setup: start-up register, then the settings InitCommon applies. Returns 1, or 0
// without a controller.
int32_t CSensorImxSecondGen::InitSensor() {
    if (Controller() == nullptr) return 0;
    WriteSafe(imx_reg::kStartup, 0);
    return InitCommon();
}

// Gain, exposure, flip and mirror at their defaults, then the default window in mode 0.
int32_t CSensorImxSecondGen::InitCommon() {
    const SensorDescriptor d = Descriptor();
    SetGain(d.gain.defaultValue);
    SetExposureSeconds(d.exposureSecondsDefault);
    SetFlip(d.flip.defaultValue);
    SetMirror(d.mirror.defaultValue);
    SetReadoutWindow(d.defaultX, d.defaultWidth, d.defaultY, d.defaultHeight, kModeNormal);
    return 1;
}

void CSensorImxSecondGen::EnterStandby(uint32_t stepMs) {
    WriteSafeThenWait(imx_reg::kStandby, 1, stepMs);
    WriteSafeThenWait(imx_reg::kMasterStop, 1, stepMs);
}

void CSensorImxSecondGen::LeaveStandby(uint32_t stepMs) {
    WriteSafeThenWait(imx_reg::kStandby, 0, stepMs);
    WriteSafeThenWait(imx_reg::kMasterStop, 0, stepMs);
}

// Writes the line length; a new value goes in under standby. Returns 1 when written.
int32_t CSensorImxSecondGen::ProgramLineLength(int32_t lineLength) {
    const bool changed = lineLength != m_lineLengthInUse.load();
    if (changed) EnterStandby(kStandbyStepMs);
    const bool ok = WriteSafe(imx_reg::kLineLength0, static_cast<uint8_t>(lineLength)) &&
                    WriteSafe(imx_reg::kLineLength1, static_cast<uint8_t>(lineLength >> 8));
    if (changed) LeaveStandby(kStandbyStepMs);
    if (!ok) return 0;
    m_lineLengthInUse.store(lineLength);
    return 1;
}

// Line time in microseconds for the line length in use.
double CSensorImxSecondGen::LineTimeUs() const {
    constexpr double kLineUs = 355.7 * 1000.0;  // a 489-unit line at 1 kHz of sensor clock
    const int32_t clock = Descriptor().sensorClockKHz;
    if (clock == 0) return 0.0;
    return m_lineLengthInUse.load() / static_cast<double>(kLineLength8) * kLineUs / clock;
}

// Mode 0: x and width multiples of 8, y and height of 4, within the mode's size limits. Mode 1:
// origin only. Mode 17: everything a multiple of 32. Then the window must fit the array.
bool CSensorImxSecondGen::ValidWindow(int32_t x, int32_t width, int32_t y, int32_t height,
                                      int32_t mode) const {
    if (x < 0 || y < 0) return false;
    if (mode == kModeNormal) {
        if (!Multiple(x, kStartStepX) || !Multiple(y, kStartStepY) ||
            !Multiple(width, kWidthStep) || !Multiple(height, kHeightStep) || width < kMinWidth ||
            width > m_generation.normalMaxWidth || height < kMinHeight ||
            height > m_generation.normalMaxHeight) {
            return false;
        }
    } else if (mode == kModeBinned) {
        if (x != 0 || y != 0) return false;
    } else if (mode == kModeBinnedFurther) {
        if (!Multiple(x, kFurtherStep) || !Multiple(y, kFurtherStep) ||
            !Multiple(width, kFurtherStep) || !Multiple(height, kFurtherStep)) {
            return false;
        }
    } else {
        return false;
    }
    const SensorDescriptor d = Descriptor();
    return int64_t{x} + width <= d.maxWidth && int64_t{y} + height <= d.maxHeight;
}

CSensorImxSecondGen::WindowPlan CSensorImxSecondGen::PlanWindow(int32_t x, int32_t width, int32_t y,
                                                                int32_t height, int32_t mode) {
    const SensorDescriptor d = Descriptor();
    WindowPlan p{};
    p.mode = mode;
    if (mode == kModeNormal) {
        const bool upsideDown = d.orientation == 3 || d.orientation == 4;
        p.x = x;
        p.y = upsideDown ? d.maxHeight - y - height : y;
        p.width = width;
        p.height = height;
        p.storedX = x;
        p.storedY = y;
        p.storedW = width;
        p.storedH = height;
        p.frameBase = height != d.maxHeight ? height + kCropFrameExtra : m_generation.frameBase;
        p.lineLength = d.outputBits == 8 ? kLineLength8 : kLineLength16;
        p.crop = static_cast<uint8_t>((width != d.maxWidth ? kCropWidth : 0) +
                                      (height != d.maxHeight ? kCropHeight : 0));
        p.readout = kReadoutNormal;
        p.fpgaReadout = kFpgaReadoutNormal;
        return p;
    }
    // Both binned modes read the whole array; the frame is half its size each way.
    const bool binned = mode == kModeBinned;
    p.x = 0;
    p.y = kBinnedStartY;
    p.width = d.maxWidth;
    p.height = d.maxHeight;
    p.storedW = d.maxWidth / 2;
    p.storedH = d.maxHeight / 2;
    p.frameBase = binned ? m_generation.binnedFrameBase : m_generation.frameBase;
    p.lineLength = kLineLength8;
    p.binning = binned ? imx_reg::kBinning2x2 : 0;
    p.readout = binned ? kReadoutNormal : kReadoutFurther;
    p.fpgaReadout = binned ? kFpgaReadoutBinned : kFpgaReadoutFurther;
    return p;
}

// A change of output depth since this driver, or any driver of its class, last programmed a
// window. Both records take the new depth.
bool CSensorImxSecondGen::OutputBitsChanged(int32_t bits) {
    const int32_t classBefore = ClassOutputBits().exchange(bits);
    const int32_t ownBefore = m_appliedOutputBits.exchange(bits);
    return classBefore != bits || ownBefore != bits;
}

// Readout configuration (under standby when reconfiguring), the FPGA readout code and the
// window registers. Continues past a failed write so standby is always left. Returns 1 when
// every write succeeded.
int32_t CSensorImxSecondGen::WriteWindowRegisters(const WindowPlan& p, bool reconfigure) {
    bool ok = true;
    auto put = [&](uint16_t address, int32_t value) {
        ok = WriteSafe(address, static_cast<uint8_t>(value)) && ok;
    };
    if (reconfigure) EnterStandby(kStandbyStepMs);
    put(imx_reg::kBinning, p.binning);
    put(imx_reg::kCrop, p.crop);
    put(imx_reg::kReadoutMode, p.readout);
    if (m_generation.triggerConfigField) {
        uint8_t config = 0;
        ok = ReadSafe(imx_reg::kTriggerConfig, &config) && ok;
        put(imx_reg::kTriggerConfig, kTriggerFieldValue | (config & kTriggerFieldKeep));
        put(imx_reg::kTriggerConfigHigh, 0);
    }
    if (reconfigure) LeaveStandby(kStandbyStepMs);
    ok = WriteFpgaVerifiedQuick(fpga_reg::kReadoutCode, p.fpgaReadout) && ok;
    const int32_t fields[4] = {p.x, p.y, p.width, p.height};
    const uint16_t registers[4] = {imx_reg::kWindowX, imx_reg::kWindowY, imx_reg::kWindowWidth,
                                   imx_reg::kWindowHeight};
    for (int i = 0; i < 4; ++i) {
        put(registers[i], fields[i] & 0xFF);
        put(static_cast<uint16_t>(registers[i] + 1), (fields[i] >> 8) & kWindowHighMask);
    }
    return ok ? 1 : 0;
}

// Validates and programs a window in mode 0 (normal), 1 (2x2 binning) or 17 (further binned).
// A change of output depth or mode reconfigures the sensor under standby; a change of line
// length is made under standby too. Returns 1 and stores the window (halved in the binned
// modes); 0 with nothing written for an invalid window, without a controller, or, with nothing
// stored, when a write failed.
int32_t CSensorImxSecondGen::SetReadoutWindow(int32_t x, int32_t width, int32_t y, int32_t height,
                                              int32_t mode) {
    if (Controller() == nullptr || !ValidWindow(x, width, y, height, mode)) return 0;
    const WindowPlan p = PlanWindow(x, width, y, height, mode);
    const SensorDescriptor d = Descriptor();
    const bool bitsChanged = OutputBitsChanged(d.outputBits);
    const bool reconfigure = bitsChanged || mode != d.readoutMode;
    bool ok = WriteWindowRegisters(p, reconfigure);

    const bool frameOk =
        WriteSafe(imx_reg::kFrameLength0, static_cast<uint8_t>(p.frameBase)) &&
        WriteSafe(imx_reg::kFrameLength1, static_cast<uint8_t>(p.frameBase >> 8)) &&
        WriteSafe(imx_reg::kFrameLength2, static_cast<uint8_t>(p.frameBase >> 16));
    if (frameOk) m_lastFrameLength.store(p.frameBase);
    ok = ProgramLineLength(p.lineLength) && frameOk && ok;
    if (!ok) return 0;
    m_frameBase.store(p.frameBase);
    StoreWindow(p.storedX, p.storedY, p.storedW, p.storedH, mode);
    RememberRequest(x, width, y, height, mode);
    return 1;
}

// 16-bit output when `sixteen` is nonzero, else 8-bit: the line length for it (under standby),
// the exposure minimum of two lines of it, and the window again. Returns 1 when all succeeded.
int32_t CSensorImxSecondGen::SetOutputBits(int32_t sixteen) {
    if (Controller() == nullptr) return 0;
    constexpr double kMinimumLines = 2.0;
    constexpr double kUsPerSecond = 1e6;
    const int32_t bits = sixteen ? 16 : 8;
    UpdateDescriptor([bits](SensorDescriptor& d) { d.outputBits = bits; });
    bool ok = ProgramLineLength(bits == 16 ? kLineLength16 : kLineLength8);
    const double secondsMin = LineTimeUs() * kMinimumLines / kUsPerSecond;
    UpdateDescriptor([secondsMin](SensorDescriptor& d) { d.exposureSecondsMin = secondsMin; });
    ok = ReapplyRequestedWindow() && ok;
    return ok ? 1 : 0;
}

}  // namespace kelvra

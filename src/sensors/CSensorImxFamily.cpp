// CSensorImxFamily: construction, sub-model codes, register access, gain and image reversal.
#include "sensors/CSensorImxFamily.h"

#include "sensors/FpgaRegisterMap.h"
#include "sensors/ImxRegisterMap.h"

namespace kelvra {
namespace {

// Values every class of the family shares.
constexpr int32_t kExposureTimeMin = 1;  // 0.1 ms
constexpr int32_t kExposureTimeMax = 20000;
constexpr double kExposureSecondsMax = 2.0;
constexpr int32_t kGainMax = 420;
constexpr int32_t kSensorClockKHz = 54545;
constexpr int32_t kOrientationUncooled = 4;  // array read bottom row first
constexpr int32_t kOrientationCooled = 1;
constexpr int32_t kWindowFlagA = 0, kWindowFlagB = 1, kWindowFlagC = 0, kWindowFlagD = 1;

constexpr int32_t kReadBackPreset = 0x0A0A;  // cannot match a byte: a failed read-back retries
constexpr int32_t kMaxRegisterAddress = 0xFFFF;

constexpr uint8_t kGainHighMask = 0x01;  // gain bit 8

}  // namespace

CSensorImxFamily::CSensorImxFamily(CControllerBase* controller, uint8_t busAddress,
                                   const ImxFacts& facts)
    : CSensorBase(controller, busAddress), m_facts(facts) {
    m_modelCode.store(facts.uncooledModelCode);
    m_triggerMode.store(facts.triggerMode);
    UpdateDescriptor([&facts](SensorDescriptor& d) {
        d.maxWidth = d.defaultWidth = d.width = facts.maxWidth;
        d.maxHeight = d.defaultHeight = d.height = facts.maxHeight;
        d.windowFlagA = kWindowFlagA;
        d.windowFlagB = kWindowFlagB;
        d.windowFlagC = kWindowFlagC;
        d.windowFlagD = kWindowFlagD;
        d.lineLength = facts.lineLength;
        d.frameLength = facts.frameLength;
        d.gain = {0, kGainMax, 0, 0, 1};
        d.exposureLines = {facts.exposureLinesMin, facts.exposureLinesMax,
                           facts.exposureLinesDefault, facts.exposureLinesDefault, 1};
        d.exposureTime = {kExposureTimeMin, kExposureTimeMax, facts.exposureTimeDefault,
                          facts.exposureTimeDefault, 1};
        d.blackLevel = {0, facts.blackLevelMax, facts.blackLevelDefault, facts.blackLevelDefault,
                        facts.blackLevelSupported};
        d.auxModeSupported = facts.auxModeSupported;
        d.exposureSecondsMin = facts.exposureSecondsMin;
        d.exposureSecondsMax = kExposureSecondsMax;
        d.exposureSecondsCurrent = d.exposureSecondsDefault = facts.exposureSecondsDefault;
        d.exposureSecondsSupported = 1;
        d.mirror = {0, 0, 1};
        d.flip = {0, 0, 1};
        d.outputBits = facts.outputBits;
        d.sensorClockKHz = kSensorClockKHz;
        d.orientation = kOrientationUncooled;
    });
    RememberRequest(0, facts.maxWidth, 0, facts.maxHeight, 0);
}

// The register lock and every other resource are members; nothing to release by hand.
CSensorImxFamily::~CSensorImxFamily() = default;

// Accepts the class's uncooled and cooled codes and sets the orientation from them. Any other
// code is ignored (returns 0) and the constructor's uncooled default stays.
int32_t CSensorImxFamily::SetModelCode(int32_t code) {
    if (code != m_facts.uncooledModelCode && code != m_facts.cooledModelCode) return 0;
    m_modelCode.store(code);
    const int32_t orientation =
        code == m_facts.cooledModelCode ? kOrientationCooled : kOrientationUncooled;
    UpdateDescriptor([orientation](SensorDescriptor& d) { d.orientation = orientation; });
    return 1;
}

int32_t CSensorImxFamily::ProbeSensor() {
    return 1;
}

// ---- register access ---------------------------------------------------------------------

// Direct sensor register write (low byte of value). Returns 1 or 0.
int32_t CSensorImxFamily::WriteRegister(int32_t address, int32_t value) {
    if (address < 0 || address > kMaxRegisterAddress) return 0;
    return WriteSensorDirect(static_cast<uint16_t>(address), static_cast<uint8_t>(value),
                             m_facts.pausesBeforeWrite);
}

// Direct sensor register read; *value receives the byte zero-extended. Returns 1 or 0.
int32_t CSensorImxFamily::ReadRegister(int32_t address, int32_t* value) {
    if (address < 0 || address > kMaxRegisterAddress || value == nullptr) return 0;
    uint8_t byte = 0;
    if (!ReadSensorDirect(static_cast<uint16_t>(address), &byte)) return 0;
    *value = byte;
    return 1;
}

// Under the sensor bus (CSensorBase::WithSensorBus): write the register; the IMX990 also reads
// it back and compares, so that a write the bus swallowed is tried again. Returns 1 on success,
// 0 after the last attempt or without a controller.
int32_t CSensorImxFamily::WriteRegisterSafe(int32_t address, int32_t value) {
    return WithSensorBus([&] {
        if (!WriteRegister(address, value)) return false;
        if (!m_facts.verifiesSafeWrite) return true;
        int32_t readBack = kReadBackPreset;
        ReadRegister(address, &readBack);
        // Only the low byte reaches the sensor, so only it can be compared.
        return readBack == (value & 0xFF);
    });
}

// The same handshake around a direct register read. Returns 1 with *value, or 0.
int32_t CSensorImxFamily::ReadRegisterSafe(int32_t address, int32_t* value) {
    if (value == nullptr) return 0;
    return WithSensorBus([&] { return ReadRegister(address, value) != 0; });
}

int32_t CSensorImxFamily::WriteSafe(uint16_t address, uint8_t value) {
    return WriteRegisterSafe(address, value);
}

int32_t CSensorImxFamily::WriteSafeThenWait(uint16_t address, uint8_t value, uint32_t waitMs) {
    const int32_t result = WriteRegisterSafe(address, value);
    Sleep(waitMs);
    return result;
}

int32_t CSensorImxFamily::ReadSafe(uint16_t address, uint8_t* value) {
    int32_t word = 0;
    if (!ReadRegisterSafe(address, &word)) return 0;
    *value = static_cast<uint8_t>(word);
    return 1;
}

// ---- frame length byte order -------------------------------------------------------------

// Bits 16-23 set: high, middle, low. Otherwise, when the middle byte falls below the
// reference's: middle first, then high = 0, then low; else high = 0, middle, low. Stops at the
// first failed write. Returns 1 when all three were written.
int32_t CSensorImxFamily::WriteFrameLengthOrdered(uint32_t n, uint32_t reference) {
    const auto low = static_cast<uint8_t>(n);
    const auto middle = static_cast<uint8_t>(n >> 8);
    const auto high = static_cast<uint8_t>(n >> 16);
    if (high == 0 && middle < static_cast<uint8_t>(reference >> 8)) {
        return WriteTimingRegister(imx_reg::kFrameLength1, middle) &&
               WriteTimingRegister(imx_reg::kFrameLength2, 0) &&
               WriteTimingRegister(imx_reg::kFrameLength0, low);
    }
    return WriteHighFirst(imx_reg::kFrameLength0, n);
}

// A 24-bit value to address0 + 2, + 1, + 0 in that order. Stops at the first failed write.
int32_t CSensorImxFamily::WriteHighFirst(uint16_t address0, uint32_t value) {
    return WriteTimingRegister(static_cast<uint16_t>(address0 + 2),
                               static_cast<uint8_t>(value >> 16)) &&
           WriteTimingRegister(static_cast<uint16_t>(address0 + 1),
                               static_cast<uint8_t>(value >> 8)) &&
           WriteTimingRegister(address0, static_cast<uint8_t>(value));
}

// ---- gain, mirror and flip ---------------------------------------------------------------

// Gain code to 0x714 (bits 0-7) and 0x715 (bit 8), limited to 0..max (a negative code would
// otherwise reach the register as a large one). Stored when the write succeeds: the first
// register alone, or both where the class needs both. Returns 1 or 0.
int32_t CSensorImxFamily::SetGain(int32_t gain) {
    if (Controller() == nullptr) return 0;
    const SensorRange range = Descriptor().gain;
    const int32_t g = gain < range.min ? range.min : (gain > range.max ? range.max : gain);
    const bool lowOk = WriteSafe(imx_reg::kGainLow, static_cast<uint8_t>(g));
    const bool highOk =
        WriteSafe(imx_reg::kGainHigh, static_cast<uint8_t>((g >> 8) & kGainHighMask));
    if (!lowOk || (m_facts.gainNeedsBothWrites && !highOk)) return 0;
    UpdateDescriptor([g](SensorDescriptor& d) { d.gain.current = g; });
    return 1;
}

// Mirror bit of 0x404 from `on`, flip bit from the stored flip. Returns 1 or 0.
int32_t CSensorImxFamily::SetMirror(int32_t on) {
    if (Controller() == nullptr) return 0;
    const int32_t mirror = on ? 1 : 0;
    const int32_t flip = Descriptor().flip.current;
    const auto bits =
        static_cast<uint8_t>((mirror ? imx_reg::kMirrorBit : 0) | (flip ? imx_reg::kFlipBit : 0));
    if (!WriteSafe(imx_reg::kMirrorFlip, bits)) return 0;
    UpdateDescriptor([mirror](SensorDescriptor& d) { d.mirror.current = mirror; });
    return 1;
}

// Flip bit of 0x404 from `on`, mirror bit from the stored mirror; then the FPGA column offset
// that the new flip state needs (0x4C low, 0x4D high). Returns 1 when every write succeeded.
int32_t CSensorImxFamily::SetFlip(int32_t on) {
    if (Controller() == nullptr) return 0;
    const int32_t flip = on ? 1 : 0;
    const SensorDescriptor d = Descriptor();
    const auto bits = static_cast<uint8_t>((d.mirror.current ? imx_reg::kMirrorBit : 0) |
                                           (flip ? imx_reg::kFlipBit : 0));
    if (!WriteSafe(imx_reg::kMirrorFlip, bits)) return 0;
    UpdateDescriptor([flip](SensorDescriptor& w) { w.flip.current = flip; });
    const int32_t offset = ColumnOffset(flip != 0, d.readoutMode);
    const bool lowOk = WriteFpga(fpga_reg::kColumnOffsetLow, static_cast<uint8_t>(offset));
    const bool highOk = WriteFpga(fpga_reg::kColumnOffsetHigh, static_cast<uint8_t>(offset >> 8));
    return lowOk && highOk ? 1 : 0;
}

// Information word bit 15, for the classes that report in-camera correction that way.
int32_t CSensorImxFamily::IsInternalCorrectionSupported(int32_t, int32_t) {
    constexpr uint16_t kInfoCorrection = 0x8000;
    if (!m_facts.internalCorrectionFlag) return 0;
    return (GetHardwareInfo() & kInfoCorrection) ? 1 : 0;
}

// No colour output: the family's sensors are monochrome.
int32_t CSensorImxFamily::SupportsColorModes() {
    return 0;
}

// ---- window bookkeeping ------------------------------------------------------------------

void CSensorImxFamily::StoreWindow(int32_t x, int32_t y, int32_t width, int32_t height,
                                   int32_t mode) {
    UpdateDescriptor([&](SensorDescriptor& d) {
        if (d.x != x || d.y != y || d.width != width || d.height != height ||
            d.readoutMode != mode) {
            m_windowChanged.store(1);
        }
        d.x = x;
        d.y = y;
        d.width = width;
        d.height = height;
        d.readoutMode = mode;
    });
}

void CSensorImxFamily::RememberRequest(int32_t x, int32_t width, int32_t y, int32_t height,
                                       int32_t mode) {
    std::lock_guard lock(m_requestLock);
    m_request = {x, width, y, height, mode};
}

// The stored window is in sensor-side values (halved when binned, y moved by orientation and
// crop), which SetReadoutWindow would transform a second time; the caller's own request is
// what must be applied again.
int32_t CSensorImxFamily::ReapplyRequestedWindow() {
    WindowRequest r;
    {
        std::lock_guard lock(m_requestLock);
        r = m_request;
    }
    return SetReadoutWindow(r.x, r.width, r.y, r.height, r.mode);
}

// ---- trigger entry -----------------------------------------------------------------------

// After a window change the trigger state is stale and always reprogrammed. Otherwise a
// request for free-running mode while the FPGA already reads 0 changes nothing and cancels any
// pending readout restart.
bool CSensorImxFamily::TriggerAlreadyFreeRunning(int32_t mode) {
    constexpr uint8_t kTriggerModePreset = 0x0F;
    if (m_windowChanged.exchange(0) != 0) return false;
    uint8_t current = kTriggerModePreset;
    if (ReadFpga(fpga_reg::kTriggerMode, &current) && mode == 0 && current == 0) {
        m_restartPulse.store(0);
        return true;
    }
    return false;
}

}  // namespace kelvra

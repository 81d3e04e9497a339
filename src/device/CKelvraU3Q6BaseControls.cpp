// Camera controls with logic of their own: transfer depth, readout window, pixel clock,
// trigger mode, exposure and the frame timeout, register pass-throughs, EEPROM, in-camera
// correction, the 16-bit FPGA parameter and the FPGA die temperature.
#include "device/CKelvraU3Q6Base.h"
#include "device/DeviceRegisters.h"
#include "device/ProductIds.h"

namespace kelvra {
namespace {

constexpr int32_t kNoWait = 0;
constexpr int32_t kModeTrigger = 2;
constexpr int32_t kWaitNewFrame = 3;

// Transfer depth: products whose sensor driver switches its output width along with the FPGA.
bool SetsSensorOutputBits(int32_t productId) {
    return product::IsImx990Family(productId) ||
           product::IsOneOf(productId, {0x3100, 0x31B0, 0x31B4, 0x31C0, 0x31C4, 0x32A0, 0x32E0,
                                        0x32F0, 0x3300, 0x3360});
}

// Transfer depth: products whose FPGA does not take it in register 60. Their registers are
// not known to the core and belong with their sensor drivers, so the depth goes there.
bool SwitchesDepthInDriver(int32_t productId) {
    return product::IsBlockStream(productId) ||
           product::IsOneOf(productId,
                            {product::kTripleFrame, product::kAltGeometry, product::kModelG});
}

// Pixel clock mode 2 needs a SuperSpeed link.
constexpr int32_t kFastPixelClock = 2;
constexpr uint32_t kSuperSpeed = 4;

// Exposure (0.1 ms units) up to which the default frame timeout holds; above it the timeout is
// twice the exposure.
constexpr int32_t kLongExposure = 50000;
constexpr int32_t kExposureToTimeoutDivisor = 5;
constexpr double kLongExposureSeconds = 2.0;

// Trigger mode of the IMX990/991: hardware from this information word starts triggered
// acquisition with a first frame to latch the counter.
constexpr uint16_t kTriggerStartInfo = 0x110;

constexpr int32_t kSensorBusIdleMs = 3000;
constexpr int32_t kMaxSensorBusBytes = 4;
constexpr uint32_t kIdlePollMs = 1;

constexpr int32_t kMaxEepromAddress = 0xFFFF;

constexpr int32_t kFpgaParameterMax = 0xFFFF;
constexpr int32_t kNoSubModel = -1;
constexpr int32_t kInternalCorrectionBase = 0x31E0;

// FPGA die temperature: raw x 503.975 / 65536 - 273.15 degrees Celsius.
constexpr double kDieScale = 503.975 / 65536.0;
constexpr double kKelvinOffset = 273.15;

// The sub-model index the IMX990 family's FPGA parameter is asked about: the product id less
// its family base, or the id itself for 0x3370; kNoSubModel outside the family.
int32_t FpgaParameterSubModel(int32_t productId) {
    switch (productId) {
        case 0x3260:
        case 0x3270:
        case 0x3380:
        case 0x33C0:
            return 0;
        case 0x3280:
        case 0x3290:
            return productId - 0x3280;
        case 0x33D0:
            return productId - 0x33C0;
        case 0x3370:
            return productId;
        default:
            return kNoSubModel;
    }
}

}  // namespace

// ---- 41-45: transfer depth, pixel clock, readout window ------------------------------------

// Transfer depth: 0 one byte per pixel, 1 two bytes (12-bit samples). Tells the sensor driver
// where it must know, then the FPGA (register 60, the control byte of the sync-stream model,
// or the sensor driver's SetOutputBits for the products that switch it their own way); a
// changed depth reconfigures the ring at once. Returns 1, the ring's result after a change, or
// 0 without a controller or when the switch fails (also without a driver where it switches).
int32_t CKelvraU3Q6Base::SetTransferBits(int32_t bits) {
    std::lock_guard config(m_configLock);
    if (!m_controller) return 0;
    const int32_t productId = m_productId;
    if (m_sensor && SetsSensorOutputBits(productId)) m_sensor->SetOutputBits(bits);
    const bool sixteen = bits == 1 || productId == product::kModuleConsole;
    int32_t written = 0;
    if (IsSyncStreamModel()) {
        written = m_controller->WriteControlByte(bits == 1 ? 1 : 0);
    } else if (SwitchesDepthInDriver(productId)) {
        written = m_sensor ? m_sensor->SetOutputBits(bits) : 0;
    } else {
        written =
            WriteFpgaRegister(device_reg::kTransferDepth,
                              sixteen ? device_reg::kTransferDepth16 : device_reg::kTransferDepth8);
    }
    if (!written) return 0;
    if (bits == m_transferBits) return 1;
    m_transferBits = bits;
    return ConfigureBuffers();
}

// Pixel clock mode 0-2 of the sensor; mode 2 falls back to 0 on a link slower than
// SuperSpeed. The sensor driver's result; 0 without one.
int32_t CKelvraU3Q6Base::SetPixelClockMode(int32_t mode) {
    if (!m_sensor) return 0;
    uint32_t speed = 0;
    if (mode == kFastPixelClock && !IsSyncStreamModel() && m_controller &&
        m_controller->GetDeviceSpeed(&speed) && speed != kSuperSpeed) {
        mode = 0;
    }
    return m_sensor->SetPixelClockMode(mode);
}

int32_t CKelvraU3Q6Base::GetPixelClockMode() {
    int32_t mode = 0;
    if (m_sensor) m_sensor->GetPixelClockMode(&mode);
    return mode;
}

// Readout window and mode. The current window is left alone (and the ring keeps its geometry);
// anything else goes to the sensor driver, and the next StartTransfer reconfigures the ring.
// Returns 1, or 0 without a sensor driver or when the driver refuses the window.
int32_t CKelvraU3Q6Base::SetCaptureWindow(int32_t x, int32_t y, int32_t width, int32_t height,
                                          int32_t readoutMode) {
    std::lock_guard config(m_configLock);
    SensorDescriptor d;
    if (!Descriptor(&d)) return 0;
    if (d.x == x && d.y == y && d.width == width && d.height == height &&
        d.readoutMode == readoutMode && !IsBlockStreamModel()) {
        return 1;
    }
    if (m_productId == product::kModelG) StopTransfer(kNoWait);
    if (!m_sensor->SetReadoutWindow(x, width, y, height, readoutMode)) return 0;
    // The driver keeps the effective window in its descriptor, which every later read of the
    // descriptor returns; reading it back confirms the driver can report it.
    int32_t ex = 0, ew = 0, ey = 0, eh = 0, em = 0;
    m_sensor->GetReadoutWindow(&ex, &ew, &ey, &eh, &em);
    m_reconfigure = 1;
    return 1;
}

// The window and readout mode of the sensor descriptor (null outputs are skipped). 1, or 0
// without a sensor driver.
int32_t CKelvraU3Q6Base::GetCaptureWindow(int32_t* x, int32_t* y, int32_t* width, int32_t* height,
                                          int32_t* readoutMode) {
    SensorDescriptor d;
    if (!Descriptor(&d)) return 0;
    if (x) *x = d.x;
    if (y) *y = d.y;
    if (width) *width = d.width;
    if (height) *height = d.height;
    if (readoutMode) *readoutMode = d.readoutMode;
    return 1;
}

// ---- 54-57: trigger mode and EEPROM ----------------------------------------------------------

// Trigger mode: 0 free-running, 1 external trigger. Unless forced, asking for the stored mode
// does nothing. The transfer is stopped first. Returns 1 once the mode is stored; 0 without a
// sensor driver, or when a driver without a rule of its own refuses the mode.
int32_t CKelvraU3Q6Base::SetTriggerMode(int32_t mode, int32_t force) {
    std::lock_guard config(m_configLock);
    if (!m_sensor) return 0;
    if (!force && mode == m_triggerMode) return 1;
    StopTransfer(kNoWait);
    OpenFrameEvent();
    if (product::IsImx990FirstGeneration(m_productId)) {
        const uint16_t info = m_sensor->GetHardwareInfo();
        if (info > kTriggerStartInfo) {
            if (mode == 0) m_sensor->SetTriggerMode(0);
            // The counter is latched as trigger mode is entered, as on older hardware. Waiting
            // here for a first triggered frame to latch it would block the caller for up to a
            // minute and swallow that frame: the first trigger's picture would never arrive.
            if (mode == 1 && m_sensor->SetTriggerMode(1)) LatchFrameCounter();
        } else if (info != 0) {
            m_sensor->SetTriggerMode(mode);
            if (mode == 1) LatchFrameCounter();
        }
        m_triggerMode = mode;
        return 1;
    }
    if (!m_sensor->SetTriggerMode(mode)) return 0;
    if (mode >= 1 && mode <= 3) LatchFrameCounter();
    m_triggerMode = mode;
    return 1;
}

// A byte of the configuration EEPROM (16-bit addresses). 1, or 0 without a controller, for an
// address outside 0-0xFFFF or when the transaction fails.
int32_t CKelvraU3Q6Base::WriteEeprom(int32_t address, int32_t value) {
    if (!m_controller || address < 0 || address > kMaxEepromAddress) return 0;
    return m_controller->WriteEeprom(uint16_t(address), uint8_t(value));
}

int32_t CKelvraU3Q6Base::ReadEeprom(int32_t address, uint8_t* value) {
    if (!m_controller || value == nullptr || address < 0 || address > kMaxEepromAddress) return 0;
    return m_controller->ReadEeprom(uint16_t(address), value);
}

// ---- 71, 82: exposure and the frame timeout --------------------------------------------------

// Exposure in 0.1 ms. The frame timeout becomes 5000 ms, or twice the exposure above 5 s;
// product 0x3200 hands the exposure to the transfer thread. The sensor driver's result; 0
// without one (the timeout is then left as it was).
int32_t CKelvraU3Q6Base::SetExposureTime(int32_t time) {
    if (!m_sensor) return 0;
    m_frameTimeoutMs =
        time <= kLongExposure ? kDefaultFrameTimeoutMs : time / kExposureToTimeoutDivisor;
    if (m_productId == product::kPendingExposure) {
        m_pendingExposure = uint32_t(time);
        m_pendingExposureFlag = 1;
        return 1;
    }
    return m_sensor->SetExposureTime(time);
}

// Exposure in seconds; above 2 s the frame timeout becomes the exposure plus one second. The
// sensor driver's result; 0 without one.
int32_t CKelvraU3Q6Base::SetExposureSeconds(double seconds) {
    if (!m_sensor) return 0;
    if (seconds > kLongExposureSeconds) m_frameTimeoutMs = int32_t((seconds + 1.0) * 1000.0);
    return m_sensor->SetExposureSeconds(seconds);
}

// ---- 117-123: register pass-throughs ---------------------------------------------------------

// A sensor register (the bank is not used: there is one). The driver's result; 0 without one.
int32_t CKelvraU3Q6Base::WriteRegister(int32_t /*bank*/, int32_t address, int32_t value) {
    return m_sensor ? m_sensor->WriteRegister(address, value) : 0;
}

// A sensor register's value; *ok (optional) receives 1 or 0.
int32_t CKelvraU3Q6Base::ReadRegister(int32_t /*bank*/, int32_t address, int32_t* ok) {
    int32_t value = 0;
    const int32_t read = m_sensor ? m_sensor->ReadRegister(address, &value) : 0;
    if (ok) *ok = read ? 1 : 0;
    return read ? value : 0;
}

// FPGA register write with the low bytes of both; 0 without a controller or on the
// sync-stream model.
int32_t CKelvraU3Q6Base::WriteFpgaRegister(int32_t reg, int32_t value) {
    if (!m_controller || IsSyncStreamModel()) return 0;
    return m_controller->WriteFpgaRegister(uint8_t(reg), uint8_t(value));
}

// FPGA register value; *ok (optional) receives 1, or 0 with the result 0 on failure.
int32_t CKelvraU3Q6Base::ReadFpgaRegister(int32_t reg, int32_t* ok) {
    uint8_t value = 0;
    const bool read = m_controller && !IsSyncStreamModel() &&
                      m_controller->ReadFpgaRegister(uint8_t(reg), &value);
    if (ok) *ok = read ? 1 : 0;
    return read ? value : 0;
}

// `length` bytes (1-4) of `value`, least significant first, to the sensor registers from
// `reg` upward, once the FPGA is idle. 1 when every write succeeded, else 0 (also without a
// controller or sensor driver, or for another length).
int32_t CKelvraU3Q6Base::WriteSensorBus(int32_t reg, uint32_t value, int32_t length) {
    if (!m_controller || !m_sensor || length < 1 || length > kMaxSensorBusBytes) return 0;
    if (!WaitFpgaIdle(kSensorBusIdleMs)) return 0;
    for (int32_t i = 0; i < length; ++i) {
        if (!m_sensor->WriteRegister(reg + i, int32_t((value >> (8 * i)) & 0xFF))) return 0;
    }
    return 1;
}

// `length` bytes (1-4) read from the sensor registers from `reg` upward into *value, least
// significant first, once the FPGA is idle. 1, or 0 with *value untouched.
int32_t CKelvraU3Q6Base::ReadSensorBus(int32_t reg, uint32_t* value, int32_t length) {
    if (!m_controller || !m_sensor || value == nullptr || length < 1 ||
        length > kMaxSensorBusBytes) {
        return 0;
    }
    if (!WaitFpgaIdle(kSensorBusIdleMs)) return 0;
    uint32_t assembled = 0;
    for (int32_t i = 0; i < length; ++i) {
        int32_t byte = 0;
        if (!m_sensor->ReadRegister(reg + i, &byte)) return 0;
        assembled |= uint32_t(byte & 0xFF) << (8 * i);
    }
    *value = assembled;
    return 1;
}

// Polls FPGA register 2 every millisecond until its busy bit (1) clears, for at most `ms`
// milliseconds. 1 when idle; 0 on timeout, on a failed read, or without a controller.
int32_t CKelvraU3Q6Base::WaitFpgaIdle(int32_t ms) {
    if (!m_controller) return 0;
    const uint32_t start = Tick();
    const uint32_t limit = uint32_t(ms < 0 ? 0 : ms);
    while (true) {
        int32_t ok = 0;
        const int32_t status = ReadFpgaRegister(device_reg::kStatus, &ok);
        if (!ok) return 0;
        if (!(status & device_reg::kStatusBusy)) return 1;
        if (Tick() - start >= limit) return 0;
        Sleep(kIdlePollMs);
    }
}

int32_t CKelvraU3Q6Base::Reserved124() {
    return 0;
}

int32_t CKelvraU3Q6Base::Reserved125() {
    return 0;
}

// ---- 128, 132-141: sampling rate, setting byte, correction, FPGA parameter -------------------

// The sensor driver's extended command 0 with the value (the index is not used).
int32_t CKelvraU3Q6Base::SetSamplingRate(int32_t /*index*/, int32_t* value) {
    return m_sensor ? m_sensor->ExtendedCommand(0, value) : 0;
}

// The EEPROM setting byte at 0x1080.
int32_t CKelvraU3Q6Base::WriteEepromSetting(int32_t value) {
    return WriteEeprom(device_reg::kEepromSetting, value);
}

int32_t CKelvraU3Q6Base::ReadEepromSetting(uint8_t* value) {
    return ReadEeprom(device_reg::kEepromSetting, value);
}

// Some products always carry in-camera correction; for the others the sensor driver decides
// (0 without one). The first argument is not used.
int32_t CKelvraU3Q6Base::IsInternalCorrectionSupported(int32_t /*ignored*/, int32_t flag) {
    const int32_t productId = m_productId;
    if (product::IsOneOf(productId, {0x3150, 0x3170, product::kAltGeometry, 0x3220})) return 1;
    return m_sensor
               ? m_sensor->IsInternalCorrectionSupported(productId - kInternalCorrectionBase, flag)
               : 0;
}

// The in-camera correction state: bit 0 of FPGA register 209 in the IMX990 family, the
// correction level the sensor driver reads for 0x31E0. 0 when not supported, not readable, or
// for other products.
int32_t CKelvraU3Q6Base::GetInternalCorrection() {
    if (m_productId == product::kAltGeometry) {
        return m_sensor ? m_sensor->GetInternalCorrectionRaw() : 0;
    }
    if (!IsInternalCorrectionSupported(0, 0) || !product::IsImx990Family(m_productId)) return 0;
    int32_t ok = 0;
    const int32_t value = ReadFpgaRegister(device_reg::kCorrection, &ok);
    return ok ? (value & 1) : 0;
}

// Switches in-camera correction (IMX990 family: bit 0 of FPGA register 209, the other bits
// kept). 1 without a write when already so; else the write's result. 0 when not supported, for
// other products, and when the register cannot be read: an unknown state is never reported as
// already switched.
int32_t CKelvraU3Q6Base::SetInternalCorrection(int32_t on) {
    // 0x31E0 has correction levels of its own, which its sensor driver sets.
    if (m_productId == product::kAltGeometry)
        return m_sensor ? m_sensor->SetInternalCorrection(on) : 0;
    if (!IsInternalCorrectionSupported(0, 0) || !product::IsImx990Family(m_productId)) return 0;
    int32_t ok = 0;
    const int32_t value = ReadFpgaRegister(device_reg::kCorrection, &ok);
    if (!ok) return 0;
    if ((value & 1) == (on != 0 ? 1 : 0)) return 1;
    return WriteFpgaRegister(device_reg::kCorrection, on ? (value | 1) : (value & ~1));
}

// The 16-bit FPGA parameter (registers 208 low, 210 high) exists in the IMX990 family where
// in-camera correction does.
int32_t CKelvraU3Q6Base::IsFpgaParameterSupported() {
    const int32_t subModel = FpgaParameterSubModel(m_productId);
    if (subModel == kNoSubModel) return 0;
    return IsInternalCorrectionSupported(subModel, 0) != 0 ? 1 : 0;
}

// 1 only when both bytes were written.
int32_t CKelvraU3Q6Base::SetFpgaParameter(int32_t value) {
    if (!IsFpgaParameterSupported()) return 0;
    return WriteFpgaPair(device_reg::kParameterLow, device_reg::kParameterHigh, value);
}

// *value = register 210 << 8 | register 208. 1, or 0 with *value untouched.
int32_t CKelvraU3Q6Base::GetFpgaParameter(int32_t* value) {
    if (value == nullptr || !IsFpgaParameterSupported()) return 0;
    int32_t okLow = 0;
    int32_t okHigh = 0;
    const int32_t low = ReadFpgaRegister(device_reg::kParameterLow, &okLow);
    const int32_t high = ReadFpgaRegister(device_reg::kParameterHigh, &okHigh);
    if (!okLow || !okHigh) return 0;
    *value = (high << 8) | low;
    return 1;
}

int32_t CKelvraU3Q6Base::GetFpgaParameterMin() {
    return 0;
}

int32_t CKelvraU3Q6Base::GetFpgaParameterMax() {
    return IsFpgaParameterSupported() ? kFpgaParameterMax : 0;
}

// ---- 161: FPGA die temperature ---------------------------------------------------------------

// Block-stream models: registers 142 (low) and 143 (high) in degrees Celsius. 1, or 0 with
// *celsius untouched.
int32_t CKelvraU3Q6Base::GetFpgaTemperature(double* celsius) {
    if (celsius == nullptr || !IsBlockStreamModel()) return 0;
    int32_t okLow = 0;
    int32_t okHigh = 0;
    const int32_t low = ReadFpgaRegister(device_reg::kDieTemperatureLow, &okLow);
    const int32_t high = ReadFpgaRegister(device_reg::kDieTemperatureHigh, &okHigh);
    if (!okLow || !okHigh) return 0;
    *celsius = double((high << 8) | low) * kDieScale - kKelvinOffset;
    return 1;
}

}  // namespace kelvra

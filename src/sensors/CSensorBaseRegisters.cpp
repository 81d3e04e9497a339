// CSensorBase: the register routines every driver builds on — FPGA access plain and verified,
// direct sensor register access, the readout restart pulse and the hardware information word.
#include <array>
#include <mutex>

#include "sensors/CSensorBase.h"
#include "sensors/FpgaRegisterMap.h"

namespace kelvra {
namespace {

constexpr uint32_t kI2cTimeoutMs = 3000;

constexpr int kSlowVerifyAttempts = 100;
constexpr uint32_t kSlowVerifyWaitMs = 100;
constexpr int kQuickVerifyAttempts = 10;
constexpr uint32_t kQuickVerifyWaitMs = 5;

constexpr uint32_t kDirectWritePauseMs = 1;
constexpr uint32_t kRestartPulseMs = 1;

constexpr int kHardwareInfoAttempts = 10;
constexpr uint32_t kHardwareInfoRetryMs = 100;

// Model codes whose FPGA takes the readout restart pulse on 0x96.
constexpr int32_t kAltRestartModelA = 103;
constexpr int32_t kAltRestartModelB = 115;

}  // namespace

// ---- FPGA registers ----------------------------------------------------------------------

// One FPGA register write through the controller. Returns 1, or 0 on failure or without one.
int32_t CSensorBase::WriteFpga(uint8_t reg, uint8_t value) {
    return m_controller ? m_controller->WriteFpgaRegister(reg, value) : 0;
}

// One FPGA register read. Returns 1 with *value set, or 0.
int32_t CSensorBase::ReadFpga(uint8_t reg, uint8_t* value) {
    return m_controller ? m_controller->ReadFpgaRegister(reg, value) : 0;
}

// Write, wait, read back, compare; a mismatch waits again and retries. Returns 1 on the first
// match, 0 after the last attempt or without a controller.
int32_t CSensorBase::WriteFpgaVerified(uint8_t reg, uint8_t value, int attempts, uint32_t waitMs) {
    if (m_controller == nullptr) return 0;
    for (int attempt = 0; attempt < attempts; ++attempt) {
        m_controller->WriteFpgaRegister(reg, value);
        Sleep(waitMs);
        uint8_t readBack = 0;
        if (m_controller->ReadFpgaRegister(reg, &readBack) && readBack == value) return 1;
        Sleep(waitMs);
    }
    return 0;
}

// Up to 100 attempts, 100 ms after the write and after a mismatch.
int32_t CSensorBase::WriteFpgaVerifiedSlow(uint8_t reg, uint8_t value) {
    return WriteFpgaVerified(reg, value, kSlowVerifyAttempts, kSlowVerifyWaitMs);
}

// Up to 10 attempts, 5 ms waits.
int32_t CSensorBase::WriteFpgaVerifiedQuick(uint8_t reg, uint8_t value) {
    return WriteFpgaVerified(reg, value, kQuickVerifyAttempts, kQuickVerifyWaitMs);
}

// The quick variant that Windows runs with the system timer raised to 1 ms so its 5 ms waits
// are not stretched to a 15.6 ms tick. Linux sleeps are not quantised to such a tick, so the
// waits are the quick variant's.
int32_t CSensorBase::WriteFpgaVerifiedQuickTimer(uint8_t reg, uint8_t value) {
    return WriteFpgaVerifiedQuick(reg, value);
}

// ---- direct sensor registers -------------------------------------------------------------

// One I2C write of register address (high, low) and value to the sensor, under the register
// lock; `pauseFirst` gives the sensor the 1 ms some chips need between writes. Returns the
// controller's result, 0 without a controller.
int32_t CSensorBase::WriteSensorDirect(uint16_t address, uint8_t value, bool pauseFirst) {
    if (m_controller == nullptr) return 0;
    const std::array<uint8_t, 3> bytes{static_cast<uint8_t>(address >> 8),
                                       static_cast<uint8_t>(address), value};
    std::lock_guard lock(m_registerLock);
    if (pauseFirst) Sleep(kDirectWritePauseMs);
    return m_controller->I2cWrite(m_busAddress, bytes.data(), bytes.size(), kI2cTimeoutMs);
}

// The register address to the sensor, then one byte back, both under the register lock so no
// other access moves the sensor's address pointer in between. Returns 1 with *value, or 0.
int32_t CSensorBase::ReadSensorDirect(uint16_t address, uint8_t* value) {
    if (m_controller == nullptr || value == nullptr) return 0;
    const std::array<uint8_t, 2> bytes{static_cast<uint8_t>(address >> 8),
                                       static_cast<uint8_t>(address)};
    std::lock_guard lock(m_registerLock);
    if (!m_controller->I2cWrite(m_busAddress, bytes.data(), bytes.size(), kI2cTimeoutMs)) {
        return 0;
    }
    return m_controller->I2cRead(m_busAddress, value, 1, kI2cTimeoutMs);
}

// ---- the sensor bus shared with the FPGA -------------------------------------------------

int32_t CSensorBase::WithSensorBus(const std::function<bool()>& access) {
    constexpr int kBusAttempts = 100;
    constexpr uint32_t kBusRetryMs = 3;
    if (m_controller == nullptr) return 0;
    WriteFpga(fpga_reg::kSensorBusRequest, 1);
    for (int attempt = 0; attempt < kBusAttempts; ++attempt) {
        uint8_t status = 0;
        if (ReadFpga(fpga_reg::kStatus, &status) && status == 0 && access()) {
            WriteFpga(fpga_reg::kSensorBusRequest, 0);
            return 1;
        }
        if (m_controller->DeviceGone()) break;  // no later try can succeed
        Sleep(kBusRetryMs);
    }
    WriteFpga(fpga_reg::kSensorBusRequest, 0);
    return 0;
}

// ---- readout restart pulse ---------------------------------------------------------------

// Restarts the FPGA readout after a mode change: 1, 1 ms, 0, 1 ms on the restart register.
// Returns 1 at once when no restart is pending; 0 without a controller. Runs on the caller's
// thread, which may be the device core's transfer thread.
int32_t CSensorBase::PulseReadoutRestart() {
    if (m_controller == nullptr) return 0;
    if (m_restartPulse.load() == 0) return 1;
    const int32_t model = m_modelCode.load();
    const uint8_t reg = (model == kAltRestartModelA || model == kAltRestartModelB)
                            ? fpga_reg::kReadoutRestartAlt
                            : fpga_reg::kReadoutRestart;
    m_controller->WriteFpgaRegister(reg, 1);
    Sleep(kRestartPulseMs);
    m_controller->WriteFpgaRegister(reg, 0);
    Sleep(kRestartPulseMs);
    return 1;
}

// ---- hardware information word -----------------------------------------------------------

// The camera's hardware information word (FPGA 0x11:0x10), fetched on first need and kept.
// A fetch makes up to 10 attempts 100 ms apart; when all fail the answer is 0 and the next call
// fetches again, since 0 means "not yet read". Concurrent first calls share one fetch.
uint16_t CSensorBase::GetHardwareInfo() {
    const uint16_t cached = m_hardwareInfo.load();
    if (cached != 0) return cached;
    std::lock_guard lock(m_hardwareInfoFetch);
    if (m_hardwareInfo.load() == 0) m_hardwareInfo.store(FetchHardwareInfo());
    return m_hardwareInfo.load();
}

uint16_t CSensorBase::FetchHardwareInfo() {
    if (m_controller == nullptr) return 0;
    for (int attempt = 0; attempt < kHardwareInfoAttempts; ++attempt) {
        if (attempt > 0) Sleep(kHardwareInfoRetryMs);
        uint16_t word = 0;
        if (m_controller->ReadFpgaWord(&word)) return word;
    }
    return 0;
}

}  // namespace kelvra

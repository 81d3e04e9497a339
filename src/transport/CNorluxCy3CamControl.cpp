// Control requests on endpoint 0 and the I2C exchanges built from them.
#include <algorithm>
#include <array>
#include <cstring>
#include <mutex>

#include "transport/CNorluxCy3Cam.h"
#include "transport/ControlTransaction.h"
#include "transport/LittleEndian.h"
#include "transport/VendorRequests.h"

namespace kelvra {
namespace {

using namespace transport;

constexpr uint32_t kI2cTimeoutMs = 3000;  // what callers pass; the record keeps 3 seconds
constexpr uint16_t kRegister32HighBit = 15;
constexpr uint16_t kRegister32LowMask = 0x7FFF;
constexpr uint32_t kInfoBlockSize = 64;

}  // namespace

// One control request on a fresh synchronous handle to the selected device: open, issue, close.
// Returns 1 when the device answered with success (*dataBytes: data bytes returned), else 0.
int32_t CNorluxCy3Cam::Control(ControlBuffer& buffer, uint32_t* dataBytes) {
    std::unique_ptr<driver::DeviceHandle> handle = OpenSelected(false);
    if (!handle) return 0;
    uint32_t error = 0;
    const bool ok = RunControlRequest(*handle, buffer, dataBytes, &error);
    NoteResult(error);
    return ok ? 1 : 0;
}

// The selected device's path, opened; a path that no longer opens means the camera is gone.
std::unique_ptr<driver::DeviceHandle> CNorluxCy3Cam::OpenSelected(bool overlapped) {
    std::unique_ptr<driver::DeviceHandle> handle =
        OpenDevicePath(m_selectedIndex.load(), overlapped);
    if (!handle) m_deviceGone.store(true);
    return handle;
}

// A request that failed because the device is not connected marks it gone.
void CNorluxCy3Cam::NoteResult(uint32_t error) {
    if (error == driver::kErrorDeviceNotConnected || error == driver::kErrorFileNotFound) {
        m_deviceGone.store(true);
    }
}

// True from the first request that found the selected camera gone until it is selected again
// (its requests, the stream's included, fail fast meanwhile only as far as the driver does).
bool CNorluxCy3Cam::DeviceGone() const {
    return m_deviceGone.load() || m_stream.DeviceGone();
}

// A vendor IN request whose answer is taken only when at least minimumBytes data bytes came;
// the first outSize of them are copied to out. Returns 1 or 0.
int32_t CNorluxCy3Cam::ControlIn(uint8_t request, uint16_t value, uint16_t index,
                                 uint32_t minimumBytes, uint8_t* out, size_t outSize) {
    if (out == nullptr) return 0;
    ControlBuffer buffer = MakeControlRequest(driver::kVendorInDevice, request, value, index);
    uint32_t returned = 0;
    if (!Control(buffer, &returned) || returned < minimumBytes) return 0;
    std::memcpy(out, ControlData(buffer).data(), outSize);
    return 1;
}

// The stream-ready query, issued on the stream handle before each frame-header read.
int32_t CNorluxCy3Cam::SendStreamReady(driver::DeviceHandle& handle) {
    ControlBuffer buffer =
        MakeControlRequest(driver::kVendorOutEndpoint, kRequestStreamReady, 0, 0);
    uint32_t error = 0;
    const bool ok = RunControlRequest(handle, buffer, nullptr, &error);
    NoteResult(error);
    return ok ? 1 : 0;
}

// A driver request without the control record, on a fresh synchronous handle to the selected
// device. *bytes (optional) receives the bytes returned. Returns 1 or 0.
int32_t CNorluxCy3Cam::DeviceIoctl(uint32_t code, std::span<uint8_t> in, std::span<uint8_t> out,
                                   uint32_t* bytes) {
    std::unique_ptr<driver::DeviceHandle> handle = OpenSelected(false);
    if (!handle) return 0;
    const driver::IoResult result = handle->ioctl(code, in, out);
    NoteResult(result.error);
    if (result.error != driver::kErrorSuccess) return 0;
    if (bytes) *bytes = result.bytes;
    return 1;
}

// ---- CControllerBase ---------------------------------------------------------------------

// The hardware information word: FPGA register 0x10 is its low byte, 0x11 its high byte.
int32_t CNorluxCy3Cam::ReadFpgaWord(uint16_t* value) {
    if (value == nullptr) return 0;
    uint8_t low = 0;
    uint8_t high = 0;
    if (!ReadFpgaRegister(kFpgaRegInfoLow, &low) || !ReadFpgaRegister(kFpgaRegInfoHigh, &high)) {
        return 0;
    }
    *value = static_cast<uint16_t>(low | (high << 8));
    return 1;
}

// The FPGA-configured status (1 = ready); taken only from a full 64-byte answer.
int32_t CNorluxCy3Cam::ReadFpgaStatus(uint8_t* value) {
    return ControlIn(kRequestFpgaStatus, 0, 0, kInfoBlockSize, value, 1);
}

// The command without data (0xCC).
int32_t CNorluxCy3Cam::SendCommandCC() {
    ControlBuffer buffer = MakeControlRequest(driver::kVendorOutEndpoint, kRequestCommandCC, 0, 0);
    return Control(buffer);
}

// Writes `count` bytes to the I2C device at `address` (write form). Fails without I/O for more
// than 64 bytes. The timeout is not used: the record's own timeout applies.
int32_t CNorluxCy3Cam::I2cWrite(uint8_t address, const uint8_t* data, uint32_t count,
                                uint32_t /*timeoutMs*/) {
    if (count > kI2cMaxBytes || (data == nullptr && count > 0)) return 0;
    ControlBuffer buffer = MakeControlRequest(driver::kVendorOutDevice, kRequestI2cWrite,
                                              static_cast<uint16_t>(count), address, {data, count});
    return Control(buffer);
}

// Reads `count` bytes from the I2C device at `address` (bit 0 is set for the read form). Fails
// without I/O for more than 64 bytes, and fails when fewer than `count` bytes came back.
int32_t CNorluxCy3Cam::I2cRead(uint8_t address, uint8_t* data, uint32_t count,
                               uint32_t /*timeoutMs*/) {
    if (count > kI2cMaxBytes || (data == nullptr && count > 0)) return 0;
    const auto readAddress = static_cast<uint16_t>(address | kI2cReadBit);
    if (count == 0) {
        ControlBuffer buffer =
            MakeControlRequest(driver::kVendorInDevice, kRequestI2cRead, 0, readAddress);
        return Control(buffer);
    }
    return ControlIn(kRequestI2cRead, static_cast<uint16_t>(count), readAddress, count, data,
                     count);
}

// 32-bit register write: bit 15 of the address travels in wValue, bits 0-14 in wIndex, the value
// little-endian in the data.
int32_t CNorluxCy3Cam::WriteRegister32(uint16_t address, uint32_t value) {
    std::array<uint8_t, 4> data{};
    StoreU32(data.data(), value);
    ControlBuffer buffer =
        MakeControlRequest(driver::kVendorOutDevice, kRequestWriteRegister32,
                           static_cast<uint16_t>(address >> kRegister32HighBit),
                           static_cast<uint16_t>(address & kRegister32LowMask), data);
    return Control(buffer);
}

// Register read: the value is the first two data bytes, little-endian, but only from a full
// 64-byte answer; a shorter answer gives 0 while the request itself still succeeds.
int32_t CNorluxCy3Cam::ReadRegister16(uint16_t address, uint16_t* value) {
    if (value == nullptr) return 0;
    ControlBuffer buffer =
        MakeControlRequest(driver::kVendorInDevice, kRequestReadRegister16, 0, address);
    uint32_t returned = 0;
    if (!Control(buffer, &returned)) return 0;
    *value = returned >= kInfoBlockSize ? LoadU16(ControlData(buffer).data()) : 0;
    return 1;
}

// Sensor register write: register and value, each 16 bits big-endian, in the data.
int32_t CNorluxCy3Cam::WriteSensorRegister(uint16_t reg, uint16_t value) {
    const std::array<uint8_t, 4> data{static_cast<uint8_t>(reg >> 8), static_cast<uint8_t>(reg),
                                      static_cast<uint8_t>(value >> 8),
                                      static_cast<uint8_t>(value)};
    ControlBuffer buffer =
        MakeControlRequest(driver::kVendorOutDevice, kRequestWriteSensorRegister, 0, 0, data);
    return Control(buffer);
}

// Sensor register read: the register in wValue, the value in the first two data bytes,
// little-endian; at least one byte must come back.
int32_t CNorluxCy3Cam::ReadSensorRegister(uint16_t reg, uint16_t* value) {
    if (value == nullptr) return 0;
    std::array<uint8_t, 2> data{};
    if (!ControlIn(kRequestReadSensorRegister, reg, 0, 1, data.data(), data.size())) return 0;
    *value = LoadU16(data.data());
    return 1;
}

// FPGA register write: register, 0x00, value to I2C 0x40, under the I2C lock.
int32_t CNorluxCy3Cam::WriteFpgaRegister(uint8_t reg, uint8_t value) {
    const std::array<uint8_t, 3> data{reg, 0x00, value};
    std::lock_guard lock(m_i2cLock);
    return I2cWrite(kI2cFpgaWrite, data.data(), data.size(), kI2cTimeoutMs);
}

// FPGA register read: the register number to 0x40, then two bytes from 0x41, of which the
// second is the value. The I2C lock spans the pair so no other exchange moves the register
// pointer in between.
int32_t CNorluxCy3Cam::ReadFpgaRegister(uint8_t reg, uint8_t* value) {
    if (value == nullptr) return 0;
    std::array<uint8_t, 2> answer{};
    std::lock_guard lock(m_i2cLock);
    if (!I2cWrite(kI2cFpgaWrite, &reg, 1, kI2cTimeoutMs) ||
        !I2cRead(kI2cFpgaRead, answer.data(), answer.size(), kI2cTimeoutMs)) {
        return 0;
    }
    *value = answer[1];
    return 1;
}

// Auxiliary device write: register, value to I2C 0x5A.
int32_t CNorluxCy3Cam::WriteAuxRegister(uint8_t reg, uint8_t value) {
    const std::array<uint8_t, 2> data{reg, value};
    return I2cWrite(kI2cAuxWrite, data.data(), data.size(), kI2cTimeoutMs);
}

// Auxiliary device read: the register to 0x5A, then one byte from 0x5B. The pair holds the I2C
// lock: two readers interleaving their pairs would read each other's registers.
int32_t CNorluxCy3Cam::ReadAuxRegister(uint8_t reg, uint8_t* value) {
    if (value == nullptr) return 0;
    std::lock_guard lock(m_i2cLock);
    if (!I2cWrite(kI2cAuxWrite, &reg, 1, kI2cTimeoutMs)) return 0;
    return I2cRead(kI2cAuxRead, value, 1, kI2cTimeoutMs);
}

// EEPROM write: address high, address low, value to I2C 0xA2, then the 14 ms the part needs to
// program the byte (it does not answer meanwhile). Under the EEPROM lock.
int32_t CNorluxCy3Cam::WriteEeprom(uint16_t address, uint8_t value) {
    const std::array<uint8_t, 3> data{static_cast<uint8_t>(address >> 8),
                                      static_cast<uint8_t>(address), value};
    std::lock_guard lock(m_eepromLock);
    const int32_t written = I2cWrite(kI2cEepromWrite, data.data(), data.size(), kI2cTimeoutMs);
    m_stream.Sleep(kEepromWriteCycleMs);
    return written;
}

// EEPROM read: the address to 0xA2, 10 ms for it to settle, then one byte from 0xA3. Under the
// EEPROM lock.
int32_t CNorluxCy3Cam::ReadEeprom(uint16_t address, uint8_t* value) {
    if (value == nullptr) return 0;
    const std::array<uint8_t, 2> data{static_cast<uint8_t>(address >> 8),
                                      static_cast<uint8_t>(address)};
    std::lock_guard lock(m_eepromLock);
    if (!I2cWrite(kI2cEepromWrite, data.data(), data.size(), kI2cTimeoutMs)) return 0;
    m_stream.Sleep(kEepromAddressSettleMs);
    return I2cRead(kI2cEepromRead, value, 1, kI2cTimeoutMs);
}

// Aborts pipe 0x81 on the stream handle and waits for the abort; a pending stream read then
// ends. Returns 1.
int32_t CNorluxCy3Cam::AbortStream() {
    m_stream.Abort();
    return 1;
}

// ---- requests of the open sequence and the stream restart --------------------------------

// Information block A (0xB0): 64 bytes, taken only when all 64 came.
int32_t CNorluxCy3Cam::ReadInfoBlockA(uint8_t* block) {
    return ControlIn(kRequestInfoBlockA, 0, 0, kInfoBlockSize, block, kInfoBlockSize);
}

// Information block B (0xB1): 64 bytes, taken only when all 64 came.
int32_t CNorluxCy3Cam::ReadInfoBlockB(uint8_t* block) {
    return ControlIn(kRequestInfoBlockB, 0, 0, kInfoBlockSize, block, kInfoBlockSize);
}

// Stream restart (0xC0): before streaming, after stream errors and when stopping.
int32_t CNorluxCy3Cam::StreamRestart() {
    ControlBuffer buffer =
        MakeControlRequest(driver::kVendorOutDevice, kRequestStreamRestart, 0, 0);
    return Control(buffer);
}

// Resets the port the camera hangs on.
int32_t CNorluxCy3Cam::ResetParentPort() {
    return DeviceIoctl(driver::kIoctlResetPort, {}, {});
}

// Resets one pipe (endpoint address) of the camera.
int32_t CNorluxCy3Cam::ResetPipe(uint8_t endpoint) {
    return DeviceIoctl(driver::kIoctlResetPipe, {&endpoint, 1}, {});
}

// The link speed code (4 = SuperSpeed) into *speed.
int32_t CNorluxCy3Cam::GetDeviceSpeed(uint32_t* speed) {
    if (speed == nullptr) return 0;
    std::array<uint8_t, 4> word{};
    uint32_t bytes = 0;
    if (!DeviceIoctl(driver::kIoctlDeviceSpeed, word, word, &bytes) || bytes < word.size()) {
        return 0;
    }
    *speed = LoadU32(word.data());
    return 1;
}

// Allocates the staging buffer unless present, then resets the parent port. Returns 1 when the
// buffer exists: the reset is a courtesy to a device that may have been left mid-transfer, and
// a camera that is really gone fails the information-block read that follows.
int32_t CNorluxCy3Cam::AllocateStaging() {
    if (!m_stream.AllocateStaging()) return 0;
    ResetParentPort();
    return 1;
}

// Writes the control byte (low byte of value).
int32_t CNorluxCy3Cam::WriteControlByte(uint32_t value) {
    const uint8_t data = static_cast<uint8_t>(value);
    ControlBuffer buffer =
        MakeControlRequest(driver::kVendorOutDevice, kRequestWriteControlByte, 0, 0, {&data, 1});
    return Control(buffer);
}

// Reads the control byte: the first data byte; at least one must come back.
int32_t CNorluxCy3Cam::ReadControlByte(uint8_t* value) {
    return ControlIn(kRequestReadControlByte, 0, 0, 1, value, 1);
}

}  // namespace kelvra

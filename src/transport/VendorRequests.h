// The camera's vocabulary above the driver: vendor request codes, I2C device addresses and the
// limits and timings the firmware expects.
#pragma once

#include <cstdint>

namespace kelvra::transport {

// Vendor request codes (bRequest).
inline constexpr uint8_t kRequestI2cWrite = 0x30;
inline constexpr uint8_t kRequestI2cRead = 0x31;
inline constexpr uint8_t kRequestWriteControlByte = 0x3C;
inline constexpr uint8_t kRequestReadControlByte = 0x3D;
inline constexpr uint8_t kRequestWriteSensorRegister = 0x3E;
inline constexpr uint8_t kRequestReadSensorRegister = 0x3F;
inline constexpr uint8_t kRequestInfoBlockA = 0xB0;
inline constexpr uint8_t kRequestInfoBlockB = 0xB1;
inline constexpr uint8_t kRequestStreamRestart = 0xC0;
inline constexpr uint8_t kRequestStreamReady = 0xC2;
inline constexpr uint8_t kRequestFpgaStatus = 0xC3;
inline constexpr uint8_t kRequestCommandCC = 0xCC;
inline constexpr uint8_t kRequestWriteRegister32 = 0xD0;
inline constexpr uint8_t kRequestReadRegister16 = 0xD1;

// The record's timeout field of a control request, in seconds.
inline constexpr uint32_t kControlTimeoutSeconds = 3;

// I2C devices behind the FX3, 8-bit addresses (bit 0 set = read form).
inline constexpr uint8_t kI2cReadBit = 0x01;
inline constexpr uint8_t kI2cFpgaWrite = 0x40;
inline constexpr uint8_t kI2cFpgaRead = 0x41;
inline constexpr uint8_t kI2cAuxWrite = 0x5A;
inline constexpr uint8_t kI2cAuxRead = 0x5B;
inline constexpr uint8_t kI2cEepromWrite = 0xA2;
inline constexpr uint8_t kI2cEepromRead = 0xA3;
inline constexpr uint32_t kI2cMaxBytes = 64;

// The EEPROM programs a byte after its write and does not answer meanwhile; a read needs the
// address pointer to settle before the data phase.
inline constexpr uint32_t kEepromWriteCycleMs = 14;
inline constexpr uint32_t kEepromAddressSettleMs = 10;

// FPGA registers the transport itself touches.
inline constexpr uint8_t kFpgaRegInfoLow = 0x10;
inline constexpr uint8_t kFpgaRegInfoHigh = 0x11;
inline constexpr uint8_t kFpgaRegReadoutRestart = 0x6C;

// FPGA-configured status value meaning "ready".
inline constexpr uint8_t kFpgaReady = 1;

// Products whose streaming differs from the shared path.
inline constexpr uint16_t kProductModelG = 0x32D0;  // restarts the stream after a lost header
inline constexpr uint16_t kProductLI8020 = 0x3310;  // block reads in 4 MiB pieces

}  // namespace kelvra::transport

// The FPGA registers and EEPROM addresses the device core itself uses (the sensor drivers keep
// their own), and the information-block fields of the open sequence.
#pragma once

#include <cstddef>
#include <cstdint>

namespace kelvra::device_reg {

// FPGA register file (8-bit register numbers).
inline constexpr uint8_t kStatus = 2;  // bit 1 set: the FPGA is busy
inline constexpr uint8_t kStatusBusy = 0x02;
inline constexpr uint8_t kIoPort = 7;
inline constexpr uint8_t kFrameCounter = 8;
inline constexpr uint8_t kVersion0 = 16;
inline constexpr uint8_t kVersion3 = 19;
inline constexpr uint8_t kModelEControl = 56;
inline constexpr uint8_t kTransferDepth = 60;  // 1 = 8-bit, 2 = 16-bit
inline constexpr uint8_t kTransferDepth8 = 1;
inline constexpr uint8_t kTransferDepth16 = 2;
inline constexpr uint8_t kModelEMode = 62;
inline constexpr uint8_t kHeightLow = 64;
inline constexpr uint8_t kHeightHigh = 65;
inline constexpr uint8_t kWidthLow = 68;
inline constexpr uint8_t kWidthHigh = 69;
inline constexpr uint8_t kLineOffsetLow = 72;
inline constexpr uint8_t kLineOffsetHigh = 73;
inline constexpr uint8_t kColumnOffsetLow = 76;
inline constexpr uint8_t kColumnOffsetHigh = 77;
inline constexpr uint8_t kTripleFrameControl = 104;
inline constexpr uint8_t kReadyPulseAlt = 0x81;  // the 0x31E0 readiness kick
inline constexpr uint8_t kReadyPulse = 0x82;     // bit 0 pulsed during the readiness wait
inline constexpr uint8_t kDieTemperatureLow = 142;
inline constexpr uint8_t kDieTemperatureHigh = 143;
inline constexpr uint8_t kAltHeightLow = 154;  // 0x31E0 geometry
inline constexpr uint8_t kAltHeightHigh = 155;
inline constexpr uint8_t kAltWidthLow = 156;
inline constexpr uint8_t kAltWidthHigh = 157;
inline constexpr uint8_t kParameterLow = 208;
inline constexpr uint8_t kCorrection = 209;  // bit 0: in-camera correction on
inline constexpr uint8_t kParameterHigh = 210;

// The four-channel CCDs (0x3090, 0x30B0, 0x30C0): the timing generators' control register
// (through the sensor driver; bit 15 of the address selects the second generator) and the
// analog front end's power (FPGA).
inline constexpr int32_t kCcdControl = 0x0000;
inline constexpr int32_t kCcdSecondGenerator = 0x8000;
inline constexpr uint8_t kCcdFrontEndPower = 0xA0;

// Configuration EEPROM.
inline constexpr uint16_t kEepromSetting = 0x1080;

// Information block A.
inline constexpr size_t kInfoFirmwareVersion = 24;  // u16: FX3 firmware version
inline constexpr size_t kInfoGpio25Flag = 52;       // u8

inline constexpr uint8_t kStreamEndpoint = 0x81;

}  // namespace kelvra::device_reg

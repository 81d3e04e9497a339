#pragma once
// FPGA register numbers (8-bit register file behind I2C address 0x40).

#include <cstdint>

namespace kelvra::sim::fpga {

inline constexpr uint8_t kStatus = 2;  // bit 1: the FPGA holds the sensor bus
inline constexpr uint8_t kStatusBusy = 0x02;
inline constexpr uint8_t kIoPort = 7;  // bits 0-3 output lines, bits 4-7 input lines
inline constexpr uint8_t kFrameCounter = 8;
inline constexpr uint8_t kInfoLow = 0x10;
inline constexpr uint8_t kInfoHigh = 0x11;
inline constexpr uint8_t kVersion3 = 19;
inline constexpr uint8_t kOptionCaps = 0x17;
inline constexpr uint8_t kOptionEnable = 0x18;
inline constexpr uint8_t kBitDepth = 60;  // 1 = 8-bit, 2 = 16-bit
inline constexpr uint8_t kBitDepth16 = 2;
inline constexpr uint8_t kHeightLow = 64;
inline constexpr uint8_t kHeightHigh = 65;
inline constexpr uint8_t kWidthLow = 68;
inline constexpr uint8_t kWidthHigh = 69;
inline constexpr uint8_t kLineOffsetLow = 72;
inline constexpr uint8_t kLineOffsetHigh = 73;
inline constexpr uint8_t kColumnOffsetLow = 76;
inline constexpr uint8_t kColumnOffsetHigh = 77;
inline constexpr uint8_t kTriggerDelay0 = 0x50;  // 0x50-0x52, lines
inline constexpr uint8_t kTriggerDelay1 = 0x51;
inline constexpr uint8_t kTriggerDelay2 = 0x52;
inline constexpr uint8_t kTriggerTiming0 = 0x54;
inline constexpr uint8_t kTriggerTiming1 = 0x55;
inline constexpr uint8_t kTriggerMode = 0x58;     // 0 free-running, else triggered
inline constexpr uint8_t kTriggerControl = 0x59;  // bit 2 polarity, bit 7 software trigger
inline constexpr uint8_t kTriggerSoftware = 0x80;
inline constexpr uint8_t kReadoutCode = 0x5A;
inline constexpr uint8_t kReadoutRestart = 0x6C;    // bit 0 rising: restart readout
inline constexpr uint8_t kReconfigure = 0x82;       // bit 0 pulsed while waiting for readiness
inline constexpr uint8_t kTriggerExposure0 = 0x85;  // trigger exposure lines, bits 0-7
inline constexpr uint8_t kTriggerExposure1 = 0x86;  // bits 8-15
inline constexpr uint8_t kTriggerExposure2 = 0x9B;  // bits 16-23
inline constexpr uint8_t kTriggerExposure3 = 0x9C;  // bits 24-27
inline constexpr uint8_t kAltHeightLow = 154;       // 0x31E0's output geometry
inline constexpr uint8_t kAltHeightHigh = 155;
inline constexpr uint8_t kAltWidthLow = 156;
inline constexpr uint8_t kAltWidthHigh = 157;
inline constexpr uint8_t kDieTemperatureLow = 142;
inline constexpr uint8_t kDieTemperatureHigh = 143;
inline constexpr uint8_t kCooler = 0x97;  // bit 0 on
inline constexpr uint8_t kSensorBusRequest = 0x9F;
inline constexpr uint8_t kParameterLow = 208;
inline constexpr uint8_t kCorrection = 209;  // bit 0 in-camera correction on
inline constexpr uint8_t kParameterHigh = 210;
inline constexpr uint8_t kLiFirst = 0xB0;  // the LI sensors' registers
inline constexpr uint8_t kLiLast = 0xBE;
inline constexpr uint8_t kTemperatureLow = 0xE5;
inline constexpr uint8_t kTemperatureHigh = 0xE6;

}  // namespace kelvra::sim::fpga

// Camera FPGA registers the sensor drivers use (8-bit register numbers behind the controller's
// FPGA register operations).
#pragma once

#include <cstdint>

namespace kelvra::fpga_reg {

inline constexpr uint8_t kStatus = 0x02;            // 0 = the sensor bus is free for the host
inline constexpr uint8_t kOptionCaps = 0x17;        // bit 0 set = FPGA option absent
inline constexpr uint8_t kOptionEnable = 0x18;      // bit 0 switches the option on
inline constexpr uint8_t kColumnOffsetLow = 0x4C;   // column offset, low byte
inline constexpr uint8_t kColumnOffsetHigh = 0x4D;  // column offset, high byte
inline constexpr uint8_t kTriggerDelay0 = 0x50;     // trigger delay, bytes 0-2
inline constexpr uint8_t kTriggerDelay1 = 0x51;
inline constexpr uint8_t kTriggerDelay2 = 0x52;
inline constexpr uint8_t kTriggerTiming0 = 0x54;
inline constexpr uint8_t kTriggerTiming1 = 0x55;
inline constexpr uint8_t kTriggerMode = 0x58;        // 0 free-running
inline constexpr uint8_t kTriggerControl = 0x59;     // bit 2 polarity, bit 7 software trigger
inline constexpr uint8_t kReadoutCode = 0x5A;        // readout mode of the IMX992/993 FPGA
inline constexpr uint8_t kReadoutRestart = 0x6C;     // pulsed to restart the readout
inline constexpr uint8_t kReadoutRestartAlt = 0x96;  // the same for model codes 103 and 115
inline constexpr uint8_t kTriggerExposure0 = 0x85;   // exposure lines, bits 0-7
inline constexpr uint8_t kTriggerExposure1 = 0x86;   // bits 8-15
inline constexpr uint8_t kTriggerExposure2 = 0x9B;   // bits 16-23
inline constexpr uint8_t kTriggerExposure3 = 0x9C;   // bits 24-27
inline constexpr uint8_t kCooler = 0x97;             // bit 0: cooler on
inline constexpr uint8_t kSensorBusRequest = 0x9F;   // 1 while the host wants the sensor bus
inline constexpr uint8_t kTemperatureLow = 0xE5;     // sensor temperature as the FPGA samples it
inline constexpr uint8_t kTemperatureHigh = 0xE6;

}  // namespace kelvra::fpga_reg

#pragma once
// Sensor registers of the camera line beyond the IMX990 family, as the simulated sensors decode
// them: the Aptina MT9 layouts, the CCD timing generators, the Sony CMOS block, the small area
// sensors, the line sensors, the LI sensors' FPGA registers, and the module's console port.

#include <cstdint>

namespace kelvra::sim::family {

namespace mt9 {  // 16-bit registers, high byte at the even address
inline constexpr uint16_t kChipVersion = 0x0000;
inline constexpr uint16_t kYStart = 0x3002, kXStart = 0x3004, kYEnd = 0x3006, kXEnd = 0x3008;
inline constexpr uint16_t kFrameLength = 0x300A, kLineLength = 0x300C;
inline constexpr uint16_t kIntegration = 0x3012;
inline constexpr uint16_t kReset = 0x301A;     // bit 2 streaming
inline constexpr uint16_t kReadMode = 0x3040;  // bit 15 vertical, bit 14 horizontal
inline constexpr uint16_t kGlobalGain = 0x305E;
inline constexpr uint16_t kStreaming = 0x0004;
}  // namespace mt9

namespace mt9p {  // register n at bytes 2n (high) and 2n + 1
inline constexpr uint16_t kRowStart = 0x01, kColumnStart = 0x02, kRowSize = 0x03,
                          kColumnSize = 0x04, kVerticalBlank = 0x06, kOutputControl = 0x07,
                          kShutterUpper = 0x08, kShutterLower = 0x09, kReadMode1 = 0x1E,
                          kReadMode2 = 0x20, kGlobalGain = 0x35;
inline constexpr uint16_t kChipEnable = 0x0002, kSnapshot = 0x0100;
}  // namespace mt9p

namespace ccd {  // 16-bit registers; bit 15 of the address: second generator
inline constexpr uint16_t kControl = 0x0000, kExposureLow = 0x0001, kExposureHigh = 0x0002,
                          kFrameLength = 0x0003, kReadout = 0x0004, kGain = 0x0005, kClamp = 0x0006;
}  // namespace ccd

namespace sony {  // 8-bit registers, multi-byte values low byte first
inline constexpr uint16_t kStandby = 0x3000, kMasterStart = 0x3002, kReverse = 0x3007,
                          kBlackLevel = 0x300A, kTriggerEnable = 0x300C, kVmax = 0x3010,
                          kHmax = 0x3014, kShutter = 0x3020, kGainMode = 0x3050,
                          kTemperatureLatch = 0x3060, kTemperature = 0x3062, kGain = 0x3204,
                          kWindowX = 0x3300, kWindowY = 0x3302, kWindowWidth = 0x3304,
                          kWindowHeight = 0x3306;
}  // namespace sony

namespace area {  // 8-bit registers
inline constexpr uint16_t kControl = 0x00, kWindowX = 0x10, kWindowY = 0x12, kWindowWidth = 0x14,
                          kWindowHeight = 0x16, kExposure = 0x20, kFrameLength = 0x24,
                          kLineLength = 0x26, kGain = 0x28, kReverse = 0x2A, kBlackLevel = 0x2C,
                          kAdcRawLow = 80, kAdcControl = 82, kAdcRawHigh = 83, kAdcMode = 84,
                          kAnalogStep = 90, kGainMode = 0x5B, kTemperature = 0x5C;
}  // namespace area

namespace line {  // 8-bit registers
inline constexpr uint16_t kControl = 0x00, kStart = 0x10, kWidth = 0x12, kExposure = 0x20,
                          kGain = 0x28, kReverse = 0x2A, kLineCountLow = 64, kLineCountHigh = 65;
}  // namespace line

namespace li {  // FPGA registers
inline constexpr uint8_t kControl = 0xB0, kWindowX = 0xB1, kWindowY = 0xB3, kWindowWidth = 0xB5,
                         kWindowHeight = 0xB7, kExposure = 0xB9, kGain = 0xBC, kFrameLength = 0xBD;
}  // namespace li

inline constexpr uint16_t kConsolePort = 0x0000;

}  // namespace kelvra::sim::family

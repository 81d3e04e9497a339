// Sensor registers of the IMX990 family (16-bit register addresses, 8-bit values). The drivers
// write exactly the values their algorithms name; the sensor's own register map defines the rest.
#pragma once

#include <cstdint>

namespace kelvra::imx_reg {

inline constexpr uint16_t kAuxControlA = 0x0020;  // IMX993 auxiliary mode, written here
inline constexpr uint16_t kAuxControlB = 0x0040;
inline constexpr uint16_t kStandby = 0x200;
inline constexpr uint16_t kMasterStop = 0x20C;
inline constexpr uint16_t kBinning = 0x23C;
inline constexpr uint16_t kFrameLength0 = 0x2D4;  // frame length, bits 0-7
inline constexpr uint16_t kFrameLength1 = 0x2D5;  // bits 8-15
inline constexpr uint16_t kFrameLength2 = 0x2D6;  // bits 16-23
inline constexpr uint16_t kLineLength0 = 0x2D8;
inline constexpr uint16_t kLineLength1 = 0x2D9;
inline constexpr uint16_t kCrop = 0x304;
inline constexpr uint16_t kWindowX = 0x320;  // x, y, width, height: low byte, then high bits
inline constexpr uint16_t kWindowY = 0x322;
inline constexpr uint16_t kWindowWidth = 0x324;
inline constexpr uint16_t kWindowHeight = 0x326;
inline constexpr uint16_t kReadoutMode = 0x400;
inline constexpr uint16_t kMirrorFlip = 0x404;  // bit 0 mirror, bit 1 flip
inline constexpr uint16_t kTriggerConfig = 0x430;
inline constexpr uint16_t kTriggerConfigHigh = 0x431;
inline constexpr uint16_t kTriggerConfig2 = 0x432;
inline constexpr uint16_t kShutter0 = 0x440;  // shutter, bits 0-7
inline constexpr uint16_t kShutter1 = 0x441;  // bits 8-15
inline constexpr uint16_t kShutter2 = 0x442;  // bits 16-23
inline constexpr uint16_t kExternalTrigger = 0x600;
inline constexpr uint16_t kTemperatureLow = 0x690;
inline constexpr uint16_t kTemperatureHigh = 0x691;
inline constexpr uint16_t kStartup = 0x702;
inline constexpr uint16_t kGainMode = 0x710;  // bit 0: high conversion gain
inline constexpr uint16_t kGainLow = 0x714;
inline constexpr uint16_t kGainHigh = 0x715;    // bit 0 = gain bit 8
inline constexpr uint16_t kAuxStatusA = 0x720;  // IMX993 auxiliary mode, read back here
inline constexpr uint16_t kAuxStatusB = 0x740;
inline constexpr uint16_t kTemperatureLatch = 0x788;  // bit 0 latches 0x690/0x691
inline constexpr uint16_t kBlackLevelLow = 0x7C0;
inline constexpr uint16_t kBlackLevelHigh = 0x7C1;

inline constexpr uint8_t kBinning2x2 = 0x11;
inline constexpr uint8_t kMirrorBit = 0x01;
inline constexpr uint8_t kFlipBit = 0x02;

}  // namespace kelvra::imx_reg

#pragma once
// Sensor register addresses of the IMX990 family (16-bit addresses, 8-bit values).

#include <cstdint>

namespace kelvra::sim::sensor {

inline constexpr uint16_t kChipVersionLow = 0x0000;  // read-only, where a chip has one
inline constexpr uint16_t kChipVersionHigh = 0x0001;
inline constexpr uint16_t kAuxControlA = 0x0020;
inline constexpr uint16_t kAuxControlB = 0x0040;
inline constexpr uint16_t kStandby = 0x200;     // bit 0: standby
inline constexpr uint16_t kMasterStop = 0x20C;  // bit 0: stopped
inline constexpr uint16_t kBinning = 0x23C;     // 0x11: 2x2 binning
inline constexpr uint8_t kBinning2x2 = 0x11;
inline constexpr uint16_t kFrameLength0 = 0x2D4;  // 0x2D4-0x2D6, lines, low byte first
inline constexpr uint16_t kFrameLength2 = 0x2D6;
inline constexpr uint16_t kLineLength0 = 0x2D8;  // 0x2D8-0x2D9
inline constexpr uint16_t kLineLength1 = 0x2D9;
inline constexpr uint16_t kCrop = 0x304;  // bit 1: vertical crop to the window
inline constexpr uint8_t kCropVertical = 0x02;
inline constexpr uint16_t kWindowX = 0x320;  // 0x320-0x327: x, y, width, height; low, high
inline constexpr uint16_t kWindowY = 0x322;
inline constexpr uint16_t kWindowWidth = 0x324;
inline constexpr uint16_t kWindowHeight = 0x326;
inline constexpr uint16_t kWindowLast = 0x327;
inline constexpr uint16_t kReadoutMode = 0x400;
inline constexpr uint16_t kMirrorFlip = 0x404;  // bit 0 vertical (mirror), bit 1 horizontal (flip)
inline constexpr uint8_t kMirrorBit = 0x01;
inline constexpr uint8_t kFlipBit = 0x02;
inline constexpr uint16_t kTriggerConfig = 0x430;
inline constexpr uint16_t kShutter0 = 0x440;  // 0x440-0x442
inline constexpr uint16_t kShutter2 = 0x442;
inline constexpr uint16_t kExternalTrigger = 0x600;  // bit 0: exposure started by XVS pulses
inline constexpr uint16_t kTemperatureLow = 0x690;
inline constexpr uint16_t kTemperatureHigh = 0x691;
inline constexpr uint16_t kGainMode = 0x710;  // bit 0: high conversion gain
inline constexpr uint16_t kGainLow = 0x714;
inline constexpr uint16_t kGainHigh = 0x715;  // bit 0 = gain bit 8
inline constexpr uint16_t kAuxStatusA = 0x720;
inline constexpr uint16_t kAuxStatusB = 0x740;
inline constexpr uint16_t kTemperatureLatch = 0x788;  // bit 0 rising: latch 0x690/0x691
inline constexpr uint16_t kBlackLevelLow = 0x7C0;
inline constexpr uint16_t kBlackLevelHigh = 0x7C1;  // bits 0-3

// Fixed readout geometry: 21 lines precede the image rows of every frame; a full-height readout
// adds 4 optical-black rows, which the window's vertical start skips (y register = row + 4).
inline constexpr int kLeadLines = 21;
inline constexpr int kTopMarginRows = 4;
// Every line starts with 8 dummy columns (4 in the fast readout); the horizontally reversed
// readout puts 96 more columns ahead of the image. Binning halves both.
inline constexpr int kLeadColumns = 8;
inline constexpr int kFastLeadReduction = 4;
inline constexpr int kReversedExtraColumns = 96;

}  // namespace kelvra::sim::sensor

// Sensor registers of the camera line's driver classes beyond the IMX990 family. Where a chip
// has a public register convention the names follow it (the Aptina MT9 registers, the Sony CMOS
// block at 0x3000); the rest is the layout these drivers and the cameras' FPGAs agree on. The
// registers that the family description fixes (colour gains, line count 64/65, thermistor ADC
// 80-84, analog gain step 90, console port 0) are marked.
#pragma once

#include <cstdint>

namespace kelvra {

// Aptina MT9F001/MT9F002/MT9J001: 16-bit addresses and values.
namespace mt9_reg {
inline constexpr uint16_t kChipVersion = 0x0000;
inline constexpr uint16_t kVtPixClkDiv = 0x0300;
inline constexpr uint16_t kPrePllClkDiv = 0x0304;
inline constexpr uint16_t kPllMultiplier = 0x0306;
inline constexpr uint16_t kYAddrStart = 0x3002;
inline constexpr uint16_t kXAddrStart = 0x3004;
inline constexpr uint16_t kYAddrEnd = 0x3006;
inline constexpr uint16_t kXAddrEnd = 0x3008;
inline constexpr uint16_t kFrameLengthLines = 0x300A;
inline constexpr uint16_t kLineLengthPck = 0x300C;
inline constexpr uint16_t kCoarseIntegration = 0x3012;
inline constexpr uint16_t kResetRegister = 0x301A;
inline constexpr uint16_t kReadMode = 0x3040;
inline constexpr uint16_t kGreen1Gain = 0x3056;  // fixed by the family description
inline constexpr uint16_t kBlueGain = 0x3058;
inline constexpr uint16_t kRedGain = 0x305A;
inline constexpr uint16_t kGreen2Gain = 0x305C;
inline constexpr uint16_t kGlobalGain = 0x305E;

inline constexpr uint16_t kResetRestart = 0x0002;    // reset register: restart the frame
inline constexpr uint16_t kResetStream = 0x0004;     // reset register: streaming
inline constexpr uint16_t kResetIdle = 0x0010;       // reset register: serial interface on
inline constexpr uint16_t kReadModeMirror = 0x8000;  // vertical flip of the image
inline constexpr uint16_t kReadModeFlip = 0x4000;    // horizontal mirror of the image
}  // namespace mt9_reg

// Aptina MT9P001: 8-bit addresses, 16-bit values.
namespace mt9p_reg {
inline constexpr uint16_t kRowStart = 0x01;
inline constexpr uint16_t kColumnStart = 0x02;
inline constexpr uint16_t kRowSize = 0x03;     // height - 1
inline constexpr uint16_t kColumnSize = 0x04;  // width - 1
inline constexpr uint16_t kVerticalBlank = 0x06;
inline constexpr uint16_t kOutputControl = 0x07;  // bit 1: chip enable
inline constexpr uint16_t kShutterUpper = 0x08;
inline constexpr uint16_t kShutterLower = 0x09;
inline constexpr uint16_t kRestart = 0x0B;     // bit 0: restart the frame
inline constexpr uint16_t kReadMode1 = 0x1E;   // bit 8: snapshot (external trigger)
inline constexpr uint16_t kReadMode2 = 0x20;   // bit 15 row mirror, bit 14 column mirror
inline constexpr uint16_t kGreen1Gain = 0x2B;  // fixed by the family description
inline constexpr uint16_t kBlueGain = 0x2C;
inline constexpr uint16_t kRedGain = 0x2D;
inline constexpr uint16_t kGreen2Gain = 0x2E;
inline constexpr uint16_t kGlobalGain = 0x35;

inline constexpr uint16_t kChipEnable = 0x0002;
inline constexpr uint16_t kSnapshot = 0x0100;
inline constexpr uint16_t kRowMirror = 0x8000;
inline constexpr uint16_t kColumnMirror = 0x4000;
}  // namespace mt9p_reg

// CCD timing generators behind the controller's sensor register request (16-bit values).
// The four-channel CCDs have two generators; bit 15 of the address selects the second.
namespace ccd_reg {
inline constexpr uint16_t kControl = 0x0000;  // bit 0 clocks running, bit 1 external trigger
inline constexpr uint16_t kExposureLow = 0x0001;
inline constexpr uint16_t kExposureHigh = 0x0002;
inline constexpr uint16_t kFrameLength = 0x0003;
inline constexpr uint16_t kReadout = 0x0004;  // bit 0 rows reversed, bit 1 columns reversed
inline constexpr uint16_t kFrontEndGain = 0x0005;
inline constexpr uint16_t kClamp = 0x0006;  // black level, low 10 bits (family description)
inline constexpr uint16_t kSecondBank = 0x8000;

inline constexpr uint16_t kRunning = 0x0001;
inline constexpr uint16_t kExternalTrigger = 0x0002;
inline constexpr uint16_t kRowsReversed = 0x0001;
inline constexpr uint16_t kColumnsReversed = 0x0002;
}  // namespace ccd_reg

// Sony CMOS (IMX178 ... IMX675, LI7050, GLUX9701): 16-bit addresses, 8-bit values.
namespace sony_reg {
inline constexpr uint16_t kRelease = 0x0000;  // the camera writes 4 once its FPGA is ready
inline constexpr uint16_t kStandby = 0x3000;  // bit 0
inline constexpr uint16_t kRegHold = 0x3001;
inline constexpr uint16_t kMasterStart = 0x3002;    // 0: running
inline constexpr uint16_t kReverse = 0x3007;        // bit 0 vertical, bit 1 horizontal
inline constexpr uint16_t kAdBits = 0x3009;         // 1: 12-bit conversion (16-bit output)
inline constexpr uint16_t kBlackLevel = 0x300A;     // 0x300A-0x300B, 12 bits
inline constexpr uint16_t kTriggerEnable = 0x300C;  // bit 0: exposure from the trigger input
inline constexpr uint16_t kVmax = 0x3010;           // 0x3010-0x3012, frame length
inline constexpr uint16_t kHmax = 0x3014;           // 0x3014-0x3015, line length
inline constexpr uint16_t kShutter = 0x3020;        // 0x3020-0x3022: exposure = VMAX - SHS
inline constexpr uint16_t kGainMode = 0x3050;       // bit 0: high conversion gain
inline constexpr uint16_t kTemperatureLatch = 0x3060;
inline constexpr uint16_t kTemperatureRaw = 0x3062;  // 0x3062-0x3063, 12 bits
inline constexpr uint16_t kGain = 0x3204;            // 0x3204-0x3205
inline constexpr uint16_t kWindowX = 0x3300;         // x, y, width, height: two bytes each
inline constexpr uint16_t kWindowY = 0x3302;
inline constexpr uint16_t kWindowWidth = 0x3304;
inline constexpr uint16_t kWindowHeight = 0x3306;

inline constexpr uint8_t kVerticalBit = 0x01;
inline constexpr uint8_t kHorizontalBit = 0x02;
}  // namespace sony_reg

// Area sensors (bus 0x6C and the two at 0x48): 16-bit addresses, 8-bit values.
namespace area_reg {
inline constexpr uint16_t kControl = 0x0000;  // bit 0 running, bit 1 trigger, bit 2 16-bit
inline constexpr uint16_t kWindowX = 0x0010;  // x, y, width, height: two bytes each
inline constexpr uint16_t kWindowY = 0x0012;
inline constexpr uint16_t kWindowWidth = 0x0014;
inline constexpr uint16_t kWindowHeight = 0x0016;
inline constexpr uint16_t kExposure = 0x0020;     // 0x0020-0x0022, lines
inline constexpr uint16_t kFrameLength = 0x0024;  // 0x0024-0x0025
inline constexpr uint16_t kLineLength = 0x0026;   // 0x0026-0x0027
inline constexpr uint16_t kGain = 0x0028;
inline constexpr uint16_t kReverse = 0x002A;     // bit 0 vertical, bit 1 horizontal
inline constexpr uint16_t kBlackLevel = 0x002C;  // 0x002C-0x002D
inline constexpr uint16_t kAdcRawLow = 80;       // thermistor ADC (family description)
inline constexpr uint16_t kAdcControl = 82;
inline constexpr uint16_t kAdcRawHigh = 83;
inline constexpr uint16_t kAdcMode = 84;
inline constexpr uint16_t kAnalogGainStep = 90;      // bits 2-4 (family description)
inline constexpr uint16_t kGainMode = 0x005B;        // bit 0: high conversion gain
inline constexpr uint16_t kTemperatureRaw = 0x005C;  // 0x005C-0x005D, 12 bits
inline constexpr uint16_t kSettings = 0x0060;        // 0x0060-0x0067: eight settings

inline constexpr uint8_t kRunning = 0x01;
inline constexpr uint8_t kTrigger = 0x02;
inline constexpr uint8_t kSixteenBit = 0x04;
inline constexpr uint8_t kVerticalBit = 0x01;
inline constexpr uint8_t kHorizontalBit = 0x02;
}  // namespace area_reg

// Line sensors (bus 0x20): 16-bit addresses, 8-bit values.
namespace line_reg {
inline constexpr uint16_t kControl = 0x0000;   // bit 0 running, bit 1 trigger
inline constexpr uint16_t kStart = 0x0010;     // 0x0010-0x0011, first pixel
inline constexpr uint16_t kWidth = 0x0012;     // 0x0012-0x0013, pixels per line
inline constexpr uint16_t kExposure = 0x0020;  // 0x0020-0x0022, line periods
inline constexpr uint16_t kGain = 0x0028;
inline constexpr uint16_t kReverse = 0x002A;   // bit 0 line order, bit 1 pixel order
inline constexpr uint16_t kLineCountLow = 64;  // lines per frame (family description)
inline constexpr uint16_t kLineCountHigh = 65;
}  // namespace line_reg

// LI sensors: behind the FPGA (I2C 0x40), their registers are FPGA registers.
namespace li_reg {
inline constexpr uint16_t kControl = 0xB0;  // bit 0 running, bit 1 trigger, bit 2 16-bit
inline constexpr uint16_t kWindowX = 0xB1;  // x, y, width, height: two registers each
inline constexpr uint16_t kWindowY = 0xB3;
inline constexpr uint16_t kWindowWidth = 0xB5;
inline constexpr uint16_t kWindowHeight = 0xB7;
inline constexpr uint16_t kExposure = 0xB9;  // 0xB9-0xBB, lines
inline constexpr uint16_t kGain = 0xBC;
inline constexpr uint16_t kFrameLength = 0xBD;  // 0xBD-0xBE
}  // namespace li_reg

// The module console's one-byte data port (family description).
namespace console_reg {
inline constexpr uint16_t kDataPort = 0x0000;
}  // namespace console_reg

}  // namespace kelvra

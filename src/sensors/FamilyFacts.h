// The facts of one driver class of the camera line beyond the IMX990 family: which setters it
// implements (the marks of the family table) and the constructor's descriptor values. Every
// class keeps one constant table of these; the mechanism classes share the code.
#pragma once

#include <cstddef>
#include <cstdint>

namespace kelvra {

// The setter columns of the family table, in its order.
enum class Setter : uint8_t {
    Init,
    Window,
    Trigger,
    Bits,
    ExposureLines,
    Gain,
    ColorGains,  // the eight colour-gain operations
    Channels,    // the ten channel gain and offset operations
    BlackLevel,
    ExposureTime,
    Mirror,
    Flip,
    SafeRegisters,  // WriteRegisterSafe and ReadRegisterSafe
    Cooler,
    Temperature,
    Seconds,
    GainMode,
    EightBitModes,   // Supports8BitModes
    SixteenBitMode,  // Supports16BitMode
    ColorModes,      // SupportsColorModes
    Count,
};

inline constexpr size_t kSetterColumns = static_cast<size_t>(Setter::Count);

// A mark of the table: 'Y' the class's own implementation, '1' accepted without hardware action
// (returns 1), '0' answers 0 where the base would answer 1, '.' the base default.
enum class Mark : char { Own = 'Y', Accepts = '1', Refuses = '0', Base = '.' };

// How a class reaches its sensor's registers.
enum class SensorBus : uint8_t {
    I2c8,         // 16-bit address, 8-bit value (Sony convention): the direct primitives
    I2c16,        // 16-bit address, 16-bit value, big-endian (Aptina convention)
    I2cShort16,   // 8-bit address, 16-bit value, big-endian (MT9P001)
    Controller,   // bus address 0: the controller's sensor register request (16-bit value)
    FpgaRelayed,  // the sensor sits behind the FPGA: its registers are FPGA registers
    None,         // no sensor registers (the video converter)
};

struct FamilyFacts {
    // The 20 marks in Setter order, as the family table gives them.
    const char* marks;
    int32_t modelCode;  // preset by the constructor; 0: none (the device core may give one)
    SensorBus bus;
    bool pauseBeforeWrite;  // 1 ms before each direct register write
    int32_t maxWidth;
    int32_t maxHeight;
    int32_t defaultHeight;  // window height InitSensor applies; 0: the whole array
    int32_t lineLength;     // descriptor horizontal total, in pixel clocks
    int32_t frameLength;    // descriptor vertical total, in lines
    int32_t sensorClockKHz;
    int32_t gainMax;  // 0: no gain
    int32_t gainDefault;
    int32_t exposureLinesMin;
    int32_t exposureLinesMax;
    int32_t exposureTimeDefault;  // 0.1 ms; 0: no exposure
    int32_t blackLevelMax;        // 0: no black level range
    int32_t blackLevelDefault;
    bool blackLevelSupported;
    int32_t outputBits;   // 8, 12 or 16 after construction
    int32_t orientation;  // descriptor orientation code
    // Where the FPGA cuts the frame out of the sensor's lines (device core, ConfigureBuffers).
    int32_t fpgaLineOffset;
    int32_t fpgaColumnOffset;
};

constexpr Mark MarkOf(const FamilyFacts& facts, Setter column) {
    return static_cast<Mark>(facts.marks[static_cast<size_t>(column)]);
}

// True when the marks string has one valid mark per column.
constexpr bool MarksWellFormed(const char* marks) {
    for (size_t i = 0; i < kSetterColumns; ++i) {
        const char c = marks[i];
        if (c != 'Y' && c != '1' && c != '0' && c != '.') return false;
    }
    return marks[kSetterColumns] == '\0';
}

}  // namespace kelvra

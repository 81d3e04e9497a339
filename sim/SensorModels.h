#pragma once
// Facts about each simulated camera model, one row per product id: the sensor array, its clocks,
// its register defaults and how the camera is built (cooler, sensor mounted upside down).

#include <cstdint>

namespace kelvra::sim {

enum class SensorFamily { Imx990, Imx991, Imx992, Imx993 };

struct SensorModel {
    uint16_t productId;
    SensorFamily family;
    const char* name;
    int width;  // pixel array
    int height;
    double lineUnitNs;        // line period = line length register x this
    double exposureOffsetNs;  // added to exposure lines x line period
    uint32_t frameLength;     // power-on frame length register (lines)
    uint32_t lineLength;      // power-on line length register
    uint32_t fastLineLength;  // below this line length the sensor runs its fast readout
    uint16_t blackLevel;      // power-on black level register (12-bit)
    bool cooled;              // thermo-electric cooler fitted
    bool upsideDown;          // array read bottom row first (orientation 4 variants)
    bool hasGainMode;         // conversion-gain register 0x710 acts
    bool hasAuxMode;          // auxiliary mode at 0x0020/0x0040, read back at 0x0720/0x0740

    // Read-only identification at registers 0x0000-0x0001 (low byte first); 0: none there.
    uint16_t chipVersion = 0;
};

// The row for `productId`; unknown ids get the cooled IMX990 row with their own id.
SensorModel sensorModelFor(uint16_t productId);

}  // namespace kelvra::sim

#pragma once
// Facts about each simulated camera model, one row per product id of the camera line: the
// sensor array, its clocks, its register defaults, the register model it answers with, and how
// the camera is built (cooler, sensor mounted upside down, identification values).

#include <cstdint>
#include <vector>

namespace kelvra::sim {

// The register models: the IMX990 family's own, and those of the rest of the line.
enum class SensorFamily {
    Imx990,
    Imx991,
    Imx992,
    Imx993,
    Mt9,             // Aptina, 16-bit addresses and values
    Mt9Short,        // Aptina MT9P001, 8-bit addresses, 16-bit values
    Ccd,             // timing generator behind the FX3's sensor register request
    SonyCmos,        // Sony register block at 0x3000
    Area,            // small area sensors
    Line,            // line sensors
    LiCmos,          // registers in the FPGA
    ModuleConsole,   // text console at register 0
    VideoConverter,  // no sensor
};

// How the FPGA's temperature registers (0xE5/0xE6) encode the sensor temperature.
enum class TemperatureCoding { Raw12, AmplifierAdc };

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
    // The rest of the camera line.
    uint8_t busAddress = 0x48;          // the sensor's I2C address (write form)
    uint16_t informationWord = 0x8130;  // FPGA registers 0x11:0x10
    int leadLines = 0;                  // lines before the window in every frame
    int leadColumns = 0;                // columns before the window in every line
    bool columnsReversed = false;       // array read right to left (orientation 2 and 4)
    TemperatureCoding temperatureCoding = TemperatureCoding::Raw12;
    bool altGeometryRegisters = false;  // the FPGA's output geometry in 154-157 (0x31E0)
    // More pixels than the frame generator keeps a whole scene for: it repeats a tile instead.
    bool large() const { return int64_t(width) * height > kLargeArrayPixels; }
    static constexpr int64_t kLargeArrayPixels = 8 << 20;
};

inline bool isImxFamily(SensorFamily family) {
    return family == SensorFamily::Imx990 || family == SensorFamily::Imx991 ||
           family == SensorFamily::Imx992 || family == SensorFamily::Imx993;
}

// The row for `productId`; unknown ids get the cooled IMX990 row with their own id.
SensorModel sensorModelFor(uint16_t productId);

// Every product id the camera line has a row for.
std::vector<uint16_t> knownProducts();

}  // namespace kelvra::sim

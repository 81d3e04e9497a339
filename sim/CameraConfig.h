#pragma once
// How a simulated camera is built. Everything has a default; tests change what they need.

#include <cstdint>
#include <string>

#include "driver/Guid.h"

namespace kelvra::sim {

// Cypress's vendor id, which FX3-based cameras keep.
inline constexpr uint16_t kDefaultVendorId = 0x04B4;
inline constexpr uint16_t kDefaultProductId = 0x3270;

// FPGA information word (registers 0x11:0x10). 0x8130 = bit 15 (in-camera correction available,
// which with a word of at least 0x8024 also makes the drivers read the temperature through the
// FPGA), bit 14 clear (standard readout, so 16-bit output is offered), revision 0x130.
inline constexpr uint16_t kDefaultInformationWord = 0x8130;

// fpgaReadyAfterPolls value for an FPGA that never finishes configuring.
inline constexpr int kFpgaNeverReady = -1;

// A setting left to the product: the product's own value (SensorModels) applies.
inline constexpr int32_t kFromProduct = -1;

struct CameraConfig;
// `config` with every setting left to the product filled in from its model.
CameraConfig resolvedForProduct(const CameraConfig& config);

struct CameraConfig {
    uint16_t productId = kDefaultProductId;
    uint16_t vendorId = kDefaultVendorId;
    driver::Guid interfaceGuid = driver::kCameraInterfaceGuid;
    std::string serialNumber;  // empty: "SIM" + product id + attach ordinal; at most 32 bytes
    // Information block A.
    uint16_t fx3FirmwareVersion = 0x1101;  // offset 24
    uint8_t gpio25Flag = 1;                // offset 52
    // FPGA. The information word: the product's (kDefaultInformationWord for most).
    int32_t informationWord = kFromProduct;
    uint8_t fpgaVersion3 = 0x0A;    // register 19
    uint8_t fpgaOptionByte = 0x00;  // register 0x17; bit 0 set = option absent
    int fpgaReadyAfterPolls = 0;    // FPGA-configured status reads 0 this many times, then 1
    uint32_t deviceSpeed = 4;       // 4 = USB 3 SuperSpeed
    int32_t sensorBusAddress = kFromProduct;  // 8-bit write address; the product's: 0x48 ...
    // Identification value some sensors answer at register 0 (two bytes, low byte first);
    // 0 for sensors without one there, such as the IMX990 family. The product's: 302 for
    // 0x3020 (an MT9F002), else 0.
    int32_t sensorChipVersion = kFromProduct;
    // Frames.
    bool paced = true;  // false: a frame is ready whenever the host asks (benchmarks)
    double sceneBrightness = 1.0;
    uint32_t defectSeed = 0x5EED;
    bool noise = false;
    uint32_t noiseSeed = 1;
    float noiseSigma = 4.0f;  // in 12-bit steps
    // Temperature (degrees Celsius, seconds).
    double ambientCelsius = 25.0;
    double selfHeatingCelsius = 10.0;  // uncooled sensor settles this far above ambient
    double coolerSetPointCelsius = 15.0;
    double thermalTimeConstant = 20.0;
    // Memory and EEPROM.
    uint64_t memoryBytes = 256ull << 20;  // address space of the memory window
    int eepromWriteCycleMs = 5;           // the EEPROM refuses access this long after a write
};

}  // namespace kelvra::sim

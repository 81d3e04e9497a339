// The sensor driver of each product id: class, bus address and model code.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>

#include "sensors/CSensorBase.h"
#include "transport/CControllerBase.h"

namespace kelvra {

// The driver classes of the camera line: 44 image sensors and one video converter.
enum class SensorClass {
    None,
    IMX990,
    IMX991,
    IMX992,
    IMX993,
    MT9F001,
    MT9F002,
    MT9P001,
    MT9J001,
    ICX274,
    IMX178,
    IMX174,
    IMX183,
    IMX159,
    IMX250,
    IMX264,
    IMX252,
    IMX265,
    IMX226,
    G1467x,
    LI7050,
    GLUX9701,
    IMX536,
    IMX487,
    IMX273,
    LI8020,
    LI5040,
    LI3030,
    LI5030,
    IMX675,
    ModelA,
    ModelB,
    ModelC,
    ModelD,
    ModelE,
    ModelF,
    ModelG,
    ModelH,
    ModelJ,
    ModelK,
    ModelL,
    ModelM,
    ModelN,
    ModelP,
    ModelQ,
    ModelR,
};

// Makes a driver in place of the library's own for a class, on `controller` at `busAddress`
// (tests stand a driver of their own in for a product); null leaves the library's own.
using SensorSubstitute = std::function<std::unique_ptr<CSensorBase>(
    SensorClass driverClass, CControllerBase& controller, uint8_t busAddress)>;

std::unique_ptr<CSensorBase> CreateSensorDriver(int32_t productId, CControllerBase& controller,
                                                const SensorSubstitute& substitute = {});

}  // namespace kelvra

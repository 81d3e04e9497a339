#include "device/SensorFactory.h"

#include <array>

#include "sensors/CSensorG1467x.h"
#include "sensors/CSensorGLUX9701.h"
#include "sensors/CSensorICX274.h"
#include "sensors/CSensorIMX159.h"
#include "sensors/CSensorIMX174.h"
#include "sensors/CSensorIMX178.h"
#include "sensors/CSensorIMX183.h"
#include "sensors/CSensorIMX226.h"
#include "sensors/CSensorIMX250.h"
#include "sensors/CSensorIMX252.h"
#include "sensors/CSensorIMX264.h"
#include "sensors/CSensorIMX265.h"
#include "sensors/CSensorIMX273.h"
#include "sensors/CSensorIMX487.h"
#include "sensors/CSensorIMX536.h"
#include "sensors/CSensorIMX675.h"
#include "sensors/CSensorIMX990.h"
#include "sensors/CSensorIMX991.h"
#include "sensors/CSensorIMX992.h"
#include "sensors/CSensorIMX993.h"
#include "sensors/CSensorLI3030.h"
#include "sensors/CSensorLI5030.h"
#include "sensors/CSensorLI5040.h"
#include "sensors/CSensorLI7050.h"
#include "sensors/CSensorLI8020.h"
#include "sensors/CSensorMT9F001.h"
#include "sensors/CSensorMT9F002.h"
#include "sensors/CSensorMT9J001.h"
#include "sensors/CSensorMT9P001.h"
#include "sensors/CSensorModelA.h"
#include "sensors/CSensorModelB.h"
#include "sensors/CSensorModelC.h"
#include "sensors/CSensorModelD.h"
#include "sensors/CSensorModelE.h"
#include "sensors/CSensorModelF.h"
#include "sensors/CSensorModelG.h"
#include "sensors/CSensorModelH.h"
#include "sensors/CSensorModelJ.h"
#include "sensors/CSensorModelK.h"
#include "sensors/CSensorModelL.h"
#include "sensors/CSensorModelM.h"
#include "sensors/CSensorModelN.h"
#include "sensors/CSensorModelP.h"
#include "sensors/CSensorModelQ.h"
#include "sensors/CSensorModelR.h"

namespace kelvra {
namespace {

using Constructor = std::unique_ptr<CSensorBase> (*)(CControllerBase&, uint8_t);

template <class Driver>
std::unique_ptr<CSensorBase> Make(CControllerBase& controller, uint8_t busAddress) {
    return std::make_unique<Driver>(&controller, busAddress);
}

// Every driver class of the camera line.
struct BuiltIn {
    SensorClass driverClass;
    Constructor construct;
};

constexpr BuiltIn kBuiltIns[] = {
    {SensorClass::IMX990, &Make<CSensorIMX990>},     {SensorClass::IMX991, &Make<CSensorIMX991>},
    {SensorClass::IMX992, &Make<CSensorIMX992>},     {SensorClass::IMX993, &Make<CSensorIMX993>},
    {SensorClass::MT9F001, &Make<CSensorMT9F001>},   {SensorClass::MT9F002, &Make<CSensorMT9F002>},
    {SensorClass::MT9P001, &Make<CSensorMT9P001>},   {SensorClass::MT9J001, &Make<CSensorMT9J001>},
    {SensorClass::ICX274, &Make<CSensorICX274>},     {SensorClass::IMX178, &Make<CSensorIMX178>},
    {SensorClass::IMX174, &Make<CSensorIMX174>},     {SensorClass::IMX183, &Make<CSensorIMX183>},
    {SensorClass::IMX159, &Make<CSensorIMX159>},     {SensorClass::IMX250, &Make<CSensorIMX250>},
    {SensorClass::IMX264, &Make<CSensorIMX264>},     {SensorClass::IMX252, &Make<CSensorIMX252>},
    {SensorClass::IMX265, &Make<CSensorIMX265>},     {SensorClass::IMX226, &Make<CSensorIMX226>},
    {SensorClass::G1467x, &Make<CSensorG1467x>},     {SensorClass::LI7050, &Make<CSensorLI7050>},
    {SensorClass::GLUX9701, &Make<CSensorGLUX9701>}, {SensorClass::IMX536, &Make<CSensorIMX536>},
    {SensorClass::IMX487, &Make<CSensorIMX487>},     {SensorClass::IMX273, &Make<CSensorIMX273>},
    {SensorClass::LI8020, &Make<CSensorLI8020>},     {SensorClass::LI5040, &Make<CSensorLI5040>},
    {SensorClass::LI3030, &Make<CSensorLI3030>},     {SensorClass::LI5030, &Make<CSensorLI5030>},
    {SensorClass::IMX675, &Make<CSensorIMX675>},     {SensorClass::ModelA, &Make<CSensorModelA>},
    {SensorClass::ModelB, &Make<CSensorModelB>},     {SensorClass::ModelC, &Make<CSensorModelC>},
    {SensorClass::ModelD, &Make<CSensorModelD>},     {SensorClass::ModelE, &Make<CSensorModelE>},
    {SensorClass::ModelF, &Make<CSensorModelF>},     {SensorClass::ModelG, &Make<CSensorModelG>},
    {SensorClass::ModelH, &Make<CSensorModelH>},     {SensorClass::ModelJ, &Make<CSensorModelJ>},
    {SensorClass::ModelK, &Make<CSensorModelK>},     {SensorClass::ModelL, &Make<CSensorModelL>},
    {SensorClass::ModelM, &Make<CSensorModelM>},     {SensorClass::ModelN, &Make<CSensorModelN>},
    {SensorClass::ModelP, &Make<CSensorModelP>},     {SensorClass::ModelQ, &Make<CSensorModelQ>},
    {SensorClass::ModelR, &Make<CSensorModelR>},
};

constexpr int32_t kNoModelCode = 0;

struct DriverRow {
    int32_t productId;
    SensorClass driverClass;
    uint8_t busAddress;  // 0: the class reaches its sensor through controller requests
    int32_t modelCode;   // kNoModelCode: SetModelCode is not called
};

// Product 0x3020's class depends on the chip (ChooseClass); its row names the fallback.
constexpr DriverRow kDrivers[] = {
    {0x3260, SensorClass::IMX990, 0x48, 109},   {0x3270, SensorClass::IMX990, 0x48, 110},
    {0x3280, SensorClass::IMX991, 0x48, 111},   {0x3290, SensorClass::IMX991, 0x48, 112},
    {0x3370, SensorClass::IMX992, 0x48, 129},   {0x3380, SensorClass::IMX992, 0x48, 130},
    {0x33C0, SensorClass::IMX993, 0x48, 131},   {0x33D0, SensorClass::IMX993, 0x48, 132},
    {0x3020, SensorClass::MT9F001, 0x20, 0},    {0x3030, SensorClass::MT9P001, 0x90, 0},
    {0x3040, SensorClass::MT9J001, 0x20, 0},    {0x3042, SensorClass::MT9J001, 0x20, 0},
    {0x3050, SensorClass::ICX274, 0x00, 0},     {0x30F0, SensorClass::IMX178, 0x48, 0},
    {0x3100, SensorClass::IMX174, 0x48, 0},     {0x3110, SensorClass::IMX183, 0x48, 0},
    {0x3120, SensorClass::IMX159, 0x48, 0},     {0x31B0, SensorClass::IMX250, 0x48, 59},
    {0x31B4, SensorClass::IMX264, 0x48, 0},     {0x31C0, SensorClass::IMX252, 0x48, 0},
    {0x31C4, SensorClass::IMX265, 0x48, 0},     {0x31F0, SensorClass::IMX226, 0x48, 0},
    {0x3220, SensorClass::G1467x, 0x6C, 105},   {0x32A0, SensorClass::IMX250, 0x48, 113},
    {0x32B0, SensorClass::LI7050, 0x48, 61},    {0x32C0, SensorClass::GLUX9701, 0x48, 114},
    {0x33B0, SensorClass::GLUX9701, 0x48, 114}, {0x32E0, SensorClass::IMX536, 0x48, 0},
    {0x32F0, SensorClass::IMX487, 0x48, 0},     {0x3300, SensorClass::IMX273, 0x48, 0},
    {0x3310, SensorClass::LI8020, 0x40, 116},   {0x3320, SensorClass::LI5040, 0x40, 117},
    {0x3330, SensorClass::LI3030, 0x40, 118},   {0x3340, SensorClass::LI5030, 0x40, 119},
    {0x3360, SensorClass::IMX675, 0x48, 0},     {0x33A0, SensorClass::ModelR, 0x48, 0},
    {0x3090, SensorClass::ModelN, 0x00, 0},     {0x30B0, SensorClass::ModelP, 0x00, 0},
    {0x30C0, SensorClass::ModelQ, 0x00, 0},     {0x3130, SensorClass::ModelM, 0x42, 0},
    {0x3140, SensorClass::ModelE, 0x6C, 0},     {0x3150, SensorClass::ModelB, 0x6C, 0},
    {0x3170, SensorClass::ModelA, 0x6C, 0},     {0x3180, SensorClass::ModelD, 0x48, 0},
    {0x3190, SensorClass::ModelJ, 0x20, 0},     {0x31A0, SensorClass::ModelH, 0x20, 0},
    {0x31D0, SensorClass::ModelK, 0x20, 0},     {0x31E0, SensorClass::ModelF, 0x6C, 0},
    {0x3200, SensorClass::ModelC, 0x48, 0},     {0x3210, SensorClass::ModelL, 0x20, 0},
    {0x32D0, SensorClass::ModelG, 0x6C, 0},
};

// Product 0x3020: the chip's version, at register 0 of the sensor (write form 0x20, read form
// 0x21), tells the MT9F002 from the MT9F001.
constexpr int32_t kChipVersionProduct = 0x3020;
constexpr uint8_t kChipVersionWriteAddress = 0x20;
constexpr uint8_t kChipVersionReadAddress = 0x21;
constexpr uint16_t kMt9f002ChipVersion = 302;
constexpr uint32_t kChipVersionTimeoutMs = 3000;

// The chip version, two bytes low byte first; false when the chip does not answer.
bool ReadChipVersion(CControllerBase& controller, uint16_t* version) {
    const std::array<uint8_t, 2> registerZero{0, 0};
    std::array<uint8_t, 2> answer{};
    // A failed pointer write would leave the read answering from an unknown register.
    if (!controller.I2cWrite(kChipVersionWriteAddress, registerZero.data(),
                             uint32_t(registerZero.size()), kChipVersionTimeoutMs) ||
        !controller.I2cRead(kChipVersionReadAddress, answer.data(), uint32_t(answer.size()),
                            kChipVersionTimeoutMs)) {
        return false;
    }
    *version = uint16_t(answer[0] | (answer[1] << 8));
    return true;
}

// The class of `row`'s product; None when the chip that decides it cannot be read.
SensorClass ChooseClass(const DriverRow& row, CControllerBase& controller) {
    if (row.productId != kChipVersionProduct) return row.driverClass;
    uint16_t version = 0;
    if (!ReadChipVersion(controller, &version)) return SensorClass::None;
    return version == kMt9f002ChipVersion ? SensorClass::MT9F002 : SensorClass::MT9F001;
}

std::unique_ptr<CSensorBase> MakeDriver(SensorClass driverClass, CControllerBase& controller,
                                        uint8_t busAddress, const SensorSubstitute& substitute) {
    if (substitute) {
        if (std::unique_ptr<CSensorBase> driver = substitute(driverClass, controller, busAddress)) {
            return driver;
        }
    }
    for (const BuiltIn& builtIn : kBuiltIns) {
        if (builtIn.driverClass == driverClass) return builtIn.construct(controller, busAddress);
    }
    return nullptr;
}

}  // namespace

// Constructs the driver of `productId` on `controller` (not owned by the driver) at its bus
// address and gives it its model code. A `substitute`, when given, is asked first and its
// driver used unless it declines (null). Null for a product id without a driver class and for
// product 0x3020 when its chip version cannot be read.
std::unique_ptr<CSensorBase> CreateSensorDriver(int32_t productId, CControllerBase& controller,
                                                const SensorSubstitute& substitute) {
    for (const DriverRow& row : kDrivers) {
        if (row.productId != productId) continue;
        const SensorClass driverClass = ChooseClass(row, controller);
        if (driverClass == SensorClass::None) return nullptr;
        std::unique_ptr<CSensorBase> driver =
            MakeDriver(driverClass, controller, row.busAddress, substitute);
        if (driver && row.modelCode != kNoModelCode) driver->SetModelCode(row.modelCode);
        return driver;
    }
    return nullptr;
}

}  // namespace kelvra

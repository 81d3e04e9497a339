#include "device/SensorFactory.h"

#include "device/ProductIds.h"
#include "sensors/CSensorIMX990.h"
#include "sensors/CSensorIMX991.h"
#include "sensors/CSensorIMX992.h"
#include "sensors/CSensorIMX993.h"

namespace kelvra {
namespace {

using Construct = std::unique_ptr<CSensorBase> (*)(CControllerBase&, uint8_t);

template <class Driver>
std::unique_ptr<CSensorBase> Make(CControllerBase& controller, uint8_t busAddress) {
    return std::make_unique<Driver>(&controller, busAddress);
}

constexpr int32_t kNoModelCode = 0;
constexpr uint8_t kImxBusAddress = 0x48;

struct DriverRow {
    int32_t productId;
    Construct construct;
    uint8_t busAddress;
    int32_t modelCode;  // kNoModelCode: SetModelCode is not called
};

// Products whose driver class is not part of the library have no row and cannot be opened.
constexpr DriverRow kDrivers[] = {
    {product::kImx990Uncooled, &Make<CSensorIMX990>, kImxBusAddress, 109},
    {product::kImx990Cooled, &Make<CSensorIMX990>, kImxBusAddress, 110},
    {product::kImx991Uncooled, &Make<CSensorIMX991>, kImxBusAddress, 111},
    {product::kImx991Cooled, &Make<CSensorIMX991>, kImxBusAddress, 112},
    {product::kImx992Uncooled, &Make<CSensorIMX992>, kImxBusAddress, 129},
    {product::kImx992Cooled, &Make<CSensorIMX992>, kImxBusAddress, 130},
    {product::kImx993Uncooled, &Make<CSensorIMX993>, kImxBusAddress, 131},
    {product::kImx993Cooled, &Make<CSensorIMX993>, kImxBusAddress, 132},
};

}  // namespace

// Constructs the driver of `productId` on `controller` (not owned by the driver) at its bus
// address and gives it its model code. Null for a product id without a driver class.
std::unique_ptr<CSensorBase> CreateSensorDriver(int32_t productId, CControllerBase& controller) {
    for (const DriverRow& row : kDrivers) {
        if (row.productId != productId) continue;
        std::unique_ptr<CSensorBase> driver = row.construct(controller, row.busAddress);
        if (row.modelCode != kNoModelCode) driver->SetModelCode(row.modelCode);
        return driver;
    }
    return nullptr;
}

}  // namespace kelvra

// The 1280 x 1024 area sensor of product 0x3140.
#pragma once

#include "sensors/CSensorAreaSensor.h"

namespace kelvra {

class CSensorModelE : public CSensorAreaSensor {
  public:
    static constexpr uint8_t kBusAddress = 0x6C;

    explicit CSensorModelE(CControllerBase* controller, uint8_t busAddress = kBusAddress);
};

}  // namespace kelvra

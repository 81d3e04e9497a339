// The 320 x 256 near-infrared area sensor of product 0x3170, as CSensorModelB.
#pragma once

#include "sensors/CSensorAreaSensor.h"

namespace kelvra {

class CSensorModelA : public CSensorAreaSensor {
  public:
    static constexpr uint8_t kBusAddress = 0x6C;

    explicit CSensorModelA(CControllerBase* controller, uint8_t busAddress = kBusAddress);
};

}  // namespace kelvra

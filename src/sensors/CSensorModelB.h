// The 640 x 512 near-infrared area sensor of product 0x3150: window in steps of 4 (x, width) and 2
// (y, height); monochrome.
#pragma once

#include "sensors/CSensorAreaSensor.h"

namespace kelvra {

class CSensorModelB : public CSensorAreaSensor {
  public:
    static constexpr uint8_t kBusAddress = 0x6C;

    explicit CSensorModelB(CControllerBase* controller, uint8_t busAddress = kBusAddress);
};

}  // namespace kelvra

// The 640 x 513 8-bit area sensor of product 0x33A0 (model code 122): line length 736, frame length
// 537, no exposure or gain of its own; monochrome.
#pragma once

#include "sensors/CSensorAreaSensor.h"

namespace kelvra {

class CSensorModelR : public CSensorAreaSensor {
  public:
    static constexpr uint8_t kBusAddress = 0x48;

    explicit CSensorModelR(CControllerBase* controller, uint8_t busAddress = kBusAddress);
};

}  // namespace kelvra

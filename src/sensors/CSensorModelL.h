// The 2048-pixel line sensor of product 0x3210 (up to 32768 lines per frame).
#pragma once

#include "sensors/CSensorLineSensor.h"

namespace kelvra {

class CSensorModelL : public CSensorLineSensor {
  public:
    static constexpr uint8_t kBusAddress = 0x20;

    explicit CSensorModelL(CControllerBase* controller, uint8_t busAddress = kBusAddress);
};

}  // namespace kelvra

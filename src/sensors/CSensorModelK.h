// The 1024-pixel line sensor of product 0x31D0 (up to 32768 lines per frame).
#pragma once

#include "sensors/CSensorLineSensor.h"

namespace kelvra {

class CSensorModelK : public CSensorLineSensor {
  public:
    static constexpr uint8_t kBusAddress = 0x20;

    explicit CSensorModelK(CControllerBase* controller, uint8_t busAddress = kBusAddress);
};

}  // namespace kelvra

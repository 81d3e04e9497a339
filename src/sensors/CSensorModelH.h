// The 256-pixel line sensor of product 0x31A0 (up to 32768 lines per frame); monochrome.
#pragma once

#include "sensors/CSensorLineSensor.h"

namespace kelvra {

class CSensorModelH : public CSensorLineSensor {
  public:
    static constexpr uint8_t kBusAddress = 0x20;

    explicit CSensorModelH(CControllerBase* controller, uint8_t busAddress = kBusAddress);
};

}  // namespace kelvra

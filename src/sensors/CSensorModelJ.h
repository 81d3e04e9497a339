// The 512-pixel line sensor of product 0x3190 with a trigger input. Its own window variant rounds x
// and width up to multiples of 8 and the line count up to a multiple of 16, the line blocks its
// FPGA transfers; monochrome.
#pragma once

#include "sensors/CSensorLineSensor.h"

namespace kelvra {

class CSensorModelJ : public CSensorLineSensor {
  public:
    static constexpr uint8_t kBusAddress = 0x20;

    explicit CSensorModelJ(CControllerBase* controller, uint8_t busAddress = kBusAddress);
};

}  // namespace kelvra

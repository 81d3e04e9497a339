// The LI5030 (5688 x 3336 CMOS) of product 0x3340 (model code 119), with a trigger input.
#pragma once

#include "sensors/CSensorLiCmos.h"

namespace kelvra {

class CSensorLI5030 : public CSensorLiCmos {
  public:
    static constexpr uint8_t kBusAddress = 0x40;

    explicit CSensorLI5030(CControllerBase* controller, uint8_t busAddress = kBusAddress);
};

}  // namespace kelvra

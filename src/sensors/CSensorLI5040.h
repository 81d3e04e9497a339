// The LI5040 (2592 x 2056 CMOS) of product 0x3320 (model code 117), with a trigger input.
#pragma once

#include "sensors/CSensorLiCmos.h"

namespace kelvra {

class CSensorLI5040 : public CSensorLiCmos {
  public:
    static constexpr uint8_t kBusAddress = 0x40;

    explicit CSensorLI5040(CControllerBase* controller, uint8_t busAddress = kBusAddress);
};

}  // namespace kelvra

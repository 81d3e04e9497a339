// The LI8020 (19568 x 12588 CMOS) of product 0x3310 (model code 116).
#pragma once

#include "sensors/CSensorLiCmos.h"

namespace kelvra {

class CSensorLI8020 : public CSensorLiCmos {
  public:
    static constexpr uint8_t kBusAddress = 0x40;

    explicit CSensorLI8020(CControllerBase* controller, uint8_t busAddress = kBusAddress);
};

}  // namespace kelvra

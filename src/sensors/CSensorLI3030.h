// The LI3030 (2160 x 1280 CMOS) of product 0x3330 (model code 118).
#pragma once

#include "sensors/CSensorLiCmos.h"

namespace kelvra {

class CSensorLI3030 : public CSensorLiCmos {
  public:
    static constexpr uint8_t kBusAddress = 0x40;

    explicit CSensorLI3030(CControllerBase* controller, uint8_t busAddress = kBusAddress);
};

}  // namespace kelvra

// The LI7050 (1936 x 1096 CMOS) of product 0x32B0 (model code 61), on the Sony register block.
#pragma once

#include "sensors/CSensorSonyCmos.h"

namespace kelvra {

class CSensorLI7050 : public CSensorSonyCmos {
  public:
    static constexpr uint8_t kBusAddress = 0x48;

    explicit CSensorLI7050(CControllerBase* controller, uint8_t busAddress = kBusAddress);
};

}  // namespace kelvra

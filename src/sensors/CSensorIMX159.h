// Sony IMX159 (4800 x 3520 CMOS) of product 0x3120; it reverses horizontally only.
#pragma once

#include "sensors/CSensorSonyCmos.h"

namespace kelvra {

class CSensorIMX159 : public CSensorSonyCmos {
  public:
    static constexpr uint8_t kBusAddress = 0x48;

    explicit CSensorIMX159(CControllerBase* controller, uint8_t busAddress = kBusAddress);
};

}  // namespace kelvra

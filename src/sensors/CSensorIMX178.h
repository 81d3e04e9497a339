// Sony IMX178 (3072 x 2048 CMOS) of product 0x30F0; no 16-bit display mode.
#pragma once

#include "sensors/CSensorSonyCmos.h"

namespace kelvra {

class CSensorIMX178 : public CSensorSonyCmos {
  public:
    static constexpr uint8_t kBusAddress = 0x48;

    explicit CSensorIMX178(CControllerBase* controller, uint8_t busAddress = kBusAddress);
};

}  // namespace kelvra

// Sony IMX536 (2848 x 2848 CMOS) of product 0x32E0 (model code 62), with a black level.
#pragma once

#include "sensors/CSensorSonyCmos.h"

namespace kelvra {

class CSensorIMX536 : public CSensorSonyCmos {
  public:
    static constexpr uint8_t kBusAddress = 0x48;

    explicit CSensorIMX536(CControllerBase* controller, uint8_t busAddress = kBusAddress);
};

}  // namespace kelvra

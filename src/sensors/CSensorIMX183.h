// Sony IMX183 (5520 x 3680 CMOS) of product 0x3110.
#pragma once

#include "sensors/CSensorSonyCmos.h"

namespace kelvra {

class CSensorIMX183 : public CSensorSonyCmos {
  public:
    static constexpr uint8_t kBusAddress = 0x48;

    explicit CSensorIMX183(CControllerBase* controller, uint8_t busAddress = kBusAddress);
};

}  // namespace kelvra

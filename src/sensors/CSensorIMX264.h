// Sony IMX264 (2448 x 2048 CMOS) of product 0x31B4 (model code 57).
#pragma once

#include "sensors/CSensorSonyCmos.h"

namespace kelvra {

class CSensorIMX264 : public CSensorSonyCmos {
  public:
    static constexpr uint8_t kBusAddress = 0x48;

    explicit CSensorIMX264(CControllerBase* controller, uint8_t busAddress = kBusAddress);
};

}  // namespace kelvra

// Sony IMX265 (2048 x 1536 CMOS) of product 0x31C4 (model code 58).
#pragma once

#include "sensors/CSensorSonyCmos.h"

namespace kelvra {

class CSensorIMX265 : public CSensorSonyCmos {
  public:
    static constexpr uint8_t kBusAddress = 0x48;

    explicit CSensorIMX265(CControllerBase* controller, uint8_t busAddress = kBusAddress);
};

}  // namespace kelvra

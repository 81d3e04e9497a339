// Sony IMX252 (2048 x 1536 CMOS) of product 0x31C0 (model code 56).
#pragma once

#include "sensors/CSensorSonyCmos.h"

namespace kelvra {

class CSensorIMX252 : public CSensorSonyCmos {
  public:
    static constexpr uint8_t kBusAddress = 0x48;

    explicit CSensorIMX252(CControllerBase* controller, uint8_t busAddress = kBusAddress);
};

}  // namespace kelvra

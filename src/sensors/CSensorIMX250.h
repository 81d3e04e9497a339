// Sony IMX250 (2448 x 2048 CMOS) of products 0x31B0 (model code 59) and 0x32A0 (113); 8-bit output
// by default.
#pragma once

#include "sensors/CSensorSonyCmos.h"

namespace kelvra {

class CSensorIMX250 : public CSensorSonyCmos {
  public:
    static constexpr uint8_t kBusAddress = 0x48;

    explicit CSensorIMX250(CControllerBase* controller, uint8_t busAddress = kBusAddress);
};

}  // namespace kelvra

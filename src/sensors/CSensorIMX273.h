// Sony IMX273 (1440 x 1080 CMOS) of product 0x3300 (model code 128), with a black level; no 16-bit
// display mode.
#pragma once

#include "sensors/CSensorSonyCmos.h"

namespace kelvra {

class CSensorIMX273 : public CSensorSonyCmos {
  public:
    static constexpr uint8_t kBusAddress = 0x48;

    explicit CSensorIMX273(CControllerBase* controller, uint8_t busAddress = kBusAddress);
};

}  // namespace kelvra

// Sony IMX487 (2848 x 2848 ultraviolet CMOS) of product 0x32F0 (model code 63), with a black level;
// monochrome.
#pragma once

#include "sensors/CSensorSonyCmos.h"

namespace kelvra {

class CSensorIMX487 : public CSensorSonyCmos {
  public:
    static constexpr uint8_t kBusAddress = 0x48;

    explicit CSensorIMX487(CControllerBase* controller, uint8_t busAddress = kBusAddress);
};

}  // namespace kelvra

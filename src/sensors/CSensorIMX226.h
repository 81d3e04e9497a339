// Sony IMX226 (4168 x 3062 CMOS) of product 0x31F0 (model code 60).
#pragma once

#include "sensors/CSensorSonyCmos.h"

namespace kelvra {

class CSensorIMX226 : public CSensorSonyCmos {
  public:
    static constexpr uint8_t kBusAddress = 0x48;

    explicit CSensorIMX226(CControllerBase* controller, uint8_t busAddress = kBusAddress);
};

}  // namespace kelvra

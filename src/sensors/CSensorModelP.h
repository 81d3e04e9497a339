// The 4896 x 3264 four-channel CCD of product 0x30B0, as CSensorModelN.
#pragma once

#include "sensors/CSensorCcd.h"

namespace kelvra {

class CSensorModelP : public CSensorCcd {
  public:
    static constexpr uint8_t kBusAddress = 0x00;

    explicit CSensorModelP(CControllerBase* controller, uint8_t busAddress = kBusAddress);
};

}  // namespace kelvra

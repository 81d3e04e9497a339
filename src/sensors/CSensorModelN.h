// The 2336 x 1752 four-channel CCD of product 0x3090, read upside down (orientation 4).
#pragma once

#include "sensors/CSensorCcd.h"

namespace kelvra {

class CSensorModelN : public CSensorCcd {
  public:
    static constexpr uint8_t kBusAddress = 0x00;

    explicit CSensorModelN(CControllerBase* controller, uint8_t busAddress = kBusAddress);
};

}  // namespace kelvra

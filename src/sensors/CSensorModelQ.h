// The 6576 x 4384 four-channel CCD of product 0x30C0, as CSensorModelN, with a black level it
// reports as supported.
#pragma once

#include "sensors/CSensorCcd.h"

namespace kelvra {

class CSensorModelQ : public CSensorCcd {
  public:
    static constexpr uint8_t kBusAddress = 0x00;

    explicit CSensorModelQ(CControllerBase* controller, uint8_t busAddress = kBusAddress);
};

}  // namespace kelvra

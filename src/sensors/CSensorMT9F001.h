// Aptina MT9F001 (4608 x 3288 colour CMOS) of product 0x3020, chosen when the chip's identification
// value is not 302.
#pragma once

#include "sensors/CSensorColorCmos.h"

namespace kelvra {

class CSensorMT9F001 : public CSensorColorCmos {
  public:
    static constexpr uint8_t kBusAddress = 0x20;

    explicit CSensorMT9F001(CControllerBase* controller, uint8_t busAddress = kBusAddress);
};

}  // namespace kelvra

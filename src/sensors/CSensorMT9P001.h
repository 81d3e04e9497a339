// Aptina MT9P001 (2592 x 1944 colour CMOS) of product 0x3030, with a snapshot trigger input.
#pragma once

#include "sensors/CSensorColorCmos.h"

namespace kelvra {

class CSensorMT9P001 : public CSensorColorCmos {
  public:
    static constexpr uint8_t kBusAddress = 0x90;

    explicit CSensorMT9P001(CControllerBase* controller, uint8_t busAddress = kBusAddress);

    // The camera runs this sensor from one 96 MHz clock: mode 0, always.
    int32_t GetPixelClockMode(int32_t* mode) override;
};

}  // namespace kelvra

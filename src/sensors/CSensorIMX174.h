// Sony IMX174 (1920 x 1200 CMOS) of product 0x3100; shares its bus with the FPGA; no 16-bit display
// mode.
#pragma once

#include "sensors/CSensorSonyCmos.h"

namespace kelvra {

class CSensorIMX174 : public CSensorSonyCmos {
  public:
    static constexpr uint8_t kBusAddress = 0x48;

    explicit CSensorIMX174(CControllerBase* controller, uint8_t busAddress = kBusAddress);
};

}  // namespace kelvra

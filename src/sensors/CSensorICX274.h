// Sony ICX274 (1600 x 1200 CCD) of product 0x3050: timing from the FPGA, one timing generator, a
// trigger input.
#pragma once

#include "sensors/CSensorCcd.h"

namespace kelvra {

class CSensorICX274 : public CSensorCcd {
  public:
    static constexpr uint8_t kBusAddress = 0x00;

    explicit CSensorICX274(CControllerBase* controller, uint8_t busAddress = kBusAddress);

    // The family table leaves this class the base InitSensor, which answers 0 and so fails
    // every open of its camera. It starts like the other CCDs instead.
    int32_t InitSensor() override;
};

}  // namespace kelvra

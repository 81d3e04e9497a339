// Sony IMX675 (2592 x 4060 CMOS) of product 0x3360 (model code 121). It has no exposure in lines of
// its own: exposure time and seconds program the shutter directly.
#pragma once

#include "sensors/CSensorSonyCmos.h"

namespace kelvra {

class CSensorIMX675 : public CSensorSonyCmos {
  public:
    static constexpr uint8_t kBusAddress = 0x48;

    explicit CSensorIMX675(CControllerBase* controller, uint8_t busAddress = kBusAddress);

  protected:
    // Lines = trunc(ns / line period), at least 1, clamped to the line limits, written as
    // VMAX and SHS; the lines are kept in the descriptor too.
    int32_t ProgramExposureNs(double ns) override;
};

}  // namespace kelvra

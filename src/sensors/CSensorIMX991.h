// Driver of the Sony IMX991 (640 x 512 short-wave infrared), uncooled (model code 111) and
// cooled (112) cameras.
#pragma once

#include "sensors/CSensorImxFirstGen.h"

namespace kelvra {

class CSensorIMX991 : public CSensorImxFirstGen {
  public:
    explicit CSensorIMX991(CControllerBase* controller, uint8_t busAddress = kBusAddress);

  protected:
    int32_t ColumnOffset(bool flip, int32_t mode) override;
};

}  // namespace kelvra

// Driver of the Sony IMX990 (1280 x 1024 short-wave infrared), uncooled (model code 109) and
// cooled (110) cameras.
#pragma once

#include "sensors/CSensorImxFirstGen.h"

namespace kelvra {

class CSensorIMX990 : public CSensorImxFirstGen {
  public:
    explicit CSensorIMX990(CControllerBase* controller, uint8_t busAddress = kBusAddress);

  protected:
    int32_t ColumnOffset(bool flip, int32_t mode) override;
};

}  // namespace kelvra

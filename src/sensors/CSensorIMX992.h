// Driver of the Sony IMX992 (2560 x 2048 short-wave infrared), uncooled (model code 129) and
// cooled (130) cameras.
#pragma once

#include <atomic>

#include "sensors/CSensorImxSecondGen.h"

namespace kelvra {

class CSensorIMX992 : public CSensorImxSecondGen {
  public:
    explicit CSensorIMX992(CControllerBase* controller, uint8_t busAddress = kBusAddress);

    // The output depth the class last saw in any of its drivers (kOutputBitsUnset at first).
    static int32_t RememberedOutputBits();

  protected:
    std::atomic<int32_t>& ClassOutputBits() override;
    void EnterTrigger(bool unchanged) override;
    void LeaveTrigger(bool unchanged) override;
};

}  // namespace kelvra

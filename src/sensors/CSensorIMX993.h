// Driver of the Sony IMX993 (2048 x 1536 short-wave infrared), uncooled (model code 131) and
// cooled (132) cameras. Beyond the IMX992 it has a black level and an auxiliary sensor mode.
#pragma once

#include <atomic>

#include "sensors/CSensorImxSecondGen.h"

namespace kelvra {

class CSensorIMX993 : public CSensorImxSecondGen {
  public:
    explicit CSensorIMX993(CControllerBase* controller, uint8_t busAddress = kBusAddress);

    int32_t InitSensor() override;
    int32_t SetBlackLevel(int32_t level) override;
    int32_t SetAuxMode(int32_t on) override;

    // The output depth the class last saw in any of its drivers (kOutputBitsUnset at first).
    static int32_t RememberedOutputBits();

  protected:
    std::atomic<int32_t>& ClassOutputBits() override;
    void EnterTrigger(bool unchanged) override;
    void LeaveTrigger(bool unchanged) override;

  private:
    void ReadAuxMode();
};

}  // namespace kelvra

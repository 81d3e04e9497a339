// Aptina MT9F002 (4608 x 3288 colour CMOS) of product 0x3020, chosen when the chip's identification
// value is 302. It can restart its readout together with the camera's auxiliary device.
#pragma once

#include "sensors/CSensorColorCmos.h"

namespace kelvra {

class CSensorMT9F002 : public CSensorColorCmos {
  public:
    static constexpr uint8_t kBusAddress = 0x20;

    explicit CSensorMT9F002(CControllerBase* controller, uint8_t busAddress = kBusAddress);

    // Restarts the readout (reset register restart bit), then the auxiliary device, and waits
    // a frame and 500 ms for both to settle.
    void RestartSensor() override;
    // The auxiliary device's command alone: register 40 = 3 at I2C address 0x5A.
    void SendAuxCommand() override;
};

}  // namespace kelvra

// The video converter of product 0x3130 (HDMI to 1920 x 1080 frames), which the camera line
// carries as a driver class although it has no sensor: it answers only ProbeSensor,
// InitSensor and SetOutputBits (all 1, nothing to program) and the extended command, and 0 to
// every camera control; its descriptor still reports 1920 x 1080.
#pragma once

#include <atomic>

#include "sensors/CSensorFamily.h"

namespace kelvra {

class CSensorModelM : public CSensorFamily {
  public:
    static constexpr uint8_t kBusAddress = 0x42;
    static constexpr int32_t kInputFormats = 3;  // 1080p60, 1080p50, 1080i60

    explicit CSensorModelM(CControllerBase* controller, uint8_t busAddress = kBusAddress);

    // Command 0 selects the converter's input format *value (0-2) in its register 1;
    // command 1 answers the format last selected. 0 for anything else.
    int32_t ExtendedCommand(int32_t type, int32_t* value) override;

  private:
    std::atomic<int32_t> m_format{0};
};

}  // namespace kelvra

// Aptina MT9J001 (3856 x 2764 colour CMOS) of products 0x3040 and 0x3042, with three pixel clock
// modes.
#pragma once

#include <atomic>

#include "sensors/CSensorColorCmos.h"

namespace kelvra {

class CSensorMT9J001 : public CSensorColorCmos {
  public:
    static constexpr uint8_t kBusAddress = 0x20;

    explicit CSensorMT9J001(CControllerBase* controller, uint8_t busAddress = kBusAddress);

    // Clock modes 0, 1 and 2 run the pixel clock at 32000, 16000 and 80000 kHz (the PLL from
    // the 24 MHz input: pre-divider 2, then the multiplier and divider of the mode). The
    // descriptor's sensor clock follows. 0 for another mode or when the PLL write fails.
    int32_t SetPixelClockMode(int32_t mode) override;
    int32_t GetPixelClockMode(int32_t* mode) override;

  private:
    std::atomic<int32_t> m_clockMode{2};  // the constructor's 80000 kHz
};

}  // namespace kelvra

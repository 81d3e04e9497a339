// The 2048 x 2048 ultraviolet area sensor of product 0x31E0 (model code 103, restart pulse on
// FPGA 0x96), with in-camera correction in nine levels, a temperature and a conversion-gain
// mode. Its camera delivers rows bottom row first and programs the output geometry in FPGA
// registers 154-157 (device core).
//
// Register programs are ours, on the area-sensor block; the correction's register (FPGA 0x90),
// line lengths (1280, 560) and exposure minima are the family description's.
#pragma once

#include "sensors/CSensorAreaSensor.h"

namespace kelvra {

class CSensorModelF : public CSensorAreaSensor {
  public:
    static constexpr uint8_t kBusAddress = 0x6C;
    static constexpr int32_t kCorrectionLevels = 9;  // 0 (off) to 8

    explicit CSensorModelF(CControllerBase* controller, uint8_t busAddress = kBusAddress);

    // Level 0-8. On hardware that cannot report its correction (information word unreadable,
    // or bits 12 and 15 both clear) the line length becomes 1280 (a level) or 560 (off) and
    // the exposure minimum 1.28e-4 s or 5.6e-5 s first; the current exposure is applied again
    // and the level written to FPGA 0x90. 1, or 0 for another level or a failed write.
    int32_t SetInternalCorrection(int32_t level) override;
    // FPGA 0x90 as read, 0 when it cannot be read.
    int32_t GetInternalCorrectionRaw() override;

  protected:
    bool TemperatureAvailable() override;
};

}  // namespace kelvra

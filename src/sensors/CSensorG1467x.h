// The G1467x (320 x 256 area sensor) of product 0x3220 (model code 105), with an NTC thermistor on
// its board and a cooler whose set-point is written to the thermistor ADC's compare registers.
#pragma once

#include "sensors/CSensorAreaSensor.h"

namespace kelvra {

class CSensorG1467x : public CSensorAreaSensor {
  public:
    static constexpr uint8_t kBusAddress = 0x6C;

    explicit CSensorG1467x(CControllerBase* controller, uint8_t busAddress = kBusAddress);

    // Command 0 sets the cooler's set-point to *value degrees Celsius: the thermistor reading
    // of that temperature goes to the ADC's compare registers (80 low, 83 high), then 84 = 0,
    // 82 = 0, 82 = 1. 0 for other commands, a null value, or unless the cooler is on.
    int32_t ExtendedCommand(int32_t type, int32_t* value) override;

    // The thermistor: r = (9994.24 / raw - 9.76) / 10, then the beta equation with B = 3950
    // around 25 degrees, truncated to whole degrees. False for a raw value that gives no
    // temperature (0, or one at or past the divider's ends).
    static bool CelsiusFromRaw(uint16_t raw, double* celsius);
    // The raw reading of `celsius`; false outside what the 16-bit ADC can hold.
    static bool RawFromCelsius(double celsius, uint16_t* raw);

  protected:
    bool CoolerFitted() override;
    int32_t CoolerState() override;
    int32_t ProgramCooler(bool on) override;
    bool TemperatureAvailable() override;
    // Starts a conversion (84 = 2, 82 = 0, 82 = 2) and reads 80 and 83; 0 unless the cooler
    // is on.
    int32_t ReadTemperature(double* celsius) override;
};

}  // namespace kelvra

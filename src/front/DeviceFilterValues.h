// The filter values that live in the camera: gains, exposure, cooler, gain mode, the short
// exposure mode (index 105) and the black level. Each operation talks to the device core only
// and says what the front object should then store and record.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>

#include "device/CKelvraU3Q6Base.h"
#include "front/FilterValueTable.h"

namespace kelvra {

// What became of one device-backed filter value.
struct DeviceValueOutcome {
    static constexpr int32_t kNoCode = -1;

    int32_t result = 0;
    int32_t code = kNoCode;                    // recorded when not kNoCode; 0 is recorded too
    bool ok = false;                           // the getter's ok flag
    std::function<void(FilterFields&)> store;  // applied under the settings lock, if set
};

// Sets device-backed value `index`; nullopt when the index is not one of them.
std::optional<DeviceValueOutcome> SetDeviceValue(CKelvraU3Q6Base& device, int32_t index,
                                                 int32_t value);
// Reads device-backed value `index`; nullopt when the index is not one of them.
std::optional<DeviceValueOutcome> GetDeviceValue(CKelvraU3Q6Base& device, int32_t index);

// The camera's exposure in seconds, when it works in seconds and answers; used to keep the
// seconds mirror in step after the exposure was set in sensor units.
std::optional<double> ReadExposureSeconds(CKelvraU3Q6Base& device);

}  // namespace kelvra

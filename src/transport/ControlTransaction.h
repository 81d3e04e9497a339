// One control request through the driver: the 102-byte buffer goes in and comes back with the
// answer. No retry at this level.
#pragma once

#include <cstdint>

#include "driver/Backend.h"
#include "transport/RequestEncoding.h"

namespace kelvra::transport {

// True when the driver and the device both report success; *error (optional) receives the
// driver's error number.
bool RunControlRequest(driver::DeviceHandle& handle, ControlBuffer& buffer, uint32_t* dataBytes,
                       uint32_t* error = nullptr);

}  // namespace kelvra::transport

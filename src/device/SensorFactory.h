// The sensor driver of each product id: class, bus address and model code.
#pragma once

#include <cstdint>
#include <memory>

#include "sensors/CSensorBase.h"
#include "transport/CControllerBase.h"

namespace kelvra {

std::unique_ptr<CSensorBase> CreateSensorDriver(int32_t productId, CControllerBase& controller);

}  // namespace kelvra

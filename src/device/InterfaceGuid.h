// The device-interface class identifier under which the camera driver publishes each camera,
// under the names the front uses. The type and the constant are the driver seam's own.
#pragma once

#include "driver/Guid.h"

namespace kelvra {

using InterfaceGuid = driver::Guid;

// {328184C5-93E6-49B7-94B8-2ADA13AABB39}: the camera's device-interface class.
inline constexpr const InterfaceGuid& kCameraInterfaceGuid = driver::kCameraInterfaceGuid;

}  // namespace kelvra

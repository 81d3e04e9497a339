// What the machine holds for the cameras beyond one controller: the cameras attached (the ones
// this user may not open included), the udev rule they need, and device maps that processes
// which have ended left behind. For diagnosis; nothing here opens a camera for use.
#pragma once

#include <string>
#include <vector>

#include "driver/Backend.h"

namespace kelvra::transport {

std::vector<driver::DeviceDescription> DescribeAttachedCameras();
std::string CameraUdevRules();
std::vector<std::string> StaleDeviceMaps();

}  // namespace kelvra::transport

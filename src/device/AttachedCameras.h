// The machine's cameras as the front sees them for diagnosis (transport/AttachedCameras.h).
#pragma once

#include <string>
#include <vector>

#include "driver/Backend.h"

namespace kelvra::device {

std::vector<driver::DeviceDescription> DescribeAttachedCameras();
std::string CameraUdevRules();
std::vector<std::string> StaleDeviceMaps();

}  // namespace kelvra::device

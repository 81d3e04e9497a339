#pragma once
// The C++ API through which tests and tools put simulated cameras on the bus. Attaching a
// camera makes the simulated back end the process's devices (the driver seam then enumerates
// and opens the simulated cameras only); the cameras are reached like real ones, through the
// seam, and shaped through their SimCamera controls.
//
// Applications get the same cameras by setting KELVRA_SIMULATED_CAMERAS (a count, or a list of
// product ids such as 0x3270,0x3270), read once when the seam is first used.

#include <memory>
#include <vector>

#include "sim/CameraConfig.h"
#include "sim/SimCamera.h"

namespace kelvra::sim {

std::shared_ptr<SimCamera> attachCamera(const CameraConfig& config = {});
void detachCamera(const std::shared_ptr<SimCamera>& camera);
void detachAllCameras();
std::vector<std::shared_ptr<SimCamera>> attachedCameras();

}  // namespace kelvra::sim

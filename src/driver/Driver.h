#pragma once
// Entry points of the driver seam (see driver/Backend.h for the table of operations) and the one
// place where the back end is chosen:
//   1. a back end installed with installBackend (the simulator's C++ API does this when a test
//      attaches a camera);
//   2. otherwise, once per process, the environment: KELVRA_SIMULATED_CAMERAS set to a valid
//      value makes simulated cameras the devices (driver/SimulatedCamerasVariable.h);
//   3. otherwise the USB back end (driver/usb/UsbBackend.h): the cameras attached to this
//      machine.

#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "driver/Backend.h"

namespace kelvra::driver {

// Builds the simulated back end with one camera per product id. Registered by the simulator,
// which lies above this layer; returns a back end that lives as long as the process.
using SimulatedCamerasFactory = Backend* (*)(std::span<const uint16_t> productIds);

void registerSimulatedCameras(SimulatedCamerasFactory factory);
void installBackend(Backend* backend);
Backend& activeBackend();

std::vector<std::string> enumerateInterfaces(const Guid& guid);
std::unique_ptr<DeviceHandle> openDevice(std::string_view path, bool overlapped);
std::vector<DeviceDescription> describeDevices(const Guid& guid);

}  // namespace kelvra::driver

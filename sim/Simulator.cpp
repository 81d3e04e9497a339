#include "sim/Simulator.h"

#include "driver/Driver.h"
#include "sim/EnvironmentFaults.h"
#include "sim/SimulatedBackend.h"

namespace kelvra::sim {
namespace {

// Called once by the seam when KELVRA_SIMULATED_CAMERAS holds a valid value.
driver::Backend* camerasFromEnvironment(std::span<const uint16_t> productIds) {
    SimulatedBackend& backend = SimulatedBackend::instance();
    std::vector<std::shared_ptr<SimCamera>> attached;
    for (uint16_t id : productIds) {
        CameraConfig config;
        config.productId = id;
        attached.push_back(backend.attach(config));
    }
    applyEnvironmentFaults(attached);
    return &backend;
}

// Registration at load time: this file is part of every program that has the simulator, and the
// seam's factory slot is constant-initialised, so the order of initialisation does not matter.
[[maybe_unused]] const bool gRegistered =
    (driver::registerSimulatedCameras(&camerasFromEnvironment), true);

}  // namespace

// Attaches a camera built from `config` and makes simulated cameras the process's devices.
std::shared_ptr<SimCamera> attachCamera(const CameraConfig& config) {
    SimulatedBackend& backend = SimulatedBackend::instance();
    driver::installBackend(&backend);
    return backend.attach(config);
}

// Unplugs and forgets one camera; its handles fail from now on.
void detachCamera(const std::shared_ptr<SimCamera>& camera) {
    if (camera) SimulatedBackend::instance().detach(camera);
}

void detachAllCameras() {
    SimulatedBackend::instance().detachAll();
}

std::vector<std::shared_ptr<SimCamera>> attachedCameras() {
    return SimulatedBackend::instance().cameras();
}

}  // namespace kelvra::sim

#include "driver/Driver.h"

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <mutex>

#include "driver/SimulatedCamerasVariable.h"
#include "driver/usb/UsbBackend.h"

namespace kelvra::driver {
namespace {

// Constant-initialised, so a registration from another layer's static initialiser is safe
// whatever the order of initialisation.
constinit std::atomic<SimulatedCamerasFactory> gSimulatedFactory{nullptr};
constinit std::atomic<Backend*> gInstalled{nullptr};
constinit std::atomic<Backend*> gEnvironmentChoice{nullptr};
std::mutex gChoiceMutex;

Backend& usbDevices() {
    return usb::UsbBackend::instance();
}

bool isBlank(std::string_view text) {
    return text.find_first_not_of(" \t") == text.npos;
}

// Reads the variable once; a malformed value is reported on stderr and treated as unset.
Backend* chooseFromEnvironment() {
    const char* value = std::getenv(kSimulatedCamerasVariable);
    if (value == nullptr || isBlank(value)) return &usbDevices();
    std::string why;
    auto ids = parseSimulatedCameras(value, &why);
    if (!ids) {
        std::fprintf(stderr, "kelvra: ignoring %s=\"%s\": %s\n", kSimulatedCamerasVariable, value,
                     why.c_str());
        return &usbDevices();
    }
    SimulatedCamerasFactory factory = gSimulatedFactory.load(std::memory_order_acquire);
    if (factory == nullptr) {
        std::fprintf(stderr, "kelvra: ignoring %s: this build has no simulated cameras\n",
                     kSimulatedCamerasVariable);
        return &usbDevices();
    }
    return factory(*ids);
}

}  // namespace

// Registers the simulator's factory; called by the simulator layer before any enumeration.
void registerSimulatedCameras(SimulatedCamerasFactory factory) {
    gSimulatedFactory.store(factory, std::memory_order_release);
}

// Makes `backend` the devices of this process (it must outlive its use); nullptr returns to the
// environment's choice.
void installBackend(Backend* backend) {
    gInstalled.store(backend, std::memory_order_release);
}

// The back end every seam call goes to. The environment is consulted once, on first need, under
// a lock; afterwards the choice is a lock-free load. Never fails: "none" is a back end too.
Backend& activeBackend() {
    if (Backend* installed = gInstalled.load(std::memory_order_acquire)) return *installed;
    if (Backend* chosen = gEnvironmentChoice.load(std::memory_order_acquire)) return *chosen;
    std::lock_guard lock(gChoiceMutex);
    Backend* chosen = gEnvironmentChoice.load(std::memory_order_relaxed);
    if (chosen == nullptr) {
        chosen = chooseFromEnvironment();
        gEnvironmentChoice.store(chosen, std::memory_order_release);
    }
    return *chosen;
}

// SetupDiGetClassDevs + SetupDiEnumDeviceInterfaces: the present interfaces of `guid`, as paths.
std::vector<std::string> enumerateInterfaces(const Guid& guid) {
    return activeBackend().enumerate(guid);
}

// CreateFile: a handle, or null when the path does not open (absent or unplugged device).
std::unique_ptr<DeviceHandle> openDevice(std::string_view path, bool overlapped) {
    return activeBackend().open(path, overlapped);
}

// The attached devices of `guid`'s class, for diagnosis (Backend::describe).
std::vector<DeviceDescription> describeDevices(const Guid& guid) {
    return activeBackend().describe(guid);
}

}  // namespace kelvra::driver

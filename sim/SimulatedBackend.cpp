#include "sim/SimulatedBackend.h"

#include <strings.h>
#include <cstdio>

#include "driver/DevicePath.h"

namespace kelvra::sim {
namespace {

bool sameIgnoringCase(std::string_view a, std::string_view b) {
    return std::ranges::equal(a, b, [](char x, char y) {
        return std::tolower(static_cast<unsigned char>(x)) ==
               std::tolower(static_cast<unsigned char>(y));
    });
}

// The driver's speed codes: 4 SuperSpeed, 2 high speed, 1 full speed.
uint32_t linkMbps(uint32_t speedCode) {
    switch (speedCode) {
        case 4:
            return 5000;
        case 2:
            return 480;
        case 1:
            return 12;
        default:
            return 0;
    }
}

}  // namespace

SimulatedBackend& SimulatedBackend::instance() {
    // Never destroyed: a seam call during process exit still finds it.
    static SimulatedBackend* backend = new SimulatedBackend();
    return *backend;
}

// The plugged cameras whose interface class is `guid`, in attach order.
std::vector<std::string> SimulatedBackend::enumerate(const driver::Guid& guid) {
    std::vector<std::shared_ptr<SimCamera>> all = cameras();
    std::vector<std::string> paths;
    for (const auto& camera : all) {
        if (camera->config().interfaceGuid == guid && camera->plugged()) {
            paths.push_back(camera->devicePath());
        }
    }
    return paths;
}

// The plugged cameras of `guid`'s class: always open to anyone, on the link speed they were
// configured with.
std::vector<driver::DeviceDescription> SimulatedBackend::describe(const driver::Guid& guid) {
    std::vector<driver::DeviceDescription> described;
    for (const auto& camera : cameras()) {
        if (camera->config().interfaceGuid != guid || !camera->plugged()) continue;
        driver::DeviceDescription d;
        d.vendorId = camera->config().vendorId;
        d.productId = camera->productId();
        d.linkMbps = linkMbps(camera->config().deviceSpeed);
        d.accessible = true;
        d.simulated = true;
        d.serialNumber = camera->serialNumber();
        described.push_back(std::move(d));
    }
    return described;
}

// Device paths compare without regard to case, as CreateFile does.
std::unique_ptr<driver::DeviceHandle> SimulatedBackend::open(std::string_view path,
                                                             bool overlapped) {
    std::vector<std::shared_ptr<SimCamera>> all = cameras();
    for (const auto& camera : all) {
        if (sameIgnoringCase(camera->devicePath(), path)) return camera->open(overlapped);
    }
    return nullptr;
}

// A new camera, plugged in. Its instance part of the path and its default serial number carry
// the attach ordinal, so every camera of the process has its own.
std::shared_ptr<SimCamera> SimulatedBackend::attach(const CameraConfig& config) {
    std::lock_guard lock(mutex_);
    const unsigned ordinal = ++attached_;
    char instance[32];
    std::snprintf(instance, sizeof instance, "sim&%04u", ordinal);
    std::string serial = config.serialNumber;
    if (serial.empty()) {
        char text[32];
        std::snprintf(text, sizeof text, "SIM%04X%04u", config.productId, ordinal % 10000);
        serial = text;
    }
    auto camera = std::make_shared<SimCamera>(config, instance, serial);
    cameras_.push_back(camera);
    return camera;
}

// Unplugs the camera and forgets it; handles still open keep the object alive, failing.
void SimulatedBackend::detach(const std::shared_ptr<SimCamera>& camera) {
    std::lock_guard lock(mutex_);
    std::erase(cameras_, camera);
    camera->unplug();
}

void SimulatedBackend::detachAll() {
    std::vector<std::shared_ptr<SimCamera>> all;
    {
        std::lock_guard lock(mutex_);
        all.swap(cameras_);
    }
    for (const auto& camera : all) camera->unplug();
}

std::vector<std::shared_ptr<SimCamera>> SimulatedBackend::cameras() const {
    std::lock_guard lock(mutex_);
    return cameras_;
}

}  // namespace kelvra::sim

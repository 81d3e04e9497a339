#include "front/MachineQueries.h"

#include <algorithm>
#include <cstring>
#include <string>

#include "device/AttachedCameras.h"

namespace kelvra {
namespace {

// Copies `text` into a fixed field, cut to fit and terminated.
template <size_t N>
void CopyField(char (&field)[N], const std::string& text) {
    const size_t n = std::min(text.size(), N - 1);
    std::memcpy(field, text.data(), n);
    field[n] = '\0';
}

// The text whole into `out` when it fits with its terminator; its length either way.
int CopyText(const std::string& text, char* out, int size) {
    if (out != nullptr && size > 0 && text.size() < static_cast<size_t>(size)) {
        std::memcpy(out, text.c_str(), text.size() + 1);
    }
    return static_cast<int>(text.size());
}

}  // namespace

int ListUsbCameras(KELVRA_USB_CAMERA* cameras, int capacity) {
    if (capacity < 0 || (capacity > 0 && cameras == nullptr)) return -1;
    const std::vector<driver::DeviceDescription> found = device::DescribeAttachedCameras();
    for (size_t i = 0; i < found.size() && i < static_cast<size_t>(capacity); ++i) {
        const driver::DeviceDescription& d = found[i];
        KELVRA_USB_CAMERA& camera = cameras[i];
        camera = KELVRA_USB_CAMERA{};
        camera.vendorId = d.vendorId;
        camera.productId = d.productId;
        camera.linkSpeed = static_cast<int>(d.linkMbps);
        camera.accessible = d.accessible ? 1 : 0;
        camera.simulated = d.simulated ? 1 : 0;
        CopyField(camera.port, d.port);
        CopyField(camera.deviceNode, d.deviceNode);
        CopyField(camera.serialNumber, d.serialNumber);
    }
    return static_cast<int>(found.size());
}

int GetUdevRule(char* text, int size) {
    return CopyText(device::CameraUdevRules(), text, size);
}

int GetStaleSharedMemory(char* names, int size) {
    std::string text;
    const std::vector<std::string> stale = device::StaleDeviceMaps();
    for (const std::string& name : stale) text += name + "\n";
    CopyText(text, names, size);
    return static_cast<int>(stale.size());
}

}  // namespace kelvra

#include "driver/usb/UsbBackend.h"

#include <cstdio>

#include "driver/Ioctl.h"
#include "driver/usb/CameraList.h"
#include "driver/usb/UsbHandle.h"
#include "driver/usb/UsbStatus.h"

namespace kelvra::driver::usb {
namespace {

constexpr uint32_t kSuperSpeedMbps = 5000;
constexpr uint32_t kHighSpeedMbps = 480;
constexpr uint32_t kFullSpeedMbps = 12;

uint32_t linkMbps(int libusbSpeed) {
    switch (speedCode(libusbSpeed)) {
        case kSpeedSuperSpeed:
            return kSuperSpeedMbps;
        case kSpeedHigh:
            return kHighSpeedMbps;
        case kSpeedLowOrFull:
            return kFullSpeedMbps;
        default:
            return 0;
    }
}

// usbfs names every device by bus and address.
std::string deviceNode(libusb_device* device) {
    char node[32];
    std::snprintf(node, sizeof node, "/dev/bus/usb/%03u/%03u", libusb_get_bus_number(device),
                  libusb_get_device_address(device));
    return node;
}

// Whether this user may open the device: opened and closed at once, nothing sent.
bool mayOpen(libusb_device* device) {
    libusb_device_handle* handle = nullptr;
    if (libusb_open(device, &handle) != LIBUSB_SUCCESS) return false;
    libusb_close(handle);
    return true;
}

}  // namespace

UsbBackend& UsbBackend::instance() {
    // Never destroyed: a seam call during process exit still finds it.
    static UsbBackend* backend = new UsbBackend();
    return *backend;
}

// The attached cameras' paths in location order (bus, then port chain). Cameras publish the
// camera interface class only: another class lists nothing. Any thread.
std::vector<std::string> UsbBackend::enumerate(const Guid& guid) {
    std::vector<std::string> paths;
    if (guid != kCameraInterfaceGuid) return paths;
    libusb_context* context = context_.get();
    if (context == nullptr) return paths;
    CameraList list(context, serials_);
    for (const FoundCamera& camera : list.cameras()) {
        paths.push_back(formatCameraPath(camera.address));
    }
    return paths;
}

// The attached cameras (vendor and product both known) with their link speed, device node and
// whether this user may open them; a camera the user may not open is listed too. Any thread.
std::vector<DeviceDescription> UsbBackend::describe(const Guid& guid) {
    std::vector<DeviceDescription> described;
    if (guid != kCameraInterfaceGuid) return described;
    libusb_context* context = context_.get();
    if (context == nullptr) return described;
    CameraList list(context, serials_);
    for (const FoundCamera& camera : list.cameras()) {
        libusb_device_descriptor descriptor{};
        libusb_get_device_descriptor(camera.device, &descriptor);
        DeviceDescription d;
        d.vendorId = camera.address.vendorId;
        d.productId = camera.address.productId;
        d.linkMbps = linkMbps(libusb_get_device_speed(camera.device));
        d.accessible = mayOpen(camera.device);
        d.port = formatLocation(camera.location);
        d.deviceNode = deviceNode(camera.device);
        d.serialNumber = serials_.of(camera.device, descriptor.iSerialNumber);
        described.push_back(std::move(d));
    }
    return described;
}

// CreateFile: a handle on the camera `path` names, or null when the path is not a camera path,
// no such camera is attached now, or it cannot be opened (permission, unplugged). Any thread.
std::unique_ptr<DeviceHandle> UsbBackend::open(std::string_view path, bool overlapped) {
    const std::optional<CameraAddress> address = parseCameraPath(path);
    if (!address) return nullptr;
    libusb_context* context = context_.get();
    if (context == nullptr) return nullptr;
    std::shared_ptr<UsbDevice> device = openDevice(context, *address);
    if (!device) return nullptr;
    return std::make_unique<UsbHandle>(std::move(device), transfers_, overlapped);
}

// The shared device at `address`: the one already open, unless the camera has been unplugged
// (or replaced) since, else a fresh libusb handle. Null when it is not attached or does not
// open.
std::shared_ptr<UsbDevice> UsbBackend::openDevice(libusb_context* context,
                                                  const CameraAddress& address) {
    std::lock_guard lock(devicesMutex_);
    std::erase_if(devices_, [](const auto& item) { return item.second.expired(); });
    CameraList list(context, serials_);
    const FoundCamera* found = list.find(address);
    if (found == nullptr) return nullptr;
    const std::string key = formatCameraPath(found->address);
    std::shared_ptr<UsbDevice> device = devices_[key].lock();
    if (device && device->device() == found->device && !device->gone()) return device;
    libusb_device_handle* handle = nullptr;
    const int rc = libusb_open(found->device, &handle);
    if (rc != LIBUSB_SUCCESS) {
        if (rc == LIBUSB_ERROR_ACCESS) {
            permissionNotice_.report(address.vendorId, address.productId, found->location);
        }
        return nullptr;
    }
    device = std::make_shared<UsbDevice>(found->device, handle, found->interfaceNumber);
    devices_[key] = device;
    return device;
}

}  // namespace kelvra::driver::usb

#include "driver/usb/UsbBackend.h"

#include "driver/usb/CameraList.h"
#include "driver/usb/UsbHandle.h"

namespace kelvra::driver::usb {

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

#include "driver/usb/CameraList.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <optional>

#include "driver/Ioctl.h"
#include "driver/usb/CameraProducts.h"

namespace kelvra::driver::usb {
namespace {

constexpr uint8_t kTransferTypeMask = 0x03;

bool isBulk(const libusb_endpoint_descriptor& endpoint, uint8_t address) {
    return endpoint.bEndpointAddress == address &&
           (endpoint.bmAttributes & kTransferTypeMask) == LIBUSB_TRANSFER_TYPE_BULK;
}

bool hasCameraEndpoints(const libusb_interface_descriptor& setting) {
    bool out = false;
    bool in = false;
    for (int i = 0; i < setting.bNumEndpoints; ++i) {
        out = out || isBulk(setting.endpoint[i], kEndpointBulkOut);
        in = in || isBulk(setting.endpoint[i], kEndpointStreamIn);
    }
    return out && in;
}

// The number of the interface (first alternate setting) that carries the camera's bulk
// endpoints; nullopt for a device without one, or not configured. Another maker's device that
// happens to share a product id does not have it, and is never opened.
std::optional<int> cameraInterface(libusb_device* device) {
    libusb_config_descriptor* config = nullptr;
    if (libusb_get_active_config_descriptor(device, &config) != LIBUSB_SUCCESS) return {};
    std::optional<int> found;
    for (int i = 0; i < config->bNumInterfaces && !found; ++i) {
        const libusb_interface& interface = config->interface[i];
        if (interface.num_altsetting > 0 && hasCameraEndpoints(interface.altsetting[0])) {
            found = interface.altsetting[0].bInterfaceNumber;
        }
    }
    libusb_free_config_descriptor(config);
    return found;
}

std::optional<UsbLocation> locationOf(libusb_device* device) {
    std::array<uint8_t, kMaxPortDepth> ports{};
    const int depth = libusb_get_port_numbers(device, ports.data(), static_cast<int>(ports.size()));
    if (depth <= 0) return {};  // a root hub, or a chain too deep to name
    UsbLocation location{libusb_get_bus_number(device), {}};
    location.ports.assign(ports.begin(), ports.begin() + depth);
    return location;
}

std::optional<FoundCamera> identify(libusb_device* device, SerialNumbers& serials) {
    libusb_device_descriptor descriptor{};
    if (libusb_get_device_descriptor(device, &descriptor) != LIBUSB_SUCCESS) return {};
    // Ours by vendor and product: nothing is sent to another maker's device.
    if (!isCameraDevice(descriptor.idVendor, descriptor.idProduct)) return {};
    std::optional<UsbLocation> location = locationOf(device);
    if (!location) return {};
    std::optional<int> interface = cameraInterface(device);
    if (!interface) return {};
    const std::string serial = serials.of(device, descriptor.iSerialNumber);
    return FoundCamera{{descriptor.idVendor, descriptor.idProduct, instanceFor(serial, *location)},
                       *location,
                       *interface,
                       device};
}

bool sameIgnoringCase(std::string_view a, std::string_view b) {
    return std::ranges::equal(a, b, [](char x, char y) {
        return std::tolower(static_cast<unsigned char>(x)) ==
               std::tolower(static_cast<unsigned char>(y));
    });
}

}  // namespace

// Takes libusb's device list (nothing when it cannot be had) and keeps the cameras in it.
CameraList::CameraList(libusb_context* context, SerialNumbers& serials) {
    if (libusb_get_device_list(context, &list_) < 0) list_ = nullptr;
    for (libusb_device** device = list_; device != nullptr && *device != nullptr; ++device) {
        if (std::optional<FoundCamera> camera = identify(*device, serials)) {
            cameras_.push_back(*camera);
        }
    }
    std::ranges::sort(cameras_, {}, [](const FoundCamera& camera) -> const UsbLocation& {
        return camera.location;
    });
}

// Drops the list and the references it held.
CameraList::~CameraList() {
    if (list_ != nullptr) libusb_free_device_list(list_, 1);
}

// The camera `address` names (ids and instance, the instance without regard to case as a path
// is compared); null when it is not attached.
const FoundCamera* CameraList::find(const CameraAddress& address) const {
    for (const FoundCamera& camera : cameras_) {
        if (sameIgnoringCase(camera.address.instance, address.instance) &&
            camera.address.vendorId == address.vendorId &&
            camera.address.productId == address.productId) {
            return &camera;
        }
    }
    return nullptr;
}

}  // namespace kelvra::driver::usb

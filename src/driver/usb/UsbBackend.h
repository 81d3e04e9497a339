#pragma once
// The driver seam on libusb-1.0: real cameras on Linux without a kernel driver of ours.
//
// Enumeration lists the attached cameras (driver/usb/CameraList.h) as device paths whose
// instance is the serial number, or the USB location of a camera without one
// (driver/usb/CameraPath.h), so a camera replugged, into any port or the same one, keeps its
// path. Every open of a path shares one libusb handle (driver/usb/UsbDevice.h);
// requests are carried as driver/usb/UsbHandle.h describes.
//
// Without a USB subsystem nothing enumerates and nothing opens, silently. A camera the user may
// not open is reported once on stderr (driver/usb/PermissionNotice.h) and does not open.

#include <map>
#include <memory>
#include <mutex>
#include <string>

#include "driver/Backend.h"
#include "driver/usb/CameraPath.h"
#include "driver/usb/PermissionNotice.h"
#include "driver/usb/SerialNumbers.h"
#include "driver/usb/TransferRegistry.h"
#include "driver/usb/UsbContext.h"
#include "driver/usb/UsbDevice.h"

namespace kelvra::driver::usb {

class UsbBackend final : public Backend {
  public:
    UsbBackend() = default;
    // Every handle must be closed before; the process-wide instance is never destroyed.
    ~UsbBackend() override = default;

    static UsbBackend& instance();

    const char* name() const override { return "usb"; }
    std::vector<std::string> enumerate(const Guid& guid) override;
    std::unique_ptr<DeviceHandle> open(std::string_view path, bool overlapped) override;
    std::vector<DeviceDescription> describe(const Guid& guid) override;

  private:
    std::shared_ptr<UsbDevice> openDevice(libusb_context* context, const CameraAddress& address);

    // Declared first, destroyed last: everything below uses it.
    UsbContext context_;
    TransferRegistry transfers_{context_};
    std::mutex devicesMutex_;
    std::map<std::string, std::weak_ptr<UsbDevice>> devices_;  // by canonical path
    PermissionNotice permissionNotice_;
    SerialNumbers serials_;
};

}  // namespace kelvra::driver::usb

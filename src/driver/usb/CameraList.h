#pragma once
// A snapshot of the cameras attached now: every USB device with a camera product id whose
// active configuration has the camera's interface (bulk OUT 0x01 and bulk IN 0x81), in the
// order of their locations (bus, then port chain). Reads descriptors only: listing needs no
// permission on the devices.

#include <libusb.h>

#include <vector>

#include "driver/usb/CameraPath.h"

namespace kelvra::driver::usb {

struct FoundCamera {
    CameraAddress address;
    int interfaceNumber = 0;          // the interface with the camera's bulk endpoints
    libusb_device* device = nullptr;  // valid while the list lives
};

class CameraList {
  public:
    explicit CameraList(libusb_context* context);
    ~CameraList();
    CameraList(const CameraList&) = delete;
    CameraList& operator=(const CameraList&) = delete;

    const std::vector<FoundCamera>& cameras() const { return cameras_; }
    const FoundCamera* find(const CameraAddress& address) const;

  private:
    libusb_device** list_ = nullptr;
    std::vector<FoundCamera> cameras_;
};

}  // namespace kelvra::driver::usb
